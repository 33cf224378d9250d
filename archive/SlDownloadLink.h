#pragma once

#include "archive/DownloadLink.h"

#include <functional>

class TSlBuffer;
class TSlComm;

// The download's link over the serial component and the ring it feeds (neither owned).
class SlDownloadLink final : public DownloadLink {
public:
    SlDownloadLink(TSlComm& port, TSlBuffer& ring) : port_(port), ring_(ring) {}

    // The meter's line settings: 9600 baud, 8 data bits, no parity, one stop bit, no flow control, DTR held
    // off, RTS held on, an 8192-byte driver input queue, direct writes.
    static void ApplyMeterSettings(TSlComm& port);

    // `arrived` runs on the main thread each time bytes land in the ring (not when they are read or
    // cleared). Replaces the ring's OnChange.
    void SetArrivalHandler(std::function<void()> arrived);

    void Open(const std::string& deviceName) override;
    void Close() override;
    bool Write(std::string_view text) override;
    int Waiting() const override;
    std::string Read(int count) override;
    void Clear() override;

private:
    TSlComm& port_;
    TSlBuffer& ring_;
    int seen_ = 0;
};
