#include "serial/SlTypes.h"

#include <array>

namespace {

constexpr std::array<std::uint32_t, 16> kBaudrateValues = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                                                           14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
constexpr std::array<std::uint32_t, 13> kEventBits = {EV_BREAK,    EV_CTS,    EV_DSR,    EV_ERR,     EV_RING,
                                                      EV_RLSD,     EV_RXCHAR, EV_RXFLAG, EV_TXEMPTY, EV_PERR,
                                                      EV_RX80FULL, EV_EVENT1, EV_EVENT2};
constexpr std::array<std::uint32_t, 3> kOptionBits = {DCB_fErrorChar, DCB_fNull, DCB_fParity};

}  // namespace

std::uint32_t BaudrateValue(TSlBaudrate Rate) {
    return kBaudrateValues.at(std::size_t(Rate));
}
std::uint8_t ParityValue(TSlParity Parity) {
    return std::uint8_t(Parity);
}
std::uint8_t DatabitsValue(TSlDatabits Databits) {
    return std::uint8_t(unsigned(Databits) + 4);
}
std::uint8_t StopbitsValue(TSlStopbits Stopbits) {
    return std::uint8_t(Stopbits);
}
std::uint32_t ControlDtrBits(TSlControlDtr Control) {
    return std::uint32_t(Control) << 4;
}
std::uint32_t ControlRtsBits(TSlControlRts Control) {
    return std::uint32_t(Control) << 12;
}
std::uint32_t CommOptionBit(TSlCommOption Option) {
    return kOptionBits.at(std::size_t(Option));
}
std::uint32_t CommEventBit(TSlCommEvent Event) {
    return kEventBits.at(std::size_t(Event));
}

std::uint32_t EventMaskOf(TSlCommEvents Events) {
    std::uint32_t mask = 0;
    for (std::size_t i = 0; i < kEventBits.size(); ++i) {
        if (Events & (1u << i)) {
            mask |= kEventBits[i];
        }
    }
    return mask;
}
