#pragma once

#include <string>
#include <string_view>

// The serial port and its receive ring as the download steps use them (main thread only). Bytes arrive in
// the ring only while the main thread dispatches events, so between two calls here nothing changes unless
// the caller ran an event loop (a message box) in between.
class DownloadLink {
public:
    virtual ~DownloadLink() = default;

    // Sets the device name (as given, unchecked) and opens the port with the meter's line settings. Throws
    // std::exception (what(): UTF-8 text) when the name is refused or the device cannot be opened.
    virtual void Open(const std::string& deviceName) = 0;
    // Nothing when closed.
    virtual void Close() = 0;
    // True when every byte was written.
    virtual bool Write(std::string_view text) = 0;

    // Bytes waiting in the receive ring.
    virtual int Waiting() const = 0;
    // The `count` oldest waiting bytes (1 <= count <= Waiting()), removed from the ring.
    virtual std::string Read(int count) = 0;
    virtual void Clear() = 0;
};
