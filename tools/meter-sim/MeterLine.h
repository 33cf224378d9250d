#pragma once

#include <string>

// The simulator's end of the serial line: a new pseudo-terminal, or an existing serial device, in raw mode,
// non-blocking. Owns its descriptors. Throws std::system_error when the line cannot be set up.
class MeterLine {
public:
    // A new pseudo-terminal pair. Its other side stays open here too, so that the program may open and close
    // it as often as it likes without the line hanging up, and so that its raw mode (no echo) holds.
    static MeterLine OpenPseudoTerminal();
    // An existing serial device at baud (a standard rate, or the device's current rate when not one).
    static MeterLine OpenDevice(const std::string& path, int baud);

    MeterLine(MeterLine&& other) noexcept;
    MeterLine& operator=(MeterLine&&) = delete;
    MeterLine(const MeterLine&) = delete;
    ~MeterLine();

    int Descriptor() const { return fd_; }
    // The device the program should open.
    const std::string& ProgramSidePath() const { return programSidePath_; }
    // Closes the line; the program's side sees it hang up.
    void Close();

private:
    MeterLine(int fd, int heldProgramSide, std::string programSidePath);

    int fd_;
    int heldProgramSide_;
    std::string programSidePath_;
};
