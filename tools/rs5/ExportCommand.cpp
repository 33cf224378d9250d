#include "tools/rs5/ExportCommand.h"

#include "export/SystemInputLocale.h"
#include "export/TableExport.h"
#include "export/automation/Automation.h"
#include "store/MeasurementTable.h"
#include "tools/rs5/SourceTable.h"

#include <memory>

namespace rs5 {

int RunExport(const Invocation& invocation) {
    std::vector<std::string> arguments = invocation.arguments;
    const SourceName source = TakeSource(arguments, 1, "export takes a source and the .xlsx file to write");
    const QString out = QString::fromStdString(arguments[0]);
    if (!out.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) {
        throw UsageError("the file to write must end in .xlsx");
    }
    const auto table = OpenSourceTable(source);

    // The same server and calls as the program's export, with the workbook going to OUT instead of the desktop.
    AutomationRegistry& registry = AutomationRegistry::Default();
    registry.Clear();
    WorkbookServer(SystemInputLocale(), std::make_shared<FileHandover>(out)).RegisterIn(registry);
    int reported = -1;
    ExportTable(*table, [&](int done, int rows) {
        const int percent = static_cast<int>(done * 100LL / rows);
        if (percent != reported) {
            reported = percent;
            invocation.err << "rs5 export: " << percent << "% (" << done << " of " << rows << " rows)\n";
        }
    });
    invocation.err << "rs5 export: " << table->RowCount() << " rows written to " << arguments[0] << '\n';
    return 0;
}

}  // namespace rs5
