#include "tools/rs5/ConsoleDownload.h"

#include "archive/ArchiveBytes.h"
#include "archive/DownloadSteps.h"
#include "archive/DownloadSummary.h"
#include "store/MeasurementTable.h"

#include <QCoreApplication>

#include <string>

namespace {

constexpr int kBarWidth = 40;

}  // namespace

ConsoleDownload::ConsoleDownload(MeasurementTable& table, std::ostream& err, bool terminal)
    : table_(table), writer_(table), err_(err), terminal_(terminal) {}

void ConsoleDownload::RecordArrived(const ArchiveBytes& staged, int k) {
    if (!writer_.Add(staged, k)) {
        EndBarLine();
        err_ << "rs5 download: " << UndatedRecordNote(k, staged.Record(k)) << '\n';
    }
    // A failure leaves the row pending; ending the download tries it once more.
    table_.SettlePendingRow();
    ++rowsStored_;
}

void ConsoleDownload::ProgressPosition(int k) {
    if (!terminal_) {
        err_ << "record " << k << " of " << count_ << '\n';
        return;
    }
    const int filled = count_ > 0 ? k * kBarWidth / count_ : kBarWidth;
    err_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(kBarWidth - filled), '.') << "] " << k << '/' << count_ << std::flush;
    barShown_ = true;
}

void ConsoleDownload::ShowMessage(Message message, const std::string& cause) {
    EndBarLine();
    err_ << "rs5 download: " << DownloadMessageText(message) << '\n';
    std::size_t start = 0;
    while (start < cause.size()) {
        const std::size_t end = std::min(cause.find('\n', start), cause.size());
        err_ << "rs5 download: cause: " << cause.substr(start, end - start) << '\n';
        start = end + 1;
    }
    err_ << std::flush;
}

void ConsoleDownload::Ended(bool complete) {
    EndBarLine();
    // Asked first: the loop ends when control returns to it, whatever storing the last row does.
    QCoreApplication::exit(complete ? 0 : 1);
    // Every row is stored as it comes; this only settles one whose storing failed, and throws when it fails again.
    const bool pending = table_.State() == TableState::Insert;
    writer_.Finish();
    if (pending) {
        ++rowsStored_;
    }
    complete_ = complete;
}

void ConsoleDownload::EndBarLine() {
    if (barShown_) {
        err_ << '\n';
        barShown_ = false;
    }
}
