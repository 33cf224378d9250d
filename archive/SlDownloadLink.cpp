#include "archive/SlDownloadLink.h"

#include "serial/SlBuffer.h"
#include "serial/SlComm.h"

void SlDownloadLink::ApplyMeterSettings(TSlComm& port) {
    port.SetBaudrate(TSlBaudrate::br9600);
    port.SetDatabits(TSlDatabits::db8);
    port.SetParity(TSlParity::paNone);
    port.SetStopbits(TSlStopbits::sb1);
    TSlFlowControl& flow = port.FlowControl();
    flow.SetOutCtsFlow(false);
    flow.SetOutDsrFlow(false);
    flow.SetXonXoffOut(false);
    flow.SetXonXoffIn(false);
    flow.SetDsrSensitivity(false);
    flow.SetTxContinueOnXoff(false);
    flow.SetControlDtr(TSlControlDtr::dtrDisabled);
    flow.SetControlRts(TSlControlRts::rtsEnabled);
    port.Buffers().SetReadSize(8192);
    port.SetDirectWrite(true);
}

void SlDownloadLink::SetArrivalHandler(std::function<void()> arrived) {
    seen_ = ring_.BufUsed();
    ring_.OnChange = [this, arrived = std::move(arrived)](TSlComponent*) {
        const int used = ring_.BufUsed();
        const bool grew = used > seen_;
        seen_ = used;
        if (grew && arrived) {
            arrived();
        }
    };
}

void SlDownloadLink::Open(const std::string& deviceName) {
    port_.SetDeviceName(deviceName);
    port_.Open();
}

void SlDownloadLink::Close() {
    port_.Close();
}

bool SlDownloadLink::Write(std::string_view text) {
    return port_.WriteText(text);
}

int SlDownloadLink::Waiting() const {
    return ring_.BufUsed();
}

std::string SlDownloadLink::Read(int count) {
    std::string bytes(static_cast<std::size_t>(count), '\0');
    if (!ring_.Read(bytes.data(), count)) {
        return {};
    }
    return bytes;
}

void SlDownloadLink::Clear() {
    ring_.Clear();
}
