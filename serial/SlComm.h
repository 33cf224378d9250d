#pragma once

// The serial port component: one device, configured through properties, opened and closed on demand,
// written directly or through a write thread, watched by an event thread that hands every event to the
// main thread. Every platform failure raises ESlCommError with a fixed English message.
//
// Thread: every call on the main thread (the thread that runs the ISlMainThreadCaller's tasks); handlers
// and clients are called there too. Received bytes reach clients (TSlCommComponent, such as TSlBuffer) only
// while the main thread runs the caller's tasks.

#include "serial/SlClasses.h"
#include "serial/SlPrst.h"
#include "serial/SlTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class ISlClock;
class ISlMainThreadCaller;
class TSlCommEventThread;
class TSlCommWriteThread;
class TSlCriticalSection;
class TSlDispatcher;
class TSlWaitEvent;
struct TSlDevice;

class TSlCustomComm;

// A status display attached to a port, refreshed before each event (not owned; detach it before it goes).
class ISlCommDisplay {
public:
    virtual void Refresh(TSlCustomComm& Comm) = 0;

protected:
    ~ISlCommDisplay() = default;
};

using TSlNotifyEvent = std::function<void(TSlComponent* Sender)>;
using TSlCommErrorEvent = std::function<void(TSlComponent* Sender, int Errors)>;
using TSlCommRxCharEvent = std::function<void(TSlComponent* Sender, int Count)>;
// Data is valid only during the call.
using TSlCommRxBufEvent = std::function<void(TSlComponent* Sender, const void* Data, int Count)>;

class TSlCustomComm : public TSlComponent {
public:
    // MainThread runs the worker threads' hand-overs; it must not be null.
    TSlCustomComm(TSlComponent* Owner, std::shared_ptr<ISlMainThreadCaller> MainThread);
    ~TSlCustomComm() override;

    // Opens the device named by GetDeviceName and applies every setting; raises ESlCommError and stays closed
    // when that fails. Received bytes then flow to the clients.
    void Open();
    // Nothing when closed; else stops the threads (without waiting), closes the device, raises OnClose and
    // pauses 300 ms on the port's clock.
    void Close();
    bool Active() const;
    void CheckOpen() const;  // raises "Can't perform this operation while port is open" when open
    std::string GetDeviceName() const;

    // Writing: the count written (0 when closed, or when a direct write did not finish within
    // Buffers.WriteTimeout milliseconds; the port stays open then).
    int WriteBuf(const void* Data, int Count);
    bool WriteText(std::string_view Text);
    bool WriteChar(char Ch);

    // Reading what the device has queued; reads never wait for data.
    int ReadBuf(void* Data, int Count);
    std::string ReadText();
    bool ReadChar(char& Ch);
    int ReadBufUsed();
    int ReadBufFree();
    int WriteBufUsed();
    int WriteBufFree();

    void PurgeBuffers(std::uint32_t Flags);
    void PurgeRead() { PurgeBuffers(PURGE_RXABORT | PURGE_RXCLEAR); }
    void PurgeWrite() { PurgeBuffers(PURGE_TXABORT | PURGE_TXCLEAR); }
    void PurgeReadWrite() { PurgeBuffers(PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR); }

    void SetDTR(bool State);
    void SetRTS(bool State);
    void SetBreak(bool State);
    void SetXon(bool State);
    void ResetDev();

    void GetCommStatus(TSlCommStatus& Status);  // reads and clears the device's pending line-error bits
    bool GetComStat(int Index);                 // hold flag Index (1 .. 8)
    bool GetModemStatus(int Index);             // 1 CTS, 2 DSR, 3 RING, 4 RLSD
    void GetProperties();
    const TSlCommProp& CommProp() const { return CommProp_; }
    bool ClearLineErrors();

    void WriteLock();
    void WriteUnlock();
    void GlobalLock();
    void GlobalUnlock();

    // Raise the platform-error exception: Fmt filled with the last error's code (%d) and text (%s).
    [[noreturn]] void Error(std::string_view Fmt) const;
    void Watch(bool Ok, std::string_view Fmt) const;

    // Line settings: the record SetDCB sends, sending it, and taking settings from a record.
    TSlDCB BuildDCB() const;
    void SetDCB();
    void ReadDCB(const TSlDCB& Record);
    void ResetPortParameters();

    // The serial ports present, for the user to choose from: on Linux the ports folder's COM names and the
    // device paths (/dev/ttyUSB0, ...), on Windows the COM names.
    static void GetComPortNames(std::vector<std::string>& List);

    // Clients (main thread).
    void EnableControls() { ControlsEnabled_ = true; }
    void DisableControls() { ControlsEnabled_ = false; }
    bool ControlsEnabled() const { return ControlsEnabled_; }
    void InsertClient(TSlDispatcher* Dispatcher);
    void RemoveClient(TSlDispatcher* Dispatcher);
    void DestroyClients();
    const std::vector<TSlDispatcher*>& Clients() const { return Clients_; }

    virtual void HandleDataEvent();
    virtual void WriteBuffer(const void* Data, int Count);
    virtual void HandleLineEvent(std::uint32_t Events);
    virtual void WriteEvents(std::uint32_t Events);
    void UpdateDisplay();

