#include "serial/SlComm.h"

#include "serial/SlClock.h"
#include "serial/SlCommComponent.h"
#include "serial/SlCommEventThread.h"
#include "serial/SlCommWriteThread.h"
#include "serial/SlFormat.h"
#include "serial/SlMainThread.h"
#include "serial/SlObjects.h"
#include "serial/platform/SlPlatform.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

constexpr std::string_view kDeviceNotFoundText = "Specified device not found (%s).";
constexpr std::string_view kCantOpenText = "Can't open specified device %s (Error %d, %s)";
constexpr std::string_view kPortOpenText = "Can't perform this operation while port is open";
constexpr std::string_view kPortClosedText = "Can't perform this operation while port is closed";
constexpr std::string_view kWriteDcbText = "Error writing dcb (%d), %s";
constexpr std::string_view kInitBuffersText = "Error initializing buffers (%d), %s";
constexpr std::string_view kTimeoutsText = "Error setting timeouts (%d), %s";
constexpr std::string_view kEventMaskText = " Error setting EventMask (%d), %s";
constexpr std::string_view kWriteErrorText = "Write error (%d), %s";
constexpr std::string_view kOutputFullText = "Output buffer is full. Please check comm status.";
constexpr std::string_view kReadErrorText = "Read error (%d), %s";
constexpr std::string_view kStatisticsText = "Error retrieving statistics (%d), %s";
constexpr std::string_view kClearBuffersText = "Error clearing buffers (%d), %s";
constexpr std::string_view kCommFunctionText = "Error calling comm function (%d), %s";
constexpr std::string_view kDtrRefusedText = "DTR line updates not allowed when flowcontrol is set to Handshake.";
constexpr std::string_view kRtsRefusedText =
    "RTS line updates not allowed when flowcontrol is set to Handshake or Toggle.";
constexpr std::string_view kModemStateText = "Error reading modem state (%d), %s";
constexpr std::string_view kPropertiesText = "Error reading port properties (%d), %s";
constexpr std::string_view kDefaultParametersText = "Error reading default port parameters.";

constexpr std::size_t kSystemTextLimit = 256;
constexpr std::uint32_t kClosePauseMs = 300;
constexpr std::uint32_t kPurgeReadOnly = PURGE_RXABORT | PURGE_RXCLEAR;

// The system's text for an error, as the messages want it: at most 256 characters, without trailing blanks,
// control characters and full stops.
std::string CleanSystemText(std::string Text) {
    if (Text.size() > kSystemTextLimit) {
        Text.resize(kSystemTextLimit);
    }
    while (!Text.empty() && (static_cast<unsigned char>(Text.back()) <= ' ' || Text.back() == '.')) {
        Text.pop_back();
    }
    return Text;
}

// Releases a lock when the scope ends, also when an exception passes.
class TLockScope {
public:
    TLockScope(TSlCustomComm& Comm, void (TSlCustomComm::*Lock)(), void (TSlCustomComm::*Unlock)())
        : Comm_(Comm), Unlock_(Unlock) {
        (Comm_.*Lock)();
    }
    ~TLockScope() { (Comm_.*Unlock_)(); }
    TLockScope(const TLockScope&) = delete;
    TLockScope& operator=(const TLockScope&) = delete;

private:
    TSlCustomComm& Comm_;
    void (TSlCustomComm::*Unlock_)();
};

TLockScope GlobalScope(TSlCustomComm& Comm) {
    return TLockScope(Comm, &TSlCustomComm::GlobalLock, &TSlCustomComm::GlobalUnlock);
}

TLockScope WriteScope(TSlCustomComm& Comm) {
    return TLockScope(Comm, &TSlCustomComm::WriteLock, &TSlCustomComm::WriteUnlock);
}

}  // namespace

