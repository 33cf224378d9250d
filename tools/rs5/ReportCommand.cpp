#include "tools/rs5/ReportCommand.h"

#include "report/Report1Layout.h"
#include "report/TableReport.h"
#include "report/engine/ReportGenerator.h"
#include "report/engine/ReportOutput.h"
#include "store/MeasurementTable.h"
#include "tools/rs5/SourceTable.h"

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
    std::vector<std::string> arguments = invocation.arguments;
    const SourceName source = TakeSource(arguments, 1, "report takes a source and the PDF file to write");
    const QString pdf = QString::fromStdString(arguments[0]);
    const auto application = MakeGuiApplication();
    const auto table = OpenSourceTable(source);
    TableReport report(Report1Layout(), *table);
    const std::unique_ptr<report::ReportGenerator> generator = report.Generate();
    generator->Run();
    report::WritePdf(*generator->Document(), pdf);
    invocation.out << generator->Document()->pages.size() << " pages written to " << arguments[0] << '\n';
    return 0;
}

}  // namespace rs5
