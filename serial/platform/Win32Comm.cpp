// The serial device on Windows: kernel32's communications functions, opened for overlapped transfers.
// Every transfer or wait that a call starts is finished (completed, or cancelled and then completed) before
// the call returns, so no overlapped record or buffer is released while the system may still write to it.

#include "serial/SlObjects.h"
#include "serial/platform/SlPlatform.h"
#include "serial/platform/Win32Error.h"

#include <algorithm>
#include <cctype>
#include <vector>

TSlDevice::~TSlDevice() {
    SlPlatform::CloseHandle(*this);
}

namespace SlPlatform {

using Win32::Fail;

namespace {

// "COM10" and above are reachable only through the device namespace; any other name is used as it is.
std::string DevicePath(const std::string& Name) {
    if (Name.size() > 3 && Name.find('\\') == std::string::npos &&
        std::equal(Name.begin(), Name.begin() + 3, "COM",
                   [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; })) {
        return "\\\\.\\" + Name;
    }
    return Name;
}

HANDLE HandleOf(TSlDevice& Device) {
    std::lock_guard lock(Device.Lock);
    return Device.Handle;
}

void ToPlatform(const TSlDCB& Record, DCB& dcb) {
    dcb = DCB{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = Record.BaudRate;
    dcb.fBinary = (Record.Flags & DCB_fBinary) != 0;
    dcb.fParity = (Record.Flags & DCB_fParity) != 0;
    dcb.fOutxCtsFlow = (Record.Flags & DCB_fOutxCtsFlow) != 0;
    dcb.fOutxDsrFlow = (Record.Flags & DCB_fOutxDsrFlow) != 0;
    dcb.fDtrControl = (Record.Flags & DCB_fDtrControlMask) >> 4;
    dcb.fDsrSensitivity = (Record.Flags & DCB_fDsrSensitivity) != 0;
    dcb.fTXContinueOnXoff = (Record.Flags & DCB_fTXContinueOnXoff) != 0;
    dcb.fOutX = (Record.Flags & DCB_fOutX) != 0;
    dcb.fInX = (Record.Flags & DCB_fInX) != 0;
    dcb.fErrorChar = (Record.Flags & DCB_fErrorChar) != 0;
    dcb.fNull = (Record.Flags & DCB_fNull) != 0;
    dcb.fRtsControl = (Record.Flags & DCB_fRtsControlMask) >> 12;
    dcb.XonLim = Record.XonLim;
    dcb.XoffLim = Record.XoffLim;
    dcb.ByteSize = Record.ByteSize;
    dcb.Parity = Record.Parity;
    dcb.StopBits = Record.StopBits;
    dcb.XonChar = Record.XonChar;
    dcb.XoffChar = Record.XoffChar;
    dcb.ErrorChar = Record.ErrorChar;
    dcb.EofChar = Record.EofChar;
    dcb.EvtChar = Record.EvtChar;
}

TSlDCB FromPlatform(const DCB& dcb) {
    TSlDCB record;
    record.BaudRate = dcb.BaudRate;
    record.Flags = (dcb.fBinary ? DCB_fBinary : 0) | (dcb.fParity ? DCB_fParity : 0) |
                   (dcb.fOutxCtsFlow ? DCB_fOutxCtsFlow : 0) | (dcb.fOutxDsrFlow ? DCB_fOutxDsrFlow : 0) |
                   (std::uint32_t(dcb.fDtrControl) << 4) | (dcb.fDsrSensitivity ? DCB_fDsrSensitivity : 0) |
                   (dcb.fTXContinueOnXoff ? DCB_fTXContinueOnXoff : 0) | (dcb.fOutX ? DCB_fOutX : 0) |
                   (dcb.fInX ? DCB_fInX : 0) | (dcb.fErrorChar ? DCB_fErrorChar : 0) | (dcb.fNull ? DCB_fNull : 0) |
                   (std::uint32_t(dcb.fRtsControl) << 12);
    record.XonLim = dcb.XonLim;
    record.XoffLim = dcb.XoffLim;
    record.ByteSize = dcb.ByteSize;
    record.Parity = dcb.Parity;
    record.StopBits = dcb.StopBits;
    record.XonChar = dcb.XonChar;
    record.XoffChar = dcb.XoffChar;
    record.ErrorChar = dcb.ErrorChar;
    record.EofChar = dcb.EofChar;
    record.EvtChar = dcb.EvtChar;
    return record;
}

// How often a pending event wait makes sure the device is still there: Wine never ends the wait of a device
// that has gone, so without a look now and then the link would not notice until it next writes.
constexpr DWORD kDeviceCheckMs = 1000;

// Cancels the transfer of Overlapped if it is still running and waits until the system is done with it. An
// event wait is also released by setting the mask again, because Wine ignores the cancel of one.
void CancelAndFinish(TSlDevice& Device, OVERLAPPED& Overlapped, bool EventWait = false) {
    while (!HasOverlappedIoCompleted(&Overlapped)) {
        {
            std::lock_guard lock(Device.Lock);
            if (Device.Handle != INVALID_HANDLE_VALUE) {
                ::CancelIoEx(Device.Handle, &Overlapped);
                if (EventWait) {
                    ::SetCommMask(Device.Handle, Device.Mask);
                }
            }
        }
        ::WaitForSingleObject(Overlapped.hEvent, 100);  // closing the handle also ends the transfer
    }
}

// Whether the device still answers; on failure, its error is the thread's last error. Asks for the modem
// status, which has no side effect (ClearCommError would take line errors from the link).
bool DeviceAnswers(HANDLE Handle) {
    DWORD status = 0;
    const bool ok = ::GetCommModemStatus(Handle, &status);
    return ok || Fail();
}

// Waits for the end of a started transfer, for an interrupt, or for the time-out.
TSlTransferOutcome FinishTransfer(TSlDevice& Device, HANDLE Handle, OVERLAPPED& Overlapped, std::uint32_t TimeoutMs,
                                  std::span<TSlEvent* const> Interrupts, int& Done, int& Interrupted) {
    std::vector<HANDLE> waits = {Overlapped.hEvent};
    for (TSlEvent* interrupt : Interrupts) {
        waits.push_back(interrupt->Handle().Handle);
    }
    const DWORD result = ::WaitForMultipleObjects(DWORD(waits.size()), waits.data(), FALSE, TimeoutMs);
    DWORD moved = 0;
    if (result == WAIT_OBJECT_0) {
        if (!::GetOverlappedResult(Handle, &Overlapped, &moved, FALSE)) {
            Fail();
            return TSlTransferOutcome::Failed;
        }
        Done = int(moved);
        return TSlTransferOutcome::Completed;
    }
    CancelAndFinish(Device, Overlapped);
    ::GetOverlappedResult(Handle, &Overlapped, &moved, FALSE);
    Done = int(moved);
    if (result > WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + waits.size()) {
        Interrupted = int(result - WAIT_OBJECT_0 - 1);
        return TSlTransferOutcome::Interrupted;
    }
    if (result == WAIT_TIMEOUT) {
        return TSlTransferOutcome::TimedOut;
    }
    Fail();
    return TSlTransferOutcome::Failed;
}

}  // namespace

std::shared_ptr<TSlDevice> CreateFile(const std::string& Name) {
    const HANDLE handle = ::CreateFileA(DevicePath(Name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        Fail();
        return nullptr;
    }
    auto device = std::make_shared<TSlDevice>();
    device->Handle = handle;
    return device;
}

void CloseHandle(TSlDevice& Device) {
    std::lock_guard lock(Device.Lock);
    if (Device.Handle != INVALID_HANDLE_VALUE) {
        ::CloseHandle(Device.Handle);
        Device.Handle = INVALID_HANDLE_VALUE;
    }
}

bool IsOpen(const TSlDevice& Device) {
    return Device.Handle != INVALID_HANDLE_VALUE;
}

bool SetCommState(TSlDevice& Device, const TSlDCB& Record) {
    DCB dcb;
    ToPlatform(Record, dcb);
    return ::SetCommState(HandleOf(Device), &dcb) || Fail();
}

bool GetDefaultCommConfig(const std::string& Name, TSlDCB& Record) {
    COMMCONFIG config{};
    config.dwSize = sizeof config;
    DWORD size = sizeof config;
    if (!::GetDefaultCommConfigA(Name.c_str(), &config, &size)) {
        return Fail();
    }
    Record = FromPlatform(config.dcb);
    return true;
}

bool SetupComm(TSlDevice& Device, std::uint32_t InQueue, std::uint32_t OutQueue) {
    return ::SetupComm(HandleOf(Device), InQueue, OutQueue) || Fail();
}

bool SetCommTimeouts(TSlDevice& Device) {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    return ::SetCommTimeouts(HandleOf(Device), &timeouts) || Fail();
}

bool SetCommMask(TSlDevice& Device, std::uint32_t Mask) {
    Device.Mask = Mask;
    return ::SetCommMask(HandleOf(Device), Mask) || Fail();
}

bool ClearCommError(TSlDevice& Device, TSlCommStatus& Status) {
    DWORD errors = 0;
    COMSTAT stat{};
    if (!::ClearCommError(HandleOf(Device), &errors, &stat)) {
        // A device that has gone is one input/output error, reported once, as the line's own errors are.
        if (Device.Gone && !Device.GoneReported.exchange(true)) {
            Status = TSlCommStatus{};
            Status.Errors = CE_IOE;
            return true;
        }
        return Fail();
    }
    Status.Errors = errors;
    Status.Stat.Flags = (stat.fCtsHold ? 0x1 : 0) | (stat.fDsrHold ? 0x2 : 0) | (stat.fRlsdHold ? 0x4 : 0) |
                        (stat.fXoffHold ? 0x8 : 0) | (stat.fXoffSent ? 0x10 : 0) | (stat.fEof ? 0x20 : 0) |
                        (stat.fTxim ? 0x40 : 0);
    Status.Stat.cbInQue = stat.cbInQue;
    Status.Stat.cbOutQue = stat.cbOutQue;
    return true;
}

bool PurgeComm(TSlDevice& Device, std::uint32_t Flags) {
    return ::PurgeComm(HandleOf(Device), Flags) || Fail();
}

bool EscapeCommFunction(TSlDevice& Device, std::uint32_t Function) {
    return ::EscapeCommFunction(HandleOf(Device), Function) || Fail();
}

bool GetCommModemStatus(TSlDevice& Device, std::uint32_t& Status) {
    DWORD status = 0;
    if (!::GetCommModemStatus(HandleOf(Device), &status)) {
        return Fail();
    }
    Status = status;
    return true;
}

bool GetCommProperties(TSlDevice& Device, TSlCommProp& Properties) {
    COMMPROP prop{};
    if (!::GetCommProperties(HandleOf(Device), &prop)) {
        return Fail();
    }
    Properties.wPacketLength = prop.wPacketLength;
    Properties.wPacketVersion = prop.wPacketVersion;
    Properties.dwServiceMask = prop.dwServiceMask;
    Properties.dwReserved1 = prop.dwReserved1;
    Properties.dwMaxTxQueue = prop.dwMaxTxQueue;
    Properties.dwMaxRxQueue = prop.dwMaxRxQueue;
    Properties.dwMaxBaud = prop.dwMaxBaud;
    Properties.dwProvSubType = prop.dwProvSubType;
    Properties.dwProvCapabilities = prop.dwProvCapabilities;
    Properties.dwSettableParams = prop.dwSettableParams;
    Properties.dwSettableBaud = prop.dwSettableBaud;
    Properties.wSettableData = prop.wSettableData;
    Properties.wSettableStopParity = prop.wSettableStopParity;
    Properties.dwCurrentTxQueue = prop.dwCurrentTxQueue;
    Properties.dwCurrentRxQueue = prop.dwCurrentRxQueue;
    Properties.dwProvSpec1 = prop.dwProvSpec1;
    Properties.dwProvSpec2 = prop.dwProvSpec2;
    Properties.wcProvChar = prop.wcProvChar[0];
    return true;
}

TSlWaitOutcome WaitCommEvent(TSlDevice& Device, TSlEvent& IoEvent, TSlEvent& Wake, std::uint32_t& Events) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = IoEvent.Handle().Handle;
    ::ResetEvent(overlapped.hEvent);  // set again only when this operation ends
    DWORD occurred = 0;
    const HANDLE handle = HandleOf(Device);
    if (handle == INVALID_HANDLE_VALUE) {
        Fail(ERROR_INVALID_HANDLE);
        return TSlWaitOutcome::Failed;
    }
    if (::WaitCommEvent(handle, &occurred, &overlapped)) {
        Events = occurred;
        return TSlWaitOutcome::Occurred;
    }
    if (::GetLastError() != ERROR_IO_PENDING) {
        Fail();
        Device.Gone = true;  // a device that refuses a wait has gone (21 under Wine once the line hung up)
        return TSlWaitOutcome::Failed;
    }
    const HANDLE waits[] = {overlapped.hEvent, Wake.Handle().Handle};
    DWORD result = WAIT_TIMEOUT;
    while ((result = ::WaitForMultipleObjects(2, waits, FALSE, kDeviceCheckMs)) == WAIT_TIMEOUT) {
        if (!DeviceAnswers(handle)) {
            Device.Gone = true;
            const TSlLastError gone = LastError();
            CancelAndFinish(Device, overlapped, true);
            Fail(gone.Code);
            return TSlWaitOutcome::Failed;
        }
    }
    if (result == WAIT_OBJECT_0) {
        DWORD unused = 0;
        if (!::GetOverlappedResult(handle, &overlapped, &unused, FALSE)) {
            // An aborted wait (a new mask, a purge; Wine's way of ending it) is a wake-up while the device
            // answers; a device that has gone ends its waits the same way.
            const DWORD code = ::GetLastError();
            if (code == ERROR_OPERATION_ABORTED && DeviceAnswers(handle)) {
                return TSlWaitOutcome::Woken;
            }
            Device.Gone = true;
            if (code != ERROR_OPERATION_ABORTED) {
                Fail(code);
            }
            return TSlWaitOutcome::Failed;
        }
        if (occurred == 0) {
            return TSlWaitOutcome::Woken;  // the mask was set again during the wait
        }
        Events = occurred;
        return TSlWaitOutcome::Occurred;
    }
    // Woken (or the wait failed): the system must be done with `occurred` and the record before they go.
    CancelAndFinish(Device, overlapped, true);
    if (result == WAIT_OBJECT_0 + 1) {
        return TSlWaitOutcome::Woken;
    }
    Fail();
    return TSlWaitOutcome::Failed;
}

TSlTransferOutcome ReadFile(TSlDevice& Device, void* Data, int Count, TSlEvent& IoEvent, std::uint32_t TimeoutMs,
                            int& Done) {
    Done = 0;
    const HANDLE handle = HandleOf(Device);
    // Only what is queued is asked for: the time-outs promise that a read ends at once with that, but under
    // Wine a read asking for more stays pending until the time-out.
    DWORD errors = 0;
    COMSTAT stat{};
    if (!::ClearCommError(handle, &errors, &stat)) {
        Fail();
        return TSlTransferOutcome::Failed;
    }
    const DWORD wanted = std::min(DWORD(std::max(Count, 0)), stat.cbInQue);
    if (wanted == 0) {
        return TSlTransferOutcome::Completed;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = IoEvent.Handle().Handle;
    ::ResetEvent(overlapped.hEvent);  // set again only when this operation ends
    DWORD moved = 0;
    if (::ReadFile(handle, Data, wanted, &moved, &overlapped)) {
        Done = int(moved);
        return TSlTransferOutcome::Completed;
    }
    if (::GetLastError() != ERROR_IO_PENDING) {
        Fail();
        return TSlTransferOutcome::Failed;
    }
    int interrupted = -1;
    return FinishTransfer(Device, handle, overlapped, TimeoutMs, {}, Done, interrupted);
}

TSlTransferOutcome WriteFile(TSlDevice& Device, const void* Data, int Count, TSlEvent& IoEvent, std::uint32_t TimeoutMs,
                             std::span<TSlEvent* const> Interrupts, int& Done, int& Interrupted) {
    Done = 0;
    Interrupted = -1;
    OVERLAPPED overlapped{};
    overlapped.hEvent = IoEvent.Handle().Handle;
    ::ResetEvent(overlapped.hEvent);  // set again only when this operation ends
    const HANDLE handle = HandleOf(Device);
    DWORD moved = 0;
    if (::WriteFile(handle, Data, DWORD(std::max(Count, 0)), &moved, &overlapped)) {
        Done = int(moved);
        return TSlTransferOutcome::Completed;
    }
    if (::GetLastError() != ERROR_IO_PENDING) {
        Fail();
        return TSlTransferOutcome::Failed;
    }
    return FinishTransfer(Device, handle, overlapped, TimeoutMs, Interrupts, Done, Interrupted);
}

std::vector<std::string> ListPortNames() {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return names;
    }
    for (DWORD index = 0;; ++index) {
        char valueName[256];
        DWORD valueNameSize = sizeof valueName;
        char data[256] = {};
        DWORD dataSize = sizeof data - 1;
        DWORD type = 0;
        if (::RegEnumValueA(key, index, valueName, &valueNameSize, nullptr, &type, reinterpret_cast<BYTE*>(data),
                            &dataSize) != ERROR_SUCCESS) {
            break;
        }
        if (type == REG_SZ) {
            names.emplace_back(data);
        }
    }
    ::RegCloseKey(key);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;  // COM2 before COM10
    });
    return names;
}

}  // namespace SlPlatform