TSlCustomComm::TSlCustomComm(TSlComponent* Owner, std::shared_ptr<ISlMainThreadCaller> MainThread)
    : TSlComponent(Owner),
      WriteSection_(std::make_shared<TSlCriticalSection>()),
      GlobalSection_(std::make_unique<TSlCriticalSection>()),
      IoEvent_(std::make_unique<TSlWaitEvent>()),
      Buffers_(std::make_unique<TSlBuffers>()),
      FlowControl_(std::make_unique<TSlFlowControl>()),
      EventChars_(std::make_unique<TSlEventChars>()),
      MainThread_(std::move(MainThread)),
      Clock_(SlSystemClock()) {
    if (!MainThread_) {
        throw std::invalid_argument("A port needs a main-thread caller");
    }
    Buffers_->OnChange = [this](TSlPersistent*) { CheckOpen(); };
    EventChars_->OnChange = [this](TSlPersistent*) { SetDCB(); };
    FlowControl_->OnChange = [this](TSlPersistent*) { SetDCB(); };
}

TSlCustomComm::~TSlCustomComm() {
    NotifyRemoval();
    try {
        Close();
    } catch (...) {
        // A destructor has nobody to tell; the device is closed all the same.
    }
    DestroyClients();
}

void TSlCustomComm::Open() {
    CheckOpen();
    CreateHandle();
    try {
        SetDCB();
        UpdateBuffers();
        UpdateTimeouts();
        UpdateEventMask();
        CreateThreads();
    } catch (...) {
        // A thread already started must not run on against the closed device.
        DestroyThreads();
        DestroyHandle();
        throw;
    }
    DoOpen();
}

void TSlCustomComm::Close() {
    if (!Active()) {
        return;
    }
    {
        auto lock = GlobalScope(*this);
        DestroyThreads();
    }
    DestroyHandle();
    DoClose();
    Clock_->Sleep(kClosePauseMs);
}

bool TSlCustomComm::Active() const {
    return Handle_ != nullptr;
}

void TSlCustomComm::CheckOpen() const {
    if (Active()) {
        throw ESlCommError(std::string(kPortOpenText));
    }
}

std::string TSlCustomComm::GetDeviceName() const {
    // Only the first "%d" takes the port number; any other directive of the user's text stays as it is.
    std::string name;
    bool numbered = false;
    for (std::size_t i = 0; i < DeviceName_.size(); ++i) {
        const char next = i + 1 < DeviceName_.size() ? DeviceName_[i + 1] : '\0';
        if (DeviceName_[i] == '%' && next == '%') {
            name += '%';
            ++i;
        } else if (DeviceName_[i] == '%' && next == 'd' && !numbered) {
            name += std::to_string(PortNum_);
            numbered = true;
            ++i;
        } else {
            name += DeviceName_[i];
        }
    }
    return name;
}

void TSlCustomComm::CreateHandle() {
    const std::string name = GetDeviceName();
    std::shared_ptr<TSlDevice> device = SlPlatform::CreateFile(name);
    if (!device) {
        const SlPlatform::TSlLastError error = SlPlatform::LastError();
        if (SlPlatform::IsDeviceNotFound(error.Code)) {
            throw ESlCommError(SlFormat(kDeviceNotFoundText, {name}));
        }
        throw ESlCommError(SlFormat(kCantOpenText, {name, std::to_string(error.Code), CleanSystemText(error.Text)}));
    }
    Handle_ = std::move(device);
}

void TSlCustomComm::DestroyHandle() {
    if (Handle_) {
        SlPlatform::CloseHandle(*Handle_);
        Handle_.reset();
    }
}

void TSlCustomComm::UpdateBuffers() {
    Watch(SlPlatform::SetupComm(*Handle_, std::uint32_t(Buffers_->ReadSize()), std::uint32_t(Buffers_->WriteSize())),
          kInitBuffersText);
}

void TSlCustomComm::UpdateTimeouts() {
    Watch(SlPlatform::SetCommTimeouts(*Handle_), kTimeoutsText);
}

