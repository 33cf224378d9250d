#include "app/SharedDatabaseWarning.h"

#include "app/Application.h"
#include "app/platform/FileSystemType.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFileInfo>

namespace {

struct WarningState {
    SharedDatabaseWarning::Probe probe;
    bool shown = false;
};

WarningState& State() {
    static WarningState state;
    return state;
}

}  // namespace

void SharedDatabaseWarning::SetProbe(Probe probe) {
    State() = WarningState{std::move(probe), false};
}

void SharedDatabaseWarning::ShowIfNeeded(QWidget* owner, const QString& databasePath) {
    WarningState& state = State();
    if (state.shown) {
        return;
    }
    const QString absolute = QFileInfo(databasePath).absoluteFilePath();
    const QString fileSystem = state.probe ? state.probe(absolute) : NetworkFileSystemOf(absolute);
    if (fileSystem.isEmpty()) {
        return;
    }
    state.shown = true;
    const QString text = QString::fromUtf16(kText).arg(QDir::toNativeSeparators(absolute), fileSystem);
    qWarning("%s", qUtf8Printable(text));
    MessageBox::Show(owner, MessageBox::Icon::Information, Application::Title(), text);
}
