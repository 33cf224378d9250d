#include "tools/rs5/ReportCommand.h"

#include "report/Report1Layout.h"
#include "report/TableReport.h"
#include "report/engine/ReportGenerator.h"
#include "report/engine/ReportOutput.h"
#include "store/DatabaseSource.h"
#include "store/FileSource.h"
#include "store/MeasurementTable.h"

#include <QGuiApplication>

#include <memory>

namespace rs5 {

namespace {

// Fonts and PDF output need a GUI application; without a window it runs on Qt's platform without a screen unless
// the user chose another.
std::unique_ptr<QGuiApplication> MakeGuiApplication() {
    if (QCoreApplication::instance()) {
        return nullptr;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "rs5";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int RunReport(const Invocation& invocation) {
    if (invocation.arguments.size() != 2) {
        throw UsageError("report takes a source and the PDF file to write");
    }
    const QString source = QString::fromStdString(invocation.arguments[0]);
    const QString pdf = QString::fromStdString(invocation.arguments[1]);
    const auto application = MakeGuiApplication();

    std::unique_ptr<TableSource> rows;
    if (source.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive)) {
        rows = std::make_unique<DatabaseSource>(source);
    } else {
        rows = std::make_unique<FileSource>(source);
    }
    MeasurementTable table(std::move(rows));
    table.OpenTable();
    TableReport report(Report1Layout(), table);
    const std::unique_ptr<report::ReportGenerator> generator = report.Generate();
    generator->Run();
    report::WritePdf(*generator->Document(), pdf);
    invocation.out << generator->Document()->pages.size() << " pages written to " << invocation.arguments[1] << '\n';
    return 0;
}

}  // namespace rs5
