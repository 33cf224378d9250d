#include "ConsoleDownload.h"

#include "DownloadSteps.h"

#include <QCoreApplication>

#include <string>

namespace {

constexpr int BarWidth = 40;

}  // namespace

ConsoleDownload::ConsoleDownload(MeasurementTable& table, std::ostream& err, bool terminal)
    : writer_(table), err_(err), terminal_(terminal) {}

void ConsoleDownload::RecordArrived(const ArchiveBytes& staged, int k) {
    writer_.Add(staged, k);
}

void ConsoleDownload::ProgressPosition(int k) {
    if (!terminal_) {
        err_ << "record " << k << " of " << count_ << '\n';
        return;
    }
    const int filled = count_ > 0 ? k * BarWidth / count_ : BarWidth;
    err_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(BarWidth - filled), '.') << "] " << k << '/' << count_ << std::flush;
    barShown_ = true;
}

void ConsoleDownload::ShowMessage(Message message) {
    EndBarLine();
    err_ << "rs5 download: " << DownloadMessageText(message) << '\n';
}

void ConsoleDownload::Ended(bool complete) {
    EndBarLine();
    // The download's last row must not wait for the table's next operation.
    writer_.Finish();
    complete_ = complete;
    QCoreApplication::exit(complete ? 0 : 1);
}

void ConsoleDownload::EndBarLine() {
    if (barShown_) {
        err_ << '\n';
        barShown_ = false;
    }
}
