#include "app/Program.h"

#include "Rs5Version.h"
#include "app/Application.h"
#include "app/DataFolder.h"
#include "app/DatabaseChoice.h"
#include "app/ErrorBox.h"
#include "app/ProgramOptions.h"
#include "app/ProgramWindows.h"
#include "app/TM.h"
#include "export/DesktopHandover.h"
#include "export/SpreadsheetServers.h"
#include "export/automation/Automation.h"
#include "process/AllocatorTuning.h"
#include "store/WorkingDatabase.h"
#include "store/server/ServerDatabase.h"

#include <cstdio>
#include <exception>
#include <optional>

namespace {

int CreateDatabase(const QString& server) {
    try {
        if (!server.isEmpty()) {
            CreateServerDatabase(server);
            return 0;
        }
        CreateWorkingDatabase(QString::fromLatin1(WorkingDatabase::kDefaultFileName));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zarudedu-rs5: %s\n", error.what());
        return 1;
    }
    return 0;
}

}  // namespace

int RunProgram(int argc, char** argv) {
    const ProgramOptions options = ParseProgramOptions(argc, argv);
    if (options.help) {
        std::fputs(ProgramUsage(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("zarudedu-rs5 %s\n", kRs5Version);
        return 0;
    }
    if (options.createDatabase && options.dataFolder) {
        // The first start in the data folder creates the database itself.
        std::fputs("zarudedu-rs5: --create-database and --data-folder cannot be used together\n", stderr);
        return 2;
    }
    if (options.createDatabase) {
        return CreateDatabase(options.database.trimmed());
    }
    if (options.databaseGiven) {
        DatabaseChoice::UseForThisRun(options.database);
    }
    process::KeepFreedMemoryForLargeTables();
    // The export's automation needs the thread's apartment before anything else runs.
    const AutomationRuntime automation;
    Application application(argc, argv);
    if (options.dataFolder) {
        try {
            DataFolder::Enter(DataFolder::DefaultPath());
        } catch (...) {
            // Started from the desktop menu nobody reads standard error, so the box says it.
            ErrorBox::ShowCurrentException();
            return 1;
        }
    }
    std::optional<ProgramWindows> windows;
    try {
        windows.emplace();
        if (options.dataFolder) {
            // The data folder is hidden; the user's saved tables belong where the user keeps documents.
            windows->M().SetFileDialogFolder(DataFolder::DocumentsFolder());
        }
        auto handover = std::make_shared<DesktopHandover>();
        handover->SetNotOpenedNotice(
            [&windows, handover = std::weak_ptr(handover)](const QString& path, const QString& why) {
                windows->M().ShowWorkbookLocation(path, why, [handover, path] {
                    if (const auto owner = handover.lock()) {
                        owner->ShowFolderOf(path);
                    }
                });
            });
        // The notice reaches this run's window, so servers of an earlier run in this process go first.
        AutomationRegistry::Default().Clear();
        InstallSpreadsheetServers(AutomationRegistry::Default(), handover);
        windows->M().show();
    } catch (...) {
        ErrorBox::ShowCurrentException();
        return 0;
    }
    Application::exec();
    // Normally closing the main window has done this; it covers an end that did not close it.
    ErrorBox::RunCommand([&] { windows->M().CloseTable(); });
    return 0;
}
