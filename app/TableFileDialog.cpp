#include "TableFileDialog.h"

#include <QFileDialog>

#include <deque>

namespace {

const char* const kFileType = "DataBase (*.db)";
const char* const kDefaultExtension = "db";

// Test mode only: dialogs are recorded here instead of being shown.
struct Recorder {
    bool active = false;
    std::deque<std::optional<QString>> choices;
    std::vector<TableFileDialog::Shown> shown;
};

Recorder& TheRecorder() {
    static Recorder recorder;
    return recorder;
}

}  // namespace

bool TableFileDialog::Execute(QWidget* parent) {
    Recorder& recorder = TheRecorder();
    if (recorder.active) {
        recorder.shown.push_back({purpose_, title_, fileName_});
        std::optional<QString> choice;
        if (!recorder.choices.empty()) {
            choice = recorder.choices.front();
            recorder.choices.pop_front();
        }
        if (choice) {
            fileName_ = *choice;
        }
        return choice.has_value();
    }

    QFileDialog dialog(parent, title_);
    dialog.setObjectName(purpose_ == Purpose::Save ? "SaveDialog1" : "OpenDialog1");
    dialog.setAcceptMode(purpose_ == Purpose::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromLatin1(kFileType));
    dialog.setDefaultSuffix(QString::fromLatin1(kDefaultExtension));
    dialog.selectFile(fileName_);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    fileName_ = dialog.selectedFiles().front();
    return true;
}

void TableFileDialog::RecordInsteadOfShowing() {
    TheRecorder().active = true;
}

void TableFileDialog::QueueChoice(std::optional<QString> fileName) {
    TheRecorder().choices.push_back(std::move(fileName));
}

std::vector<TableFileDialog::Shown> TableFileDialog::TakeRecorded() {
    std::vector<Shown> shown;
    shown.swap(TheRecorder().shown);
    return shown;
}

void TableFileDialog::ShowAgain() {
    TheRecorder() = Recorder{};
}
