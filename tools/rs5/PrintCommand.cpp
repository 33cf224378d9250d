#include "tools/rs5/PrintCommand.h"

#include "report/Report1Layout.h"
#include "report/TableReport.h"
#include "report/engine/ReportGenerator.h"
#include "report/engine/ReportOutput.h"
#include "store/DatabaseSource.h"
#include "store/FileSource.h"
#include "store/MeasurementTable.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <cups/cups.h>

#include <charconv>
#include <memory>
#include <stdexcept>
#include <string>

namespace rs5 {

namespace {

// Fonts and PDF output need a GUI application; without a window it runs on Qt's platform without a screen.
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

int Number(const std::string& text, const char* what) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1) {
        throw UsageError(std::string(what) + " must be a whole number from 1: " + text);
    }
    return value;
}

struct Options {
    std::string source;
    std::string printer;  // empty: the default destination
    int copies = 1;
    int first = 0;  // 0: all pages
    int last = 0;
};

Options Parse(const std::vector<std::string>& arguments) {
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size()) {
                throw UsageError(argument + " needs a value");
            }
            return arguments[++i];
        };
        if (argument == "--printer") {
            options.printer = value();
        } else if (argument == "--copies") {
            options.copies = Number(value(), "--copies");
        } else if (argument == "--pages") {
            const std::string& range = value();
            const std::size_t dash = range.find('-');
            if (dash == std::string::npos) {
                options.first = options.last = Number(range, "--pages");
            } else {
                options.first = Number(range.substr(0, dash), "--pages");
                options.last = Number(range.substr(dash + 1), "--pages");
            }
            if (options.last < options.first) {
                throw UsageError("--pages must run from a page to the same or a later one: " + range);
            }
        } else if (argument.size() > 1 && argument[0] == '-') {
            throw UsageError("unknown option " + argument);
        } else if (options.source.empty()) {
            options.source = argument;
        } else {
            throw UsageError("print takes one source");
        }
    }
    if (options.source.empty()) {
        throw UsageError("print takes the source to print");
    }
    return options;
}

}  // namespace

int RunPrint(const Invocation& invocation) {
    const Options options = Parse(invocation.arguments);
    const auto application = MakeGuiApplication();

    // The queue first: a wrong name fails before the table is read.
    cups_dest_t* dest =
        cupsGetNamedDest(CUPS_HTTP_DEFAULT, options.printer.empty() ? nullptr : options.printer.c_str(), nullptr);
    if (!dest) {
        throw std::runtime_error(options.printer.empty()
                                     ? "there is no default printer: name a queue with --printer (lpstat -p lists them)"
                                     : "there is no printer named " + options.printer + " (lpstat -p lists them)");
    }
    const std::string queue = dest->name;
    cupsFreeDests(1, dest);

    const QString source = QString::fromStdString(options.source);
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
    const report::ReportDocument& whole = *generator->Document();
    const int pageCount = static_cast<int>(whole.pages.size());
    const int first = options.first > 0 ? options.first : 1;
    const int last = options.last > 0 ? std::min(options.last, pageCount) : pageCount;
    if (first > pageCount) {
        throw std::runtime_error("the report has " + std::to_string(pageCount) + " pages, none from page " +
                                 std::to_string(first));
    }
    // The pages chosen keep their own numbers; the queue gets a PDF of them with the fonts cut to the glyphs used.
    report::ReportDocument chosen;
    chosen.definition = whole.definition;
    chosen.pages.assign(whole.pages.begin() + (first - 1), whole.pages.begin() + last);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        throw std::runtime_error("cannot make a temporary folder: " + dir.errorString().toStdString());
    }
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    report::WritePdf(chosen, pdf);

    // A4 as the report is; a queue without it fits the landscape page to its paper, turned to match.
    cups_option_t* cupsOptions = nullptr;
    int count = 0;
    count = cupsAddOption("copies", std::to_string(options.copies).c_str(), count, &cupsOptions);
    // Whole sets, one after the other, as a printed report is handed out.
    count = cupsAddOption("multiple-document-handling", "separate-documents-collated-copies", count, &cupsOptions);
    count = cupsAddOption("Collate", "True", count, &cupsOptions);
    count = cupsAddOption("media", "A4", count, &cupsOptions);
    count = cupsAddOption("fit-to-page", "true", count, &cupsOptions);
    const int job = cupsPrintFile(queue.c_str(), pdf.toLocal8Bit().constData(),
                                  whole.definition.page.title.toUtf8().constData(), count, cupsOptions);
    cupsFreeOptions(count, cupsOptions);
    if (job <= 0) {
        throw std::runtime_error("the printer " + queue + " did not accept the job: " + cupsLastErrorString());
    }
    invocation.out << "request id is " << queue << '-' << job << " (" << (last - first + 1) << " pages";
    if (options.copies > 1) {
        invocation.out << ", " << options.copies << " copies";
    }
    invocation.out << ")\n";
    return 0;
}

}  // namespace rs5