void TSlCustomComm::UpdateEventMask() {
    EventMask_ = EventMaskOf(MonitorEvents_);
    if (!DirectWrite_) {
        EventMask_ &= ~EV_TXEMPTY;  // the write thread reports that itself
    }
    Watch(SlPlatform::SetCommMask(*Handle_, EventMask_), kEventMaskText);
}

void TSlCustomComm::CreateThreads() {
    if (EventMask_ != 0) {
        EventThread_ = std::make_shared<TSlCommEventThread>(*this, Handle_, MainThread_);
        EventThread_->SetPriority(EventPriority_);
        EventThread_->Start();
    }
    if (!DirectWrite_) {
        WriteThread_ =
            std::make_shared<TSlCommWriteThread>(*this, Handle_, WriteSection_, Buffers_->WriteSize(), MainThread_);
        WriteThread_->SetPriority(WritePriority_);
        WriteThread_->Start();
    }
}

void TSlCustomComm::DestroyThreads() {
    if (EventThread_) {
        EventThread_->StopThread();
        EventThread_.reset();
    }
    if (WriteThread_) {
        WriteThread_->StopThread();
        WriteThread_.reset();
    }
}

void TSlCustomComm::DoOpen() {
    if (OnOpen) {
        try {
            OnOpen(this);
        } catch (...) {
            PassToApplication();
        }
    }
}

void TSlCustomComm::DoClose() {
    if (OnClose && !Destroying()) {
        OnClose(this);
    }
}

void TSlCustomComm::PassToApplication() const {
    MainThread_->HandleException(std::current_exception());
}

int TSlCustomComm::WriteBuf(const void* Data, int Count) {
    if (!Active() || Count <= 0) {
        return 0;
    }
    if (!DirectWrite_) {
        if (!WriteThread_ || !WriteThread_->WriteData(Data, Count)) {
            throw ESlCommError(std::string(kOutputFullText));
        }
        return Count;
    }
    auto lock = WriteScope(*this);
    int done = 0;
    int interrupted = -1;
    const auto outcome = SlPlatform::WriteFile(*Handle_, Data, Count, *IoEvent_,
                                               std::uint32_t(Buffers_->WriteTimeout()), {}, done, interrupted);
    if (outcome == SlPlatform::TSlTransferOutcome::Failed) {
        Error(kWriteErrorText);
    }
    return outcome == SlPlatform::TSlTransferOutcome::Completed ? done : 0;
}

bool TSlCustomComm::WriteText(std::string_view Text) {
    return WriteBuf(Text.data(), int(Text.size())) == int(Text.size());
}

bool TSlCustomComm::WriteChar(char Ch) {
    return WriteBuf(&Ch, 1) == 1;
}

int TSlCustomComm::ReadBuf(void* Data, int Count) {
    if (!Active()) {
        return 0;
    }
    auto lock = GlobalScope(*this);
    int done = 0;
    const auto outcome =
        SlPlatform::ReadFile(*Handle_, Data, Count, *IoEvent_, std::uint32_t(Buffers_->ReadTimeout()), done);
    if (outcome == SlPlatform::TSlTransferOutcome::Failed) {
        Error(kReadErrorText);
    }
    return outcome == SlPlatform::TSlTransferOutcome::Completed ? done : 0;
}

std::string TSlCustomComm::ReadText() {
    const int queued = ReadBufUsed();
    if (queued <= 0) {
        return {};
    }
    std::string text(std::size_t(queued), '\0');
    text.resize(std::size_t(std::max(ReadBuf(text.data(), queued), 0)));
    return text;
}

bool TSlCustomComm::ReadChar(char& Ch) {
    return ReadBuf(&Ch, 1) == 1;
}

int TSlCustomComm::ReadBufUsed() {
    if (!Active()) {
        return 0;
    }
    TSlCommStatus status;
    GetCommStatus(status);
    return int(status.Stat.cbInQue);
}

int TSlCustomComm::ReadBufFree() {
    return Active() ? Buffers_->ReadSize() - ReadBufUsed() : 0;
}

