#include "tools/rs5/DownloadCommand.h"

#include "archive/DownloadSteps.h"
#include "archive/DownloadSummary.h"
#include "archive/QtStepTimer.h"
#include "archive/SlDownloadLink.h"
#include "serial/SlBuffer.h"
#include "serial/SlComm.h"
#include "serial/qt/QtMainThreadCaller.h"
#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/WorkingDatabase.h"
#include "store/server/ServerDatabase.h"
#include "store/server/ServerSource.h"
#include "tools/rs5/ConsoleDownload.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <unistd.h>

#include <charconv>
#include <csignal>
#include <optional>

namespace rs5 {

namespace {

constexpr int kStepPeriodMs = 1000;
constexpr int kRingSize = 4096;
// How often the loop looks whether the user interrupted the download, in milliseconds.
constexpr int kInterruptPollMs = 50;

volatile std::sig_atomic_t interruptedBy = 0;

extern "C" void OnInterrupt(int signal) {
    interruptedBy = signal;
    // A second signal ends the program at once, should ending the download itself hang.
    std::signal(signal, SIG_DFL);
}

// Catches SIGINT and SIGTERM while it lives, so that a download ends after its current step with every row
// stored and the port closed.
class InterruptCatcher {
public:
    InterruptCatcher() {
        interruptedBy = 0;
        previousInt_ = std::signal(SIGINT, OnInterrupt);
        previousTerm_ = std::signal(SIGTERM, OnInterrupt);
    }
    ~InterruptCatcher() {
        std::signal(SIGINT, previousInt_);
        std::signal(SIGTERM, previousTerm_);
    }
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

    int Signal() const { return interruptedBy; }

private:
    void (*previousInt_)(int) = SIG_DFL;
    void (*previousTerm_)(int) = SIG_DFL;
};

const char* SignalName(int signal) {
    return signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "a signal";
}

struct DownloadOptions {
    std::optional<std::string> port;
    std::string database = WorkingDatabase::kDefaultFileName;
    // A database server's connection string instead of the file.
    std::optional<std::string> server;
    bool createDatabase = false;
    int stepMs = kStepPeriodMs;
    bool fast = false;
    bool newOnly = false;
};

DownloadOptions ParseOptions(const std::vector<std::string>& arguments) {
    DownloadOptions options;
    bool hasDb = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name == "--fast") {
            options.fast = true;
            continue;
        }
        if (name == "--new-only") {
            options.newOnly = true;
            continue;
        }
        if (name == "--create-database") {
            options.createDatabase = true;
            continue;
        }
        if (name != "--port" && name != "--db" && name != "--database" && name != "--step-ms") {
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
            hasDb = true;
        } else if (name == "--database") {
            options.server = value;
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
    if (hasDb && options.server) {
        throw UsageError("--db and --database name two databases; give one");
    }
    if (options.createDatabase && !options.server) {
        throw UsageError("--create-database needs --database (the file is created when missing anyway)");
    }
    return options;
}

}  // namespace

int RunDownload(const Invocation& invocation) {
    const DownloadOptions options = ParseOptions(invocation.arguments);
    const InterruptCatcher interrupt;

    int argc = 1;
    char name[] = "rs5";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    const auto mainThread = std::make_shared<QtMainThreadCaller>();

    const QString database = QString::fromStdString(options.database);
    const QString server = QString::fromStdString(options.server.value_or(std::string()));
    MeasurementTable table(options.server ? std::unique_ptr<TableSource>(std::make_unique<ServerSource>(server))
                                          : std::make_unique<DatabaseSource>(database));
    // Never the connection string itself in messages: it may hold a password.
    const std::string stored = options.server ? "the database server" : options.database;

    TSlComm port(nullptr, mainThread);
    SlDownloadLink::ApplyMeterSettings(port);
    TSlBuffer ring(nullptr);
    ring.SetSize(kRingSize);
    ring.SetActive(true);
    ring.SetComm(&port);

    SlDownloadLink link(port, ring);
    ConsoleDownload observer(table, invocation.err, isatty(STDERR_FILENO) == 1);
    QTimer timer;
    timer.setInterval(options.stepMs);
    std::optional<DownloadSteps> steps;
    QtStepTimer stepTimer(timer, [&] { steps->Step(); });
    QTimer quietTimer;
    quietTimer.setInterval(DownloadSteps::kQuietGapMs);
    QtStepTimer quietStepTimer(quietTimer, [&] { steps->QuietGapElapsed(); });
    steps.emplace(link, stepTimer, observer, &quietStepTimer);
    link.SetArrivalHandler([&] { steps->BytesArrived(); });

    // The port first: a port that cannot be opened must leave no new database behind.
    steps->Start(*options.port, options.fast ? DownloadSteps::Pace::Fast : DownloadSteps::Pace::Paced,
                 options.newOnly ? DownloadSteps::Records::NewOnly : DownloadSteps::Records::All);
    if (options.server) {
        if (options.createDatabase && CreateServerDatabaseIfMissing(server)) {
            invocation.err << "rs5 download: created the table Sys on the database server\n";
        }
    } else if (CreateWorkingDatabaseIfMissing(database)) {
        invocation.err << "rs5 download: created the working database " << options.database << '\n';
    }
    table.Connect();
    table.OpenTable();
    // The header's reply gets its whole period from now: creating and opening the database may have taken part
    // of it (a flush to a busy disk).
    timer.start();

    QTimer interruptPoll;
    QObject::connect(&interruptPoll, &QTimer::timeout, [&] {
        if (interrupt.Signal() == 0) {
            return;
        }
        interruptPoll.stop();
        try {
            steps->Cancel();
        } catch (const std::exception& error) {
            invocation.err << "rs5 download: " << error.what() << '\n';
        }
        QCoreApplication::exit(1);
    });
    interruptPoll.start(kInterruptPollMs);

    QCoreApplication::exec();
    interruptPoll.stop();
    timer.stop();
    quietTimer.stop();
    mainThread->Stop();
    ring.OnChange = nullptr;
    // Every row is stored as it comes; one still pending could not be stored and its error was shown.
    table.Close(PendingRowAtClose::Discard);
    if (const int signal = interrupt.Signal()) {
        invocation.err << "rs5 download: interrupted by " << SignalName(signal) << '\n';
    }
    invocation.err << "rs5 download: " << observer.RowsStored() << " records stored in " << stored << '\n';
    if (options.newOnly && observer.Complete()) {
        invocation.err << "rs5 download: " << NewRecordsText(steps->RecordsNew(), steps->RecordsKnown()) << '\n';
    }
    if (!observer.Undated().empty()) {
        invocation.err << "rs5 download: " << UndatedRecordsText(observer.Undated()) << '\n';
    }
    if (const int signal = interrupt.Signal()) {
        return 128 + signal;
    }
    return observer.Complete() ? 0 : 1;
}

}  // namespace rs5
