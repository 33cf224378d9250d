#pragma once

// Types, enumerations and platform values shared by the whole serial link.

#include <cstdint>
#include <stdexcept>
#include <string>

// The serial link's only exception: a message text (UTF-8, English) and nothing else.
class ESlCommError : public std::runtime_error {
public:
    explicit ESlCommError(const std::string& Message) : std::runtime_error(Message) {}
};

// Integers of the settings, limited to 0 .. 2147483647 and stored in 32 bits.
using TSlIntW = std::int32_t;
using TSlPortInt = std::int32_t;

// Port events as the platform reports them; a set of these is an event mask.
inline constexpr std::uint32_t EV_RXCHAR = 0x0001;
inline constexpr std::uint32_t EV_RXFLAG = 0x0002;
inline constexpr std::uint32_t EV_TXEMPTY = 0x0004;
inline constexpr std::uint32_t EV_CTS = 0x0008;
inline constexpr std::uint32_t EV_DSR = 0x0010;
inline constexpr std::uint32_t EV_RLSD = 0x0020;
inline constexpr std::uint32_t EV_BREAK = 0x0040;
inline constexpr std::uint32_t EV_ERR = 0x0080;
inline constexpr std::uint32_t EV_RING = 0x0100;
inline constexpr std::uint32_t EV_PERR = 0x0200;
inline constexpr std::uint32_t EV_RX80FULL = 0x0400;
inline constexpr std::uint32_t EV_EVENT1 = 0x0800;
inline constexpr std::uint32_t EV_EVENT2 = 0x1000;

// Line-error bits of a status query.
inline constexpr std::uint32_t CE_RXOVER = 0x0001;
inline constexpr std::uint32_t CE_OVERRUN = 0x0002;
inline constexpr std::uint32_t CE_RXPARITY = 0x0004;
inline constexpr std::uint32_t CE_FRAME = 0x0008;
inline constexpr std::uint32_t CE_BREAK = 0x0010;
inline constexpr std::uint32_t CE_IOE = 0x0400;  // also: the device has gone (hang-up)

// Purge flags.
inline constexpr std::uint32_t PURGE_TXABORT = 1;
inline constexpr std::uint32_t PURGE_RXABORT = 2;
inline constexpr std::uint32_t PURGE_TXCLEAR = 4;
inline constexpr std::uint32_t PURGE_RXCLEAR = 8;

// Line-control function codes.
inline constexpr std::uint32_t SETXOFF = 1;
inline constexpr std::uint32_t SETXON = 2;
inline constexpr std::uint32_t SETRTS = 3;
inline constexpr std::uint32_t CLRRTS = 4;
inline constexpr std::uint32_t SETDTR = 5;
inline constexpr std::uint32_t CLRDTR = 6;
inline constexpr std::uint32_t RESETDEV = 7;
inline constexpr std::uint32_t SETBREAK = 8;
inline constexpr std::uint32_t CLRBREAK = 9;

// Modem-status bits.
inline constexpr std::uint32_t MS_CTS_ON = 0x10;
inline constexpr std::uint32_t MS_DSR_ON = 0x20;
inline constexpr std::uint32_t MS_RING_ON = 0x40;
inline constexpr std::uint32_t MS_RLSD_ON = 0x80;

// Bits of the line-settings record's flag word.
inline constexpr std::uint32_t DCB_fBinary = 0x1;
inline constexpr std::uint32_t DCB_fParity = 0x2;
inline constexpr std::uint32_t DCB_fOutxCtsFlow = 0x4;
inline constexpr std::uint32_t DCB_fOutxDsrFlow = 0x8;
inline constexpr std::uint32_t DCB_fDtrControlMask = 0x30;
inline constexpr std::uint32_t DCB_fDsrSensitivity = 0x40;
inline constexpr std::uint32_t DCB_fTXContinueOnXoff = 0x80;
inline constexpr std::uint32_t DCB_fOutX = 0x100;
inline constexpr std::uint32_t DCB_fInX = 0x200;
inline constexpr std::uint32_t DCB_fErrorChar = 0x400;
inline constexpr std::uint32_t DCB_fNull = 0x800;
inline constexpr std::uint32_t DCB_fRtsControlMask = 0x3000;