int TSlCustomComm::WriteBufUsed() {
    if (!Active()) {
        return 0;
    }
    if (DirectWrite_) {
        TSlCommStatus status;
        GetCommStatus(status);
        return int(status.Stat.cbOutQue);
    }
    auto lock = WriteScope(*this);
    return WriteThread_ ? WriteThread_->QueuedBytes() : 0;
}

int TSlCustomComm::WriteBufFree() {
    return Active() ? Buffers_->WriteSize() - WriteBufUsed() : 0;
}

void TSlCustomComm::PurgeBuffers(std::uint32_t Flags) {
    if (!Active()) {
        return;
    }
    auto lock = GlobalScope(*this);
    if (Flags != kPurgeReadOnly && WriteThread_) {
        WriteThread_->PurgeWrite();
    }
    Watch(SlPlatform::PurgeComm(*Handle_, Flags), kClearBuffersText);
}

void TSlCustomComm::EscapeComm(std::uint32_t Function) {
    if (Active()) {
        Watch(SlPlatform::EscapeCommFunction(*Handle_, Function), kCommFunctionText);
    }
}

void TSlCustomComm::SetDTR(bool State) {
    if (FlowControl_->ControlDtr() == TSlControlDtr::dtrHandshake) {
        throw ESlCommError(std::string(kDtrRefusedText));
    }
    EscapeComm(State ? SETDTR : CLRDTR);
}

void TSlCustomComm::SetRTS(bool State) {
    const TSlControlRts control = FlowControl_->ControlRts();
    if (control == TSlControlRts::rtsHandshake || control == TSlControlRts::rtsToggle) {
        throw ESlCommError(std::string(kRtsRefusedText));
    }
    EscapeComm(State ? SETRTS : CLRRTS);
}

void TSlCustomComm::SetBreak(bool State) {
    EscapeComm(State ? SETBREAK : CLRBREAK);
}
void TSlCustomComm::SetXon(bool State) {
    EscapeComm(State ? SETXON : SETXOFF);
}
void TSlCustomComm::ResetDev() {
    EscapeComm(RESETDEV);
}

void TSlCustomComm::GetCommStatus(TSlCommStatus& Status) {
    auto lock = GlobalScope(*this);
    Status = TSlCommStatus{};
    if (Active()) {
        Watch(SlPlatform::ClearCommError(*Handle_, Status), kStatisticsText);
    }
}

bool TSlCustomComm::GetComStat(int Index) {
    TSlCommStatus status;
    GetCommStatus(status);
    return Index >= 1 && Index <= 8 && ((status.Stat.Flags >> (Index - 1)) & 1u) != 0;
}

bool TSlCustomComm::GetModemStatus(int Index) {
    if (!Active()) {
        return false;
    }
    std::uint32_t status = 0;
    Watch(SlPlatform::GetCommModemStatus(*Handle_, status), kModemStateText);
    constexpr std::array<std::uint32_t, 4> bits = {MS_CTS_ON, MS_DSR_ON, MS_RING_ON, MS_RLSD_ON};
    return Index >= 1 && Index <= 4 && (status & bits[std::size_t(Index - 1)]) != 0;
}

void TSlCustomComm::GetProperties() {
    CommProp_ = TSlCommProp{};
    if (!Active()) {
        throw ESlCommError(std::string(kPortClosedText));
    }
    Watch(SlPlatform::GetCommProperties(*Handle_, CommProp_), kPropertiesText);
}

bool TSlCustomComm::ClearLineErrors() {
    TSlCommStatus status;
    GetCommStatus(status);
    const bool any = status.Errors != 0;
    if (any && OnError) {
        try {
            OnError(this, int(status.Errors));
        } catch (...) {
            PassToApplication();
        }
    }
    return any;
}

void TSlCustomComm::WriteLock() {
    WriteSection_->Acquire();
}
void TSlCustomComm::WriteUnlock() {
    WriteSection_->Release();
}
void TSlCustomComm::GlobalLock() {
    GlobalSection_->Acquire();
}
void TSlCustomComm::GlobalUnlock() {
    GlobalSection_->Release();
}

