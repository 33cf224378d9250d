#include "tools/rs5/ExportCommand.h"

#include "export/SystemInputLocale.h"
#include "export/TableExport.h"
#include "export/automation/Automation.h"
#include "store/DatabaseSource.h"
#include "store/FileSource.h"
#include "store/MeasurementTable.h"
#include "tools/rs5/TableConversion.h"

#include <QFileInfo>

#include <memory>

namespace rs5 {

namespace {

std::unique_ptr<MeasurementTable> OpenSource(const std::string& path) {
    const QString name = QString::fromStdString(path);
    std::unique_ptr<TableSource> source;
    if (IsWorkingDatabaseName(path)) {
        if (!QFileInfo::exists(name)) {
            throw std::runtime_error("no working database " + path);
        }
        source = std::make_unique<DatabaseSource>(name);
    } else {
        source = std::make_unique<FileSource>(name);
    }
    auto table = std::make_unique<MeasurementTable>(std::move(source));
    table->OpenTable();
    return table;
}

}  // namespace

int RunExport(const Invocation& invocation) {
    if (invocation.arguments.size() != 2) {
        throw UsageError("export takes a source and the .xlsx file to write");
    }
    const QString out = QString::fromStdString(invocation.arguments[1]);
    if (!out.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) {
        throw UsageError("the file to write must end in .xlsx");
    }
    const auto table = OpenSource(invocation.arguments[0]);

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
    invocation.err << "rs5 export: " << table->RowCount() << " rows written to " << invocation.arguments[1] << '\n';
    return 0;
}

}  // namespace rs5