// The line-settings record: the members of the platform's DCB that the link sets and reads, under their
// platform names. Members the link does not name stay 0.
struct TSlDCB {
    std::uint32_t BaudRate = 0;
    std::uint32_t Flags = 0;  // the flag word, DCB_f... bits
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 0;
    std::uint8_t Parity = 0;
    std::uint8_t StopBits = 0;
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;

    bool operator==(const TSlDCB&) const = default;
};

// The platform's queue status: hold flags and the byte counts of both queues.
struct TSlComStat {
    std::uint32_t Flags = 0;
    std::uint32_t cbInQue = 0;
    std::uint32_t cbOutQue = 0;
};

// What a status query fills: the line-error bits, then the queue status (16 bytes).
struct TSlCommStatus {
    std::uint32_t Errors = 0;
    TSlComStat Stat;
};

// The device's capabilities, under the platform's COMMPROP member names.
struct TSlCommProp {
    std::uint16_t wPacketLength = 0;
    std::uint16_t wPacketVersion = 0;
    std::uint32_t dwServiceMask = 0;
    std::uint32_t dwReserved1 = 0;
    std::uint32_t dwMaxTxQueue = 0;
    std::uint32_t dwMaxRxQueue = 0;
    std::uint32_t dwMaxBaud = 0;
    std::uint32_t dwProvSubType = 0;
    std::uint32_t dwProvCapabilities = 0;
    std::uint32_t dwSettableParams = 0;
    std::uint32_t dwSettableBaud = 0;
    std::uint16_t wSettableData = 0;
    std::uint16_t wSettableStopParity = 0;
    std::uint32_t dwCurrentTxQueue = 0;
    std::uint32_t dwCurrentRxQueue = 0;
    std::uint32_t dwProvSpec1 = 0;
    std::uint32_t dwProvSpec2 = 0;
    std::uint32_t wcProvChar = 0;
};

enum class TSlThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Line settings of the port, in declaration order; the platform value of each entry is given by the
// functions below.
enum class TSlBaudrate {
    brUser,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum class TSlParity { paNone, paOdd, paEven, paMark, paSpace };
enum class TSlDatabits { db4, db5, db6, db7, db8 };
enum class TSlStopbits { sb1, sb15, sb2 };
enum class TSlControlDtr { dtrDisabled, dtrEnabled, dtrHandshake };
enum class TSlControlRts { rtsDisabled, rtsEnabled, rtsHandshake, rtsToggle };

// Options and the monitored events are sets: one bit per element, in declaration order.
enum class TSlCommOption : std::uint8_t { coErrorChar, coNullStrip, coParityCheck };
using TSlCommOptions = std::uint8_t;

enum class TSlCommEvent : std::uint8_t {
    ceBreak,
    ceCts,
    ceDsr,
    ceError,
    ceRing,
    ceRlsd,
    ceRxChar,
    ceRxFlag,
    ceTxEmpty,
    cePErr,
    ceRx80Full,
    ceEvent1,
    ceEvent2
};
using TSlCommEvents = std::uint16_t;

constexpr TSlCommOptions SlOption(TSlCommOption Option) {
    return TSlCommOptions(1u << unsigned(Option));
}
constexpr TSlCommEvents SlEvent(TSlCommEvent Event) {
    return TSlCommEvents(1u << unsigned(Event));
}
template <typename... Events>
constexpr TSlCommEvents SlEvents(Events... events) {
    return TSlCommEvents((SlEvent(events) | ... | 0));
}

// Platform values of the enumerations.
std::uint32_t BaudrateValue(TSlBaudrate Rate);  // brUser gives 0: its rate is UserBaudrate
std::uint8_t ParityValue(TSlParity Parity);
std::uint8_t DatabitsValue(TSlDatabits Databits);
std::uint8_t StopbitsValue(TSlStopbits Stopbits);
std::uint32_t ControlDtrBits(TSlControlDtr Control);
std::uint32_t ControlRtsBits(TSlControlRts Control);
std::uint32_t CommOptionBit(TSlCommOption Option);
std::uint32_t CommEventBit(TSlCommEvent Event);
std::uint32_t EventMaskOf(TSlCommEvents Events);  // OR of the platform bits of the set's elements