void TSlCustomComm::Error(std::string_view Fmt) const {
    const SlPlatform::TSlLastError error = SlPlatform::LastError();
    throw ESlCommError(SlFormat(Fmt, {std::to_string(error.Code), CleanSystemText(error.Text)}));
}

void TSlCustomComm::Watch(bool Ok, std::string_view Fmt) const {
    if (!Ok) {
        Error(Fmt);
    }
}

TSlDCB TSlCustomComm::BuildDCB() const {
    TSlDCB record;
    record.BaudRate = Baudrate_ == TSlBaudrate::brUser ? std::uint32_t(UserBaudrate_) : BaudrateValue(Baudrate_);
    record.Parity = ParityValue(Parity_);
    record.StopBits = StopbitsValue(Stopbits_);
    record.ByteSize = DatabitsValue(Databits_);
    record.XonChar = EventChars_->XonChar();
    record.XoffChar = EventChars_->XoffChar();
    record.ErrorChar = EventChars_->ErrorChar();
    record.EvtChar = EventChars_->EventChar();
    record.EofChar = EventChars_->EofChar();
    record.XonLim = std::uint16_t(Buffers_->XonLimit() & 0xFFFF);
    record.XoffLim = std::uint16_t(Buffers_->XoffLimit() & 0xFFFF);
    const TSlFlowControl& flow = *FlowControl_;
    std::uint32_t flags = DCB_fBinary;
    flags |= flow.OutCtsFlow() ? DCB_fOutxCtsFlow : 0;
    flags |= flow.OutDsrFlow() ? DCB_fOutxDsrFlow : 0;
    flags |= flow.XonXoffOut() ? DCB_fOutX : 0;
    flags |= flow.XonXoffIn() ? DCB_fInX : 0;
    flags |= ControlDtrBits(flow.ControlDtr());
    flags |= ControlRtsBits(flow.ControlRts());
    flags |= flow.DsrSensitivity() ? DCB_fDsrSensitivity : 0;
    flags |= flow.TxContinueOnXoff() ? DCB_fTXContinueOnXoff : 0;
    for (TSlCommOption option :
         {TSlCommOption::coErrorChar, TSlCommOption::coNullStrip, TSlCommOption::coParityCheck}) {
        flags |= (Options_ & SlOption(option)) ? CommOptionBit(option) : 0;
    }
    record.Flags = flags;
    return record;
}

void TSlCustomComm::SetDCB() {
    if (Active() && UpdateDCB_) {
        Watch(SlPlatform::SetCommState(*Handle_, BuildDCB()), kWriteDcbText);
    }
}

