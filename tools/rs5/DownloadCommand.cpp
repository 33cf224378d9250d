#include "DownloadCommand.h"

#include "ConsoleDownload.h"
#include "DownloadSteps.h"
#include "QtMainThreadCaller.h"
#include "QtStepTimer.h"
#include "SlBuffer.h"
#include "SlComm.h"
#include "SlDownloadLink.h"
#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/WorkingDatabase.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <unistd.h>

#include <charconv>
#include <optional>

namespace rs5 {

namespace {

constexpr int StepPeriodMs = 1000;
constexpr int RingSize = 4096;

struct DownloadOptions {
    std::optional<std::string> port;
    std::string database = WorkingDatabase::DefaultFileName;
    int stepMs = StepPeriodMs;
};

DownloadOptions ParseOptions(const std::vector<std::string>& arguments) {
    DownloadOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name != "--port" && name != "--db" && name != "--step-ms") {
            throw UsageError("unknown argument '" + name + "'");
        }
        if (i + 1 >= arguments.size()) {
            throw UsageError(name + " needs a value");
        }
        const std::string& value = arguments[++i];
        if (name == "--port") {
            options.port = value;
        } else if (name == "--db") {
            options.database = value;
        } else {
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), options.stepMs);
            if (error != std::errc() || end != value.data() + value.size() || options.stepMs < 1 ||
                options.stepMs > 60000) {
                throw UsageError("--step-ms needs a number of milliseconds from 1 to 60000, not '" + value + "'");
            }
        }
    }
    if (!options.port) {
        throw UsageError("--port is required");
    }
    return options;
}

}  // namespace

int RunDownload(const Invocation& invocation) {
    const DownloadOptions options = ParseOptions(invocation.arguments);

    int argc = 1;
    char name[] = "rs5";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    const auto mainThread = std::make_shared<QtMainThreadCaller>();

    const QString database = QString::fromStdString(options.database);
    if (!QFileInfo::exists(database)) {
        CreateWorkingDatabase(database);
        invocation.err << "rs5 download: created the working database " << options.database << '\n';
    }
    MeasurementTable table(std::make_unique<DatabaseSource>(database));
    table.Connect();
    table.OpenTable();

    TSlComm port(nullptr, mainThread);
    SlDownloadLink::ApplyMeterSettings(port);
    TSlBuffer ring(nullptr);
    ring.SetSize(RingSize);
    ring.SetActive(true);
    ring.SetComm(&port);

    SlDownloadLink link(port, ring);
    ConsoleDownload observer(table, invocation.err, isatty(STDERR_FILENO) == 1);
    QTimer timer;
    timer.setInterval(options.stepMs);
    std::optional<DownloadSteps> steps;
    QtStepTimer stepTimer(timer, [&] { steps->Step(); });
    steps.emplace(link, stepTimer, observer);

    steps->Start(*options.port);
    QCoreApplication::exec();
    mainThread->Stop();
    table.Close(PendingRowAtClose::Store);
    invocation.err << "rs5 download: " << observer.RowsAdded() << " records stored in " << options.database << '\n';
    return observer.Complete() ? 0 : 1;
}

}  // namespace rs5
