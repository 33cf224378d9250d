#include "export/SpreadsheetServers.h"

#include "export/SystemInputLocale.h"
#include "export/automation/AutomationRegistry.h"
#include "export/platform/SystemAutomation.h"
#include "export/workbook/WorkbookServer.h"

namespace {

const char* const kSpreadsheetProgramId = "Excel.Application";

}  // namespace

void InstallSpreadsheetServers(AutomationRegistry& registry, std::shared_ptr<WorkbookHandover> handover) {
    AddSystemAutomationServer(registry, kSpreadsheetProgramId);
    // The locale is read when the application object is made, so each export reads input as the system then does.
    registry.Add(kSpreadsheetProgramId, [handover = std::move(handover)] {
        return WorkbookServer(SystemInputLocale(), handover).CreateApplication();
    });
}