void TSlCustomComm::ReadDCB(const TSlDCB& Record) {
    Baudrate_ = TSlBaudrate::brUser;
    UserBaudrate_ = std::int32_t(Record.BaudRate);
    for (int rate = int(TSlBaudrate::brUser); rate <= int(TSlBaudrate::br256000); ++rate) {
        if (BaudrateValue(TSlBaudrate(rate)) == Record.BaudRate) {
            Baudrate_ = TSlBaudrate(rate);
            UserBaudrate_ = 0;
            break;
        }
    }
    Parity_ = Record.Parity <= ParityValue(TSlParity::paSpace) ? TSlParity(Record.Parity) : TSlParity::paNone;
    Databits_ = Record.ByteSize >= 4 && Record.ByteSize <= 8 ? TSlDatabits(Record.ByteSize - 4) : TSlDatabits::db8;
    Stopbits_ = Record.StopBits <= 2 ? TSlStopbits(Record.StopBits) : TSlStopbits::sb1;

    const std::uint32_t dtr = (Record.Flags & DCB_fDtrControlMask) >> 4;
    FlowControl_->SetControlDtr(dtr >= 2 ? TSlControlDtr::dtrHandshake : TSlControlDtr(dtr));
    FlowControl_->SetControlRts(TSlControlRts((Record.Flags & DCB_fRtsControlMask) >> 12));
    FlowControl_->SetOutCtsFlow(Record.Flags & DCB_fOutxCtsFlow);
    FlowControl_->SetOutDsrFlow(Record.Flags & DCB_fOutxDsrFlow);
    FlowControl_->SetXonXoffOut(Record.Flags & DCB_fOutX);
    FlowControl_->SetXonXoffIn(Record.Flags & DCB_fInX);
    FlowControl_->SetDsrSensitivity(Record.Flags & DCB_fDsrSensitivity);
    FlowControl_->SetTxContinueOnXoff(Record.Flags & DCB_fTXContinueOnXoff);

    EventChars_->SetXonChar(Record.XonChar);
    EventChars_->SetXoffChar(Record.XoffChar);
    EventChars_->SetErrorChar(Record.ErrorChar);
    EventChars_->SetEventChar(Record.EvtChar);
    EventChars_->SetEofChar(Record.EofChar);
    Buffers_->SetXonLimit(Record.XonLim);
    Buffers_->SetXoffLimit(Record.XoffLim);

    Options_ = 0;
    for (TSlCommOption option :
         {TSlCommOption::coErrorChar, TSlCommOption::coNullStrip, TSlCommOption::coParityCheck}) {
        Options_ |= (Record.Flags & CommOptionBit(option)) ? SlOption(option) : 0;
    }
}

void TSlCustomComm::ResetPortParameters() {
    TSlDCB record;
    if (!SlPlatform::GetDefaultCommConfig(GetDeviceName(), record)) {
        throw ESlCommError(std::string(kDefaultParametersText));
    }
    ReadDCB(record);
}

void TSlCustomComm::GetComPortNames(std::vector<std::string>& List) {
    const std::vector<std::string> names = SlPlatform::ListPortNames();
    List.insert(List.end(), names.begin(), names.end());
}

void TSlCustomComm::InsertClient(TSlDispatcher* Dispatcher) {
    Dispatcher->Comm = this;
    Clients_.push_back(Dispatcher);
}

void TSlCustomComm::RemoveClient(TSlDispatcher* Dispatcher) {
    const auto found = std::find(Clients_.begin(), Clients_.end(), Dispatcher);
    if (found != Clients_.end()) {
        Dispatcher->Comm = nullptr;
        Clients_.erase(found);
    }
}

void TSlCustomComm::DestroyClients() {
    while (!Clients_.empty()) {
        RemoveClient(Clients_.back());
    }
}

void TSlCustomComm::HandleDataEvent() {
    const int queued = ReadBufUsed();
    if (queued <= 0) {
        return;
    }
    if (!Clients_.empty()) {
        std::vector<unsigned char> block(static_cast<std::size_t>(queued));
        const int got = ReadBuf(block.data(), queued);
        WriteBuffer(block.data(), got);
    } else if (OnRxChar) {
        OnRxChar(this, queued);
    }
}

void TSlCustomComm::WriteBuffer(const void* Data, int Count) {
    if (ControlsEnabled_) {
        // A client may detach itself or others while it is told: only those still attached are told.
        const std::vector<TSlDispatcher*> clients = Clients_;
        for (TSlDispatcher* client : clients) {
            if (std::find(Clients_.begin(), Clients_.end(), client) != Clients_.end()) {
                client->DataEvent(Data, Count);
            }
        }
    }
    if (OnRxBuf) {
        OnRxBuf(this, Data, Count);
    }
}

void TSlCustomComm::HandleLineEvent(std::uint32_t Events) {
    if (Events & EV_ERR) {
        ClearLineErrors();
    }
    if (!Clients_.empty()) {
        WriteEvents(Events);
    }
    const std::pair<std::uint32_t, TSlNotifyEvent*> handlers[] = {
        {EV_RXFLAG, &OnRxFlag},     {EV_CTS, &OnCts},         {EV_DSR, &OnDsr},      {EV_RING, &OnRing},
        {EV_RLSD, &OnRlsd},         {EV_TXEMPTY, &OnTxEmpty}, {EV_BREAK, &OnBreak},  {EV_PERR, &OnPErr},
        {EV_RX80FULL, &OnRx80Full}, {EV_EVENT1, &OnEvent1},   {EV_EVENT2, &OnEvent2}};
    for (const auto& [bit, handler] : handlers) {
        if ((Events & bit) && *handler) {
            (*handler)(this);
        }
    }
}

