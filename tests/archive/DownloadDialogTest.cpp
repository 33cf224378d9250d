// The download dialog end to end: the real dialog, offscreen, through the real serial link, against the meter
// simulator on a pseudo-terminal; rows checked in the working database, reopened. The simulator answers at once;
// where a test is not about time, a step comes as soon as the reply has arrived and the port's pause on closing
// returns at once. The tests about time keep the real timers (Timer1 shortened to StepMs) and the real pause.
#include "archive/ArchiveRecord.h"
#include "archive/DownloadPreferences.h"
#include "archive/DownloadSteps.h"
#include "archive/StepTimer.h"
#include "archive/Unit1.h"
#include "serial/SlBuffer.h"
#include "serial/SlClock.h"
#include "serial/SlComm.h"
#include "serial/qt/QtMainThreadCaller.h"
#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/SqliteConnection.h"
#include "store/WorkingDatabase.h"
#include "tests/QtTestRunner.h"
#include "tests/serial/RecordingClock.h"
#include "ui/DesignScale.h"
#include "ui/MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <memory>

namespace {

constexpr int kStepMs = 150;
const QString kNotConnected = QString::fromUtf8(kMeterNotConnectedMessage);
const QString kTransferError = QString::fromUtf8(kTransferErrorMessage);

// The simulator as a child process; the device it serves is known once it is ready.
class Simulator {
public:
    explicit Simulator(const QStringList& arguments) {
        process_.setProgram(QStringLiteral(RS5_METER_SIM));
        process_.setArguments(QStringList{"--quiet", "--baud", "0"} + arguments);
        process_.start();
        QTRY_VERIFY_WITH_TIMEOUT(process_.canReadLine(), 5000);
        device_ = QString::fromUtf8(process_.readLine()).trimmed();
    }
    ~Simulator() {
        process_.terminate();
        process_.waitForFinished(3000);
    }
    QString Device() const { return device_; }

private:
    QProcess process_;
    QString device_;
};

// The step timer of the tests that are not about time. The simulator answers at once, so instead of waiting out a
// period the step comes once bytes have arrived and the ring has then stayed unchanged for kQuietMs, or once
// nothing has arrived for kSilenceMs (a silent meter, a reply's missing rest, the step after the header that
// awaits nothing). A reply cut short still finds its step without the rest, as with the real period.
class SettledReplyTimer final : public StepTimer {
public:
    static constexpr int kQuietMs = 20;
    static constexpr int kSilenceMs = kStepMs;

    SettledReplyTimer(TSlBuffer& ring, std::function<void()> onStep) : ring_(ring), onStep_(std::move(onStep)) {
        poll_.setInterval(2);
        QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    }
    void Start() override {
        seen_ = ring_.BufUsed();
        started_.start();
        quietSince_.start();
        poll_.start();
    }
    void Stop() override { poll_.stop(); }
    bool Active() const { return poll_.isActive(); }

private:
    void Poll() {
        if (const int used = ring_.BufUsed(); used != seen_) {
            seen_ = used;
            quietSince_.restart();
            return;
        }
        const bool settled = seen_ > 0 && quietSince_.elapsed() >= kQuietMs;
        if (settled || started_.elapsed() >= kSilenceMs) {
            poll_.stop();
            onStep_();
        }
    }

    TSlBuffer& ring_;
    std::function<void()> onStep_;
    QTimer poll_;
    QElapsedTimer started_;
    QElapsedTimer quietSince_;
    int seen_ = 0;
};

// One archive record as the simulator's CSV gives it.
QStringList CsvFields(const QString& line) {
    QStringList fields;
    QString field;
    bool quoted = false;
    for (const QChar c : line) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    return fields << field;
}

QList<QStringList> ArchiveCsv(const QStringList& arguments) {
    QProcess dump;
    dump.start(QStringLiteral(RS5_METER_SIM), arguments + QStringList{"--dump-csv"});
    dump.waitForFinished(5000);
    QList<QStringList> records;
    for (const QString& line : QString::fromUtf8(dump.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith("number")) {
            records << CsvFields(line);
        }
    }
    return records;
}

FieldValue Tenths(const QString& text) {
    if (text.isEmpty()) {
        return {};
    }
    return double(TenthsAsSingle(static_cast<std::int16_t>(std::lround(text.toDouble() * 10))));
}

}  // namespace

class DownloadDialogTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString database_;
    std::shared_ptr<QtMainThreadCaller> mainThread_;
    std::unique_ptr<MeasurementTable> table_;
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<SettledReplyTimer> stepTimer_;
    std::shared_ptr<RecordingClock> clock_;
    QStringList messages_;
    QStringList applicationErrors_;
    int steps_ = 0;  // steps taken through the settled-reply timer

    // The texts of the boxes shown so far. The download's messages are the plain error box, its summary an
    // information box with OK («Information: » before its text here); any other box shows up as a text that no test
    // expects.
    const QStringList& Messages() {
        for (const MessageBox::Shown& box : MessageBox::TakeRecorded()) {
            const bool plain = box.caption == QStringLiteral("О Ш И Б К А") && box.icon == MessageBox::Icon::None &&
                               box.buttons == MessageBox::Buttons::Ok;
            const bool summary = box.caption == QStringLiteral("Information") &&
                                 box.icon == MessageBox::Icon::Information && box.buttons == MessageBox::Buttons::Ok;
            messages_ << (plain     ? box.text
                          : summary ? QStringLiteral("Information: ") + box.text
                                    : QStringLiteral("unexpected box «%1»: %2").arg(box.caption, box.text));
        }
        return messages_;
    }
    // Every row of the working database against the simulator's CSV of `archive`, in order; the rows of `undated`
    // have an empty date and every other field.
    void ExpectRowsOf(const QStringList& archive, const QList<int>& undated = {}) {
        const QList<QStringList> expected = ArchiveCsv(archive);
        MeasurementTable reopened(std::make_unique<DatabaseSource>(database_));
        reopened.Connect();
        reopened.OpenTable();
        QCOMPARE(reopened.VisibleRowCount(), expected.size());
        for (int row = 0; row < expected.size(); ++row) {
            const QStringList& csv = expected[row];
            auto value = [&](MeasurementField field) { return reopened.Value(row, field); };
            QCOMPARE(value(MeasurementField::NN), FieldValue(csv[0].toInt()));
            QCOMPARE(value(MeasurementField::DataTime),
                     undated.contains(row + 1)
                         ? FieldValue()
                         : DateTimeFieldValue(QDateTime::fromString(csv[1], QStringLiteral("dd.MM.yyyy HH:mm:ss"))));
            QCOMPARE(value(MeasurementField::Vid), FieldValue(csv[2]));
            QCOMPARE(value(MeasurementField::W), Tenths(csv[3]));
            QCOMPARE(value(MeasurementField::N), csv[4].isEmpty() ? FieldValue() : FieldValue(csv[4].toDouble()));
            QCOMPARE(value(MeasurementField::m), Tenths(csv[5]));
            QCOMPARE(value(MeasurementField::t),
                     FieldValue(static_cast<int>(std::lround(csv[6].toDouble() * 10)) / 10));
            QCOMPARE(value(MeasurementField::Type),
                     FieldValue(QString::fromUtf16(csv[7] == "0" ? u"Базовая" : u"Индивидуальная")));
        }
    }
    // Presses the start button on the port and waits until the download has ended.
    void Download(const QString& port) {
        form_->ComboBox1->setEditText(port);
        QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(form_->BitBtn1->isEnabled(), 20000);
    }
    QList<int> StoredNumbers() {
        MeasurementTable reopened(std::make_unique<DatabaseSource>(database_));
        reopened.Connect();
        reopened.OpenTable();
        QList<int> numbers;
        for (int row = 0; row < reopened.VisibleRowCount(); ++row) {
            numbers << std::get<std::int32_t>(reopened.Value(row, MeasurementField::NN));
        }
        return numbers;
    }
    static QList<int> Range(int from, int to) {
        QList<int> numbers;
        for (int k = from; k <= to; ++k) {
            numbers << k;
        }
        return numbers;
    }
    // A new dialog on the table, opened; in real time it keeps its Timer1 (every StepMs) and the system's clock.
    void MakeForm(bool realTime = false) {
        form_.reset();
        stepTimer_.reset();
        form_ = std::make_unique<TForm1>(*table_, mainThread_);
        form_->Timer1->setInterval(kStepMs);
        if (!realTime) {
            stepTimer_ = std::make_unique<SettledReplyTimer>(*form_->SlBuffer1, [this] {
                ++steps_;
                form_->Timer1Timer();
            });
            form_->UseStepTimer(stepTimer_.get());
            clock_ = std::make_shared<RecordingClock>();
            form_->SlComm1->SetClock(clock_);
        }
        form_->open();
    }
    // A new table on `source` and a new dialog on it, as at start-up.
    void Restart(std::unique_ptr<MeasurementTable> table) {
        form_.reset();
        table_ = std::move(table);
        MakeForm();
    }
    void ExpectReadyForAnother() {
        QVERIFY(form_->BitBtn1->isEnabled());
        QVERIFY(!form_->SlComm1->Active());
        QVERIFY(!form_->Timer1->isActive());
        QVERIFY(!stepTimer_ || !stepTimer_->Active());
    }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        database_ = dir_.filePath(QStringLiteral("sys-%1.mdb").arg(QTest::currentTestFunction()) +
                                  QString::fromUtf8(QTest::currentDataTag()));
        CreateWorkingDatabase(database_);
        mainThread_ = std::make_shared<QtMainThreadCaller>([this](std::exception_ptr error) {
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                applicationErrors_ << QString::fromUtf8(e.what());
            }
        });
        table_ = std::make_unique<MeasurementTable>(std::make_unique<DatabaseSource>(database_));
        table_->Connect();
        table_->OpenTable();
        MakeForm();
        MessageBox::RecordInsteadOfShowing();
        messages_.clear();
        applicationErrors_.clear();
    }
    void cleanup() {
        MessageBox::ShowAgain();
        form_.reset();
        stepTimer_.reset();
        table_.reset();
        mainThread_.reset();
    }

    void form() {
        QCOMPARE(form_->windowTitle(), QStringLiteral("Zarudedu РС5 \"Нирма\""));
        // The layout's pixels follow the digit width of the font in use (6 pixels keep them as they are).
        const DesignScale scale(form_->font());
        QCOMPARE(form_->size(), scale.Size(QSize(480, 173)));
        QCOMPARE(form_->BitBtn1->geometry(), scale.Rect(QRect(184, 24, 97, 33)));
        QCOMPARE(form_->BitBtn1->text(), QStringLiteral("Получить архив"));
        // The port box may have grown to the left for a longer name of the machine's ports.
        const QRect designed = scale.Rect(QRect(208, 112, 73, 21));
        const QRect box = form_->ComboBox1->geometry();
        QCOMPARE(QRect(box.topRight(), box.bottomRight()), QRect(designed.topRight(), designed.bottomRight()));
        QVERIFY(box.width() >= designed.width());
        QCOMPARE(form_->ProgressBar1->geometry(), scale.Rect(QRect(136, 80, 209, 17)));
        QVERIFY(!form_->EditTransmit->isVisible());
        QCOMPARE(form_->ComboBox1->currentText(), QStringLiteral("COM1"));
        QCOMPARE(form_->ComboBox1->itemText(9), QStringLiteral("COM10"));
        QCOMPARE(form_->ComboBox1->itemText(form_->ComboBox1->count() - 1), QString());
        QCOMPARE(form_->SlBuffer1->Size(), 4096);
        QCOMPARE(form_->SlBuffer1->Comm(), form_->SlComm1);
        QCOMPARE(form_->SlComm1->Baudrate(), TSlBaudrate::br9600);
        QVERIFY(form_->SlComm1->DirectWrite());
        QCOMPARE(form_->ProgressBar1->maximum(), 100);
    }

    void wholeArchive() {
        const QStringList archive{"--generate", "25", "--seed", "7"};
        Simulator meter(archive);
        Download(meter.Device());
        QVERIFY(Messages().isEmpty());
        QVERIFY(!form_->isVisible());
        QCOMPARE(form_->ProgressBar1->maximum(), 25);
        QCOMPARE(form_->ProgressBar1->value(), 25);
        ExpectReadyForAnother();

        const QList<QStringList> expected = ArchiveCsv(archive);
        QCOMPARE(expected.size(), 25);
        MeasurementTable reopened(std::make_unique<DatabaseSource>(database_));
        reopened.Connect();
        reopened.OpenTable();
        QCOMPARE(reopened.VisibleRowCount(), 25);
        std::int32_t previousNum = 0;
        for (int row = 0; row < 25; ++row) {
            const QStringList& csv = expected[row];
            auto value = [&](MeasurementField field) { return reopened.Value(row, field); };
            const std::int32_t num = std::get<std::int32_t>(value(MeasurementField::Num));
            QVERIFY(num > previousNum);
            previousNum = num;
            QCOMPARE(value(MeasurementField::NN), FieldValue(row + 1));
            QCOMPARE(csv[0].toInt(), row + 1);
            QCOMPARE(value(MeasurementField::DataTime),
                     DateTimeFieldValue(QDateTime::fromString(csv[1], QStringLiteral("dd.MM.yyyy HH:mm:ss"))));
            QCOMPARE(value(MeasurementField::Vid), FieldValue(csv[2]));
            QCOMPARE(value(MeasurementField::W), Tenths(csv[3]));
            QCOMPARE(value(MeasurementField::N), csv[4].isEmpty() ? FieldValue() : FieldValue(csv[4].toDouble()));
            QCOMPARE(value(MeasurementField::m), Tenths(csv[5]));
            const int tenths = static_cast<int>(std::lround(csv[6].toDouble() * 10));
            QCOMPARE(value(MeasurementField::t), FieldValue(tenths / 10));
            QCOMPARE(value(MeasurementField::Type),
                     FieldValue(QString::fromUtf16(csv[7] == "0" ? u"Базовая" : u"Индивидуальная")));
            QCOMPARE(value(MeasurementField::Op), FieldValue());
        }

        // A second download appends, counting from 1 again; showing the dialog puts the bar back at 0.
        form_->open();
        QCOMPARE(form_->ProgressBar1->value(), 0);
        Download(meter.Device());
        QCOMPARE(StoredNumbers(), Range(1, 25) + Range(1, 25));
    }

    // The fast pace at the line's own rate, with a trailer and chunked replies; the port and the check box are
    // remembered for the next start, a port that could not be opened is not.
    void fastDownloadAndRememberedChoices() {
        MakeForm(true);
        QTemporaryDir settingsDir;
        const QString ini = settingsDir.filePath(QStringLiteral("rs5.ini"));
        form_->RememberIn(std::make_shared<DownloadPreferences>(ini));
        QCOMPARE(form_->ComboBox1->currentText(), QStringLiteral("COM1"));
        QVERIFY(!form_->CheckBoxFast->isChecked());
        QCOMPARE(form_->CheckBoxFast->text(), QStringLiteral("Быстрый приём"));
        QVERIFY(form_->CheckBoxFast->geometry().top() >= form_->ComboBox1->geometry().bottom());
        QVERIFY(form_->rect().contains(form_->CheckBoxFast->geometry()));

        Download(dir_.filePath(QStringLiteral("no-such-port")));
        QCOMPARE(applicationErrors_.size(), 1);
        QCOMPARE(DownloadPreferences(ini).LastPort(), QString());

        QTest::mouseClick(form_->CheckBoxFast, Qt::LeftButton);
        QVERIFY(DownloadPreferences(ini).FastDownload());
        const QStringList archive{"--generate", "8", "--seed", "11"};
        Simulator meter(archive + QStringList{"--baud", "9600", "--trailer", "0d0a", "--chunk-gap", "5"});
        form_->Timer1->setInterval(1000);
        QElapsedTimer took;
        took.start();
        Download(meter.Device());
        QCOMPARE(StoredNumbers(), Range(1, 8));
        QVERIFY(Messages().isEmpty());
        // Paced, 8 records take 10 periods; fast, about 0.2 s each.
        QVERIFY2(took.elapsed() < 5000, qPrintable(QString::number(took.elapsed())));

        const int items = form_->ComboBox1->count();
        Restart(std::make_unique<MeasurementTable>(std::make_unique<DatabaseSource>(database_)));
        form_->RememberIn(std::make_shared<DownloadPreferences>(ini));
        QCOMPARE(form_->ComboBox1->currentText(), meter.Device());
        QVERIFY(form_->CheckBoxFast->isChecked());
        QCOMPARE(form_->ComboBox1->count(), items);
        QCOMPARE(form_->ComboBox1->itemText(0), QStringLiteral("COM1"));
        QTest::mouseClick(form_->CheckBoxFast, Qt::LeftButton);
        QVERIFY(!DownloadPreferences(ini).FastDownload());
        QCOMPARE(DownloadPreferences(ini).LastPort(), meter.Device());
    }

    void emptyArchive() {
        Simulator meter({"--generate", "0"});
        Download(meter.Device());
        QVERIFY(Messages().isEmpty());
        QVERIFY(!form_->isVisible());
        // An empty bar, not Qt's busy animation of a range 0 to 0, also when the dialog is shown again.
        QCOMPARE(form_->ProgressBar1->value(), 0);
        QVERIFY(form_->ProgressBar1->maximum() > form_->ProgressBar1->minimum());
        form_->open();
        QVERIFY(form_->ProgressBar1->maximum() > form_->ProgressBar1->minimum());
        QCOMPARE(form_->ProgressBar1->value(), 0);
        form_->close();
        QCOMPARE(StoredNumbers(), QList<int>());
        ExpectReadyForAnother();
        // The port was closed once, with its pause.
        QCOMPARE(clock_->Pauses(), std::vector<std::uint32_t>{300});
    }

    // In real time: n records take n + 2 steps a period apart, and closing the port pauses before the end.
    void pacedStepsWaitTheirPeriodAndClosingPauses() {
        MakeForm(true);
        Simulator meter({"--generate", "3"});
        QElapsedTimer took;
        took.start();
        Download(meter.Device());
        const qint64 elapsed = took.elapsed();
        QVERIFY(Messages().isEmpty());
        QCOMPARE(StoredNumbers(), Range(1, 3));
        QVERIFY2(elapsed >= 5 * kStepMs + 300, qPrintable(QString::number(elapsed)));
    }

    void failingMeter_data() {
        QTest::addColumn<QStringList>("meter");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QList<int>>("kept");
        QTest::newRow("silent") << QStringList{"--silent"} << kNotConnected << QList<int>();
        QTest::newRow("silent after 4 replies") << QStringList{"--silent-after", "4"} << kNotConnected << Range(1, 3);
        QTest::newRow("short reply") << QStringList{"--short-reply", "3"} << kTransferError << Range(1, 2);
        QTest::newRow("split reply") << QStringList{"--split-reply", "2"} << kTransferError << Range(1, 1);
        QTest::newRow("vanishing line") << QStringList{"--vanish-after", "3"} << kNotConnected << Range(1, 2);
    }
    void failingMeter() {
        QFETCH(QStringList, meter);
        QFETCH(QString, message);
        QFETCH(QList<int>, kept);
        {
            Simulator failing(QStringList{"--generate", "6", "--seed", "3"} + meter);
            Download(failing.Device());
            QCOMPARE(Messages(), QStringList{message});
            QVERIFY(form_->isVisible());
            ExpectReadyForAnother();
            // No further step comes (no timer runs): no more messages, no more rows.
            QTest::qWait(SettledReplyTimer::kSilenceMs);
            QCOMPARE(Messages().size(), 1);
            QCOMPARE(StoredNumbers(), kept);
        }
        // The dialog is usable again at once.
        Simulator working({"--generate", "2"});
        Download(working.Device());
        QCOMPARE(StoredNumbers(), kept + Range(1, 2));
        QVERIFY(!form_->isVisible());
    }

    // The meter's clock spoiled a date: the record keeps its row with every other field and an empty date, the
    // download goes on to the end, one box names such records and the log gives their date bytes.
    void damagedDateKeepsItsRowAndTheDownloadGoesOn_data() {
        QTest::addColumn<QStringList>("garble");
        QTest::addColumn<QList<int>>("undated");
        QTest::addColumn<QString>("listed");
        QTest::newRow("record 3") << QStringList{"--garble", "3"} << QList<int>{3} << "3";
        QTest::newRow("first record") << QStringList{"--garble", "1"} << QList<int>{1} << "1";
        QTest::newRow("records 2, 5 and 6")
            << QStringList{"--garble", "2", "--garble", "5", "--garble", "6"} << QList<int>{2, 5, 6} << "2, 5, 6";
    }
    void damagedDateKeepsItsRowAndTheDownloadGoesOn() {
        QFETCH(QStringList, garble);
        QFETCH(QList<int>, undated);
        QFETCH(QString, listed);
        for (const int k : undated) {
            // Day 0, month 13: the bytes as they came, and the date they would make.
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^record %1: the date bytes "
                                                                                 "[0-9A-F]{2} [0-9A-F]{2} [0-9A-F]{2} "
                                                                                 "00 0D [0-9A-F]{2} .*'00\\.13\\.")
                                                                      .arg(k)));
        }
        const QStringList archive{"--generate", "6", "--seed", "3"};
        Simulator meter(archive + garble);
        Download(meter.Device());
        QCOMPARE(Messages(), QStringList{QStringLiteral("Information: Записи без даты: %1 — прибор записал неверную "
                                                        "дату; они сохранены с пустой датой")
                                             .arg(listed)});
        QVERIFY(!form_->isVisible());
        QCOMPARE(form_->ProgressBar1->value(), 6);
        ExpectReadyForAnother();
        ExpectRowsOf(archive, undated);
    }

    // «Только новые записи»: a repeated download adds nothing and reads back two records; an archive that grew
    // since is asked for only past what the table holds; a rewritten one is read whole. The choice is remembered.
    void newRecordsOnly() {
        QTemporaryDir settingsDir;
        const QString ini = settingsDir.filePath(QStringLiteral("rs5.ini"));
        form_->RememberIn(std::make_shared<DownloadPreferences>(ini));
        QCOMPARE(form_->CheckBoxNewOnly->text(), QStringLiteral("Только новые записи"));
        QVERIFY(!form_->CheckBoxNewOnly->isChecked());
        QVERIFY(form_->rect().contains(form_->CheckBoxNewOnly->geometry()));
        QVERIFY(!form_->CheckBoxNewOnly->geometry().intersects(form_->CheckBoxFast->geometry()));
        {
            Simulator meter({"--generate", "30", "--seed", "4"});
            Download(meter.Device());
            QVERIFY(Messages().isEmpty());
            QCOMPARE(StoredNumbers(), Range(1, 30));
        }
        QTest::mouseClick(form_->CheckBoxNewOnly, Qt::LeftButton);
        QVERIFY(DownloadPreferences(ini).NewRecordsOnly());

        struct Case {
            QStringList archive;
            QList<int> added;
            int mostSteps;
            QString summary;
        };
        const QList<Case> cases{
            {{"--generate", "30", "--seed", "4"}, {}, 4, "Новых записей: 0, уже были в таблице: 30"},
            {{"--generate", "45", "--seed", "4"}, Range(31, 45), 19, "Новых записей: 15, уже были в таблице: 30"},
            {{"--generate", "45", "--seed", "9"}, Range(1, 45), 47, "Новых записей: 45, уже были в таблице: 0"},
        };
        QList<int> stored = Range(1, 30);
        for (const Case& c : cases) {
            Simulator meter(c.archive);
            form_->open();
            steps_ = 0;
            Download(meter.Device());
            QCOMPARE(Messages(), QStringList{QStringLiteral("Information: ") + c.summary});
            messages_.clear();
            QVERIFY2(steps_ <= c.mostSteps, qPrintable(c.archive.join(' ') + ": " + QString::number(steps_)));
            QVERIFY(!form_->isVisible());
            QCOMPARE(form_->ProgressBar1->value(), form_->ProgressBar1->maximum());
            ExpectReadyForAnother();
            stored += c.added;
            QCOMPARE(StoredNumbers(), stored);
        }

        Restart(std::make_unique<MeasurementTable>(std::make_unique<DatabaseSource>(database_)));
        form_->RememberIn(std::make_shared<DownloadPreferences>(ini));
        QVERIFY(form_->CheckBoxNewOnly->isChecked());
    }

    // The program's own period of 1000 ms with the real timer: record 1 comes at the third step. Closing the
    // dialog from its frame does not stop the download; shown again, it has its button disabled and its bar at 0
    // until the next record; the end closes the port and the (hidden) dialog.
    void pacedAtItsOwnPeriodWhileTheDialogIsClosedAndShownAgain() {
        form_.reset();
        form_ = std::make_unique<TForm1>(*table_, mainThread_);
        QCOMPARE(form_->Timer1->interval(), 1000);
        form_->open();
        Simulator meter({"--generate", "3"});
        form_->ComboBox1->setEditText(meter.Device());
        QElapsedTimer took;
        took.start();
        QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(table_->VisibleRowCount() == 1, 10000);
        // Qt's coarse timers may fire up to 5 % early.
        QVERIFY2(took.elapsed() >= 3 * 950, qPrintable(QString::number(took.elapsed())));

        form_->close();
        QVERIFY(!form_->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(table_->VisibleRowCount() == 2, 5000);
        QVERIFY(form_->SlComm1->Active());
        form_->open();
        QVERIFY(!form_->BitBtn1->isEnabled());
        QCOMPARE(form_->ProgressBar1->value(), 0);
        QCOMPARE(form_->ProgressBar1->maximum(), 3);
        QTRY_COMPARE_WITH_TIMEOUT(form_->ProgressBar1->value(), 3, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(form_->BitBtn1->isEnabled(), 5000);
        QVERIFY2(took.elapsed() >= 5 * 950 + 300, qPrintable(QString::number(took.elapsed())));
        QVERIFY(!form_->isVisible());
        QVERIFY(!form_->SlComm1->Active());
        QVERIFY(!form_->Timer1->isActive());
        QVERIFY(Messages().isEmpty());
        QCOMPARE(StoredNumbers(), Range(1, 3));
    }

    // The header request fails on a real port (the far end of the pseudo-terminal went away just after it was
    // opened): the error reaches the application's box, the port is closed again, and the next start works.
    void headerWriteThatFailsLeavesThePortClosed() {
        int far = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(far >= 0);
        QVERIFY(grantpt(far) == 0 && unlockpt(far) == 0);
        const QString device = QString::fromLocal8Bit(ptsname(far));
        form_->SlComm1->OnOpen = [&far](TSlComponent*) {
            ::close(far);
            far = -1;
        };
        Download(device);
        form_->SlComm1->OnOpen = nullptr;
        if (far >= 0) {
            ::close(far);
        }
        QCOMPARE(applicationErrors_.size(), 1);
        QVERIFY2(applicationErrors_[0].startsWith(QStringLiteral("Write error (")), qPrintable(applicationErrors_[0]));
        QVERIFY(Messages().isEmpty());
        ExpectReadyForAnother();
        QVERIFY(form_->isVisible());

        Simulator working({"--generate", "2"});
        Download(working.Device());
        QCOMPARE(applicationErrors_.size(), 1);
        QCOMPARE(StoredNumbers(), Range(1, 2));
    }

    // The rows cannot be stored: the transfer-error box comes all the same, the log says why, and the rows stored
    // before stay. A file whose owner took every write permission away counts as read-only also for root.
    void databaseThatCannotBeWritten_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("cause");
        QTest::newRow("read-only file") << "read-only"
                                        << "attempt to write a readonly database";
        QTest::newRow("locked past the busy time-out") << "locked"
                                                       << "database is locked";
    }
    void databaseThatCannotBeWritten() {
        QFETCH(QString, how);
        QFETCH(QString, cause);
        std::unique_ptr<SqliteConnection> lock;
        if (how == "read-only") {
            QVERIFY(QFile::setPermissions(database_, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
            Restart(std::make_unique<MeasurementTable>(std::make_unique<DatabaseSource>(database_)));
            table_->OpenTable();
        } else {
            lock = std::make_unique<SqliteConnection>(database_, SQLITE_OPEN_READWRITE, QString());
            lock->Execute("BEGIN IMMEDIATE");
        }
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(cause)));
        Simulator meter({"--generate", "3"});
        Download(meter.Device());
        // Storing the first row waits out the busy time-out once when it fails and once more at the end.
        QTRY_COMPARE_WITH_TIMEOUT(Messages(), QStringList{kTransferError}, 3 * DatabaseSource::kBusyTimeoutMs);
        ExpectReadyForAnother();
        lock.reset();
        QFile::setPermissions(database_, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(StoredNumbers(), QList<int>());
    }

    // Started without sys.mdb, the table is closed: the first record fails with the box, not silently.
    void closedTable() {
        Restart(std::make_unique<MeasurementTable>(
            std::make_unique<DatabaseSource>(dir_.filePath(QStringLiteral("no-such.mdb")))));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("closed dataset"));
        Simulator meter({"--generate", "3"});
        Download(meter.Device());
        QTRY_COMPARE(Messages(), QStringList{kTransferError});
        ExpectReadyForAnother();
        QVERIFY(form_->isVisible());
    }

    void portThatCannotOpen_data() {
        QTest::addColumn<QString>("port");
        QTest::newRow("no such device") << QStringLiteral("/dev/no-such-port");
        QTest::newRow("empty name") << QString();
    }
    void portThatCannotOpen() {
        QFETCH(QString, port);
        Download(port);
        QCOMPARE(applicationErrors_, QStringList{QStringLiteral("Specified device not found (%1).").arg(port)});
        QVERIFY(Messages().isEmpty());
        ExpectReadyForAnother();
        QVERIFY(form_->isVisible());
        QCOMPARE(StoredNumbers(), QList<int>());
    }
};

RS5_TEST_CLASS(DownloadDialogTest);

#include "DownloadDialogTest.moc"
