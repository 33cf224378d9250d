#include "Program.h"

#include "Application.h"
#include "ErrorBox.h"
#include "ProgramWindows.h"
#include "TM.h"
#include "automation/Automation.h"
#include "export/DesktopHandover.h"
#include "export/SpreadsheetServers.h"
#include "persist/AllocatorTuning.h"
#include "store/WorkingDatabase.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <string_view>

namespace {

const char* const kCreateDatabaseOption = "--create-database";

int CreateDatabase() {
    try {
        CreateWorkingDatabase(QString::fromLatin1(WorkingDatabase::DefaultFileName));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zarudedu-rs5: %s\n", error.what());
        return 1;
    }
    return 0;
}

}  // namespace

int RunProgram(int argc, char** argv) {
    if (argc > 1 && std::string_view(argv[1]) == kCreateDatabaseOption) {
        return CreateDatabase();
    }
    persist::KeepFreedMemoryForLargeTables();
    // The export's automation needs the thread's apartment before anything else runs.
    const AutomationRuntime automation;
    Application application(argc, argv);
    std::optional<ProgramWindows> windows;
    try {
        windows.emplace();
        auto handover = std::make_shared<DesktopHandover>();
        handover->SetNotOpenedNotice([&windows](const QString& path) { windows->M().ShowWorkbookLocation(path); });
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
