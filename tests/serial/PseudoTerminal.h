#pragma once

// The far end of a pseudo-terminal, played by a test: the port opens SlavePath(), the test writes and reads
// here as the meter would.

#include <chrono>
#include <cstdint>
#include <string>

class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& SlavePath() const { return SlavePath_; }
    void Write(const std::string& Bytes);
    // Reads until Count bytes came or Timeout passed.
    std::string Read(std::size_t Count, std::chrono::milliseconds Timeout);
    // Closes the far end: the port's side then hangs up, as when a USB adapter is pulled.
    void Hangup();

    // The line settings the port gave the terminal.
    struct Settings {
        std::uint32_t Speed = 0;
        std::uint32_t ControlFlags = 0;
        std::uint32_t InputFlags = 0;
        unsigned char Start = 0;
        unsigned char Stop = 0;
    };
    Settings LineSettings() const;

private:
    int Master_ = -1;
    std::string SlavePath_;
};

// termios control-flag bits the tests look at.
namespace PtyFlags {
extern const std::uint32_t kParenb, kParodd, kCmspar, kCstopb, kCsize, kCs7, kCs8, kCrtscts, kIxon, kIxoff;
}