void TSlCustomComm::WriteEvents(std::uint32_t Events) {
    if (!ControlsEnabled_) {
        return;
    }
    const std::vector<TSlDispatcher*> clients = Clients_;
    for (TSlDispatcher* client : clients) {
        if (std::find(Clients_.begin(), Clients_.end(), client) != Clients_.end()) {
            client->LineEvent(Events);
        }
    }
}

void TSlCustomComm::UpdateDisplay() {
    if (Display_) {
        Display_->Refresh(*this);
    }
}

void TSlCustomComm::Loaded() {
    TSlComponent::Loaded();
    if (AutoOpen_) {
        Open();
    }
}

void TSlCustomComm::SetPortNum(TSlPortInt Value) {
    CheckOpen();
    if (Value < 0) {
        throw std::invalid_argument("PortNum must not be negative");
    }
    PortNum_ = Value;
}

void TSlCustomComm::SetDeviceName(const std::string& Value) {
    CheckOpen();
    DeviceName_ = Value;
}

void TSlCustomComm::SetMonitorEvents(TSlCommEvents Value) {
    CheckOpen();
    MonitorEvents_ = Value;
}

void TSlCustomComm::SetBuffers(const TSlBuffers& Value) {
    CheckOpen();
    Buffers_->Assign(Value);
}

void TSlCustomComm::SetEventPriority(TSlThreadPriority Value) {
    EventPriority_ = Value;
    if (EventThread_) {
        EventThread_->SetPriority(Value);
    }
}

void TSlCustomComm::SetWritePriority(TSlThreadPriority Value) {
    WritePriority_ = Value;
    if (WriteThread_) {
        WriteThread_->SetPriority(Value);
    }
}

void TSlCustomComm::SetDirectWrite(bool Value) {
    CheckOpen();
    DirectWrite_ = Value;
}

void TSlCustomComm::SetBaudrate(TSlBaudrate Value) {
    if (Baudrate_ != Value) {
        Baudrate_ = Value;
        if (Value != TSlBaudrate::brUser) {
            UserBaudrate_ = 0;
        }
        SetDCB();
    }
}

void TSlCustomComm::SetParity(TSlParity Value) {
    if (Parity_ != Value) {
        Parity_ = Value;
        SetDCB();
    }
}

void TSlCustomComm::SetDatabits(TSlDatabits Value) {
    if (Databits_ != Value) {
        Databits_ = Value;
        SetDCB();
    }
}

void TSlCustomComm::SetStopbits(TSlStopbits Value) {
    if (Stopbits_ != Value) {
        Stopbits_ = Value;
        SetDCB();
    }
}

void TSlCustomComm::SetOptions(TSlCommOptions Value) {
    if (Options_ != Value) {
        Options_ = Value;
        SetDCB();
    }
}

void TSlCustomComm::SetClock(std::shared_ptr<ISlClock> Value) {
    if (!Value) {
        throw std::invalid_argument("A port needs a clock");
    }
    Clock_ = std::move(Value);
}

void TSlCustomComm::SetUpdateDCB(bool Value) {
    CheckOpen();
    UpdateDCB_ = Value;
}

void TSlCustomComm::SetUserBaudrate(std::int32_t Value) {
    if (Value < 0) {
        throw std::invalid_argument("UserBaudrate must not be negative");
    }
    if (UserBaudrate_ != Value) {
        UserBaudrate_ = Value;
        Baudrate_ = TSlBaudrate::brUser;
        SetDCB();
    }
}