    // Properties.
    bool AutoOpen() const { return AutoOpen_; }
    void SetAutoOpen(bool Value) { AutoOpen_ = Value; }
    TSlPortInt PortNum() const { return PortNum_; }
    void SetPortNum(TSlPortInt Value);
    const std::string& DeviceName() const { return DeviceName_; }
    void SetDeviceName(const std::string& Value);
    TSlCommEvents MonitorEvents() const { return MonitorEvents_; }
    void SetMonitorEvents(TSlCommEvents Value);
    TSlBuffers& Buffers() { return *Buffers_; }
    void SetBuffers(const TSlBuffers& Value);
    TSlThreadPriority EventPriority() const { return EventPriority_; }
    void SetEventPriority(TSlThreadPriority Value);
    TSlThreadPriority WritePriority() const { return WritePriority_; }
    void SetWritePriority(TSlThreadPriority Value);
    bool DirectWrite() const { return DirectWrite_; }
    void SetDirectWrite(bool Value);
    TSlBaudrate Baudrate() const { return Baudrate_; }
    void SetBaudrate(TSlBaudrate Value);
    TSlParity Parity() const { return Parity_; }
    void SetParity(TSlParity Value);
    TSlDatabits Databits() const { return Databits_; }
    void SetDatabits(TSlDatabits Value);
    TSlStopbits Stopbits() const { return Stopbits_; }
    void SetStopbits(TSlStopbits Value);
    TSlCommOptions Options() const { return Options_; }
    void SetOptions(TSlCommOptions Value);
    TSlFlowControl& FlowControl() { return *FlowControl_; }
    void SetFlowControl(const TSlFlowControl& Value) { FlowControl_->Assign(Value); }
    TSlEventChars& EventChars() { return *EventChars_; }
    void SetEventChars(const TSlEventChars& Value) { EventChars_->Assign(Value); }
    bool UpdateDCB() const { return UpdateDCB_; }
    void SetUpdateDCB(bool Value);
    std::int32_t UserBaudrate() const { return UserBaudrate_; }
    void SetUserBaudrate(std::int32_t Value);
    ISlCommDisplay* Display() const { return Display_; }
    void SetDisplay(ISlCommDisplay* Value) { Display_ = Value; }
    // The clock of the port's pauses: the system's (SlSystemClock) unless set otherwise; never null.
    ISlClock& Clock() const { return *Clock_; }
    void SetClock(std::shared_ptr<ISlClock> Value);

    // The platform event mask computed at the last Open, and the running worker threads (none when closed).
    std::uint32_t EventMask() const { return EventMask_; }
    std::shared_ptr<TSlCommEventThread> EventThread() const { return EventThread_; }
    std::shared_ptr<TSlCommWriteThread> WriteThread() const { return WriteThread_; }

    void Loaded() override;

    TSlNotifyEvent OnOpen;
    TSlNotifyEvent OnClose;
    TSlNotifyEvent OnCts;
    TSlNotifyEvent OnDsr;
    TSlNotifyEvent OnRlsd;
    TSlNotifyEvent OnRing;
    TSlNotifyEvent OnBreak;
    TSlCommErrorEvent OnError;
    TSlCommRxCharEvent OnRxChar;
    TSlNotifyEvent OnRxFlag;
    TSlCommRxBufEvent OnRxBuf;
    TSlNotifyEvent OnTxEmpty;
    TSlNotifyEvent OnPErr;
    TSlNotifyEvent OnRx80Full;
    TSlNotifyEvent OnEvent1;
    TSlNotifyEvent OnEvent2;

protected:
    virtual void CreateHandle();
    virtual void CreateThreads();

private:
    void DestroyThreads();
    void DestroyHandle();
    void UpdateBuffers();
    void UpdateTimeouts();
    void UpdateEventMask();
    void DoOpen();
    void DoClose();
    void EscapeComm(std::uint32_t Function);
    void PassToApplication() const;  // the exception being handled goes to the application's handler

    std::shared_ptr<TSlDevice> Handle_;
    std::shared_ptr<TSlCriticalSection> WriteSection_;  // shared with the write thread, which may outlive us
    std::unique_ptr<TSlCriticalSection> GlobalSection_;
    TSlCommProp CommProp_;
    std::unique_ptr<TSlWaitEvent> IoEvent_;
    std::shared_ptr<TSlCommEventThread> EventThread_;
    std::shared_ptr<TSlCommWriteThread> WriteThread_;
    std::uint32_t EventMask_ = 0;
    bool AutoOpen_ = false;
    TSlPortInt PortNum_ = 0;
    std::string DeviceName_ = "COM%d";
    TSlCommEvents MonitorEvents_ = SlEvents(TSlCommEvent::ceError, TSlCommEvent::ceRxChar, TSlCommEvent::ceTxEmpty);
    std::unique_ptr<TSlBuffers> Buffers_;
    TSlThreadPriority EventPriority_ = TSlThreadPriority::tpNormal;
    TSlThreadPriority WritePriority_ = TSlThreadPriority::tpHighest;
    bool DirectWrite_ = false;
    bool ControlsEnabled_ = true;
    std::vector<TSlDispatcher*> Clients_;
    TSlBaudrate Baudrate_ = TSlBaudrate::br1200;
    TSlParity Parity_ = TSlParity::paNone;
    TSlDatabits Databits_ = TSlDatabits::db8;
    TSlStopbits Stopbits_ = TSlStopbits::sb1;
    TSlCommOptions Options_ = 0;
    std::unique_ptr<TSlFlowControl> FlowControl_;
    std::unique_ptr<TSlEventChars> EventChars_;
    bool UpdateDCB_ = true;
    std::int32_t UserBaudrate_ = 0;
    ISlCommDisplay* Display_ = nullptr;
    std::shared_ptr<ISlMainThreadCaller> MainThread_;
    std::shared_ptr<ISlClock> Clock_;
};

// The port as it is placed on a form: every property is public already.
class TSlComm : public TSlCustomComm {
public:
    using TSlCustomComm::TSlCustomComm;
};
