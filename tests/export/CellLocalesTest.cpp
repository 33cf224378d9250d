// Every text the table gives the export becomes a typed cell of the right kind and value, in every locale Qt knows,
// read by the workbook server through the same automation calls the export makes.
#include "export/SystemInputLocale.h"
#include "export/automation/Automation.h"
#include "export/workbook/WorkbookServer.h"
#include "store/FieldFormatter.h"
#include "tests/QtTestRunner.h"

#include <QLocale>
#include <QTest>

#include <cmath>
#include <memory>
#include <variant>

namespace {

struct KeepWorkbook : WorkbookHandover {
    std::shared_ptr<Worksheet> sheet;
    void HandOver(const Workbook& workbook) override { sheet = workbook.sheets.at(0); }
};

struct Sample {
    MeasurementField field;
    FieldValue value;
};

// Days since 1899-12-30 with the time as a fraction, as the sheet counts them.
double Serial(const WallClockTime& t) {
    return QDate(1899, 12, 30).daysTo(t.Date()) + (t.hour * 3600 + t.minute * 60 + t.second) / 86400.0;
}

class CellLocalesTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void everyFieldTextBecomesATypedCellInEveryLocale() {
        const std::vector<Sample> samples = {
            {MeasurementField::NN, std::int32_t(65535)},
            {MeasurementField::t, std::int32_t(-5)},
            {MeasurementField::W, 12.345},
            {MeasurementField::m, 100.25},
            {MeasurementField::N, 0.123456789012345},
            {MeasurementField::N, -0.25},
            {MeasurementField::N, 1e20},
            {MeasurementField::N, 1.5e-6},
            {MeasurementField::N, 1234567.5},
            {MeasurementField::DataTime, WallClockTime{2007, 12, 3, 14, 5, 31}},
            {MeasurementField::DataTime, WallClockTime{2035, 1, 28, 9, 7, 5}},  // after 2030: four digits kept
            {MeasurementField::DataTime, WallClockTime{2026, 12, 31, 23, 59, 59}},
            {MeasurementField::DataTime, WallClockTime{1999, 7, 4, 0, 0, 0}},  // midnight: the date alone
            {MeasurementField::Vid, QStringLiteral("Пшеница")},
        };
        QStringList failures;
        const QList<QLocale> locales =
            QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
        QVERIFY(locales.size() > 500);
        for (const QLocale& locale : locales) {
            QLocale::setDefault(locale);
            const FieldFormatter formatter;
            auto keep = std::make_shared<KeepWorkbook>();
            const WorkbookServer server(SystemInputLocale(), keep);
            const AutomationValue app(server.CreateApplication());
            CallMethod(GetProperty(app, u"WorkBooks"), u"add");
            const AutomationValue sheet = GetProperty(app, u"WorkSheets", 1);
            QStringList texts;
            for (std::size_t i = 0; i < samples.size(); ++i) {
                texts << formatter.PlainText(samples[i].field, samples[i].value);
                SetProperty(GetProperty(sheet, u"Cells", int(i) + 1, 1), u"Value", texts.back().toStdU16String());
            }
            SetProperty(app, u"Visible", true);
            QVERIFY(keep->sheet);
            for (std::size_t i = 0; i < samples.size(); ++i) {
                const Cell& cell = keep->sheet->At(int(i) + 1, 1);
                const FieldValue& value = samples[i].value;
                const std::string& format = keep->sheet->Format(cell);
                bool right = false;
                if (const auto* n = std::get_if<std::int32_t>(&value)) {
                    right = cell.kind == Cell::Kind::Number && cell.number == *n;
                } else if (const auto* d = std::get_if<double>(&value)) {
                    right = cell.kind == Cell::Kind::Number && std::abs(cell.number - *d) <= std::abs(*d) * 1e-14;
                } else if (const auto* t = std::get_if<WallClockTime>(&value)) {
                    const bool midnight = t->Time() == QTime(0, 0);
                    right = cell.kind == Cell::Kind::DateTime && std::abs(cell.number - Serial(*t)) < 1e-9 &&
                            format.find("yyyy") != std::string::npos &&
                            (format.find("ss") != std::string::npos) == !midnight;
                } else {
                    right = cell.kind == Cell::Kind::Text;
                }
                if (!right) {
                    failures << QStringLiteral("%1: \"%2\" gave kind %3, %4, format %5")
                                    .arg(locale.name(), texts[int(i)])
                                    .arg(int(cell.kind))
                                    .arg(cell.number, 0, 'g', 17)
                                    .arg(QString::fromStdString(format));
                }
            }
        }
        QVERIFY2(failures.isEmpty(), qPrintable(QString::number(failures.size()) + QStringLiteral(" cells wrong:\n") +
                                                failures.mid(0, 30).join(QLatin1Char('\n'))));
    }
};

}  // namespace

RS5_TEST_CLASS(CellLocalesTest);

#include "CellLocalesTest.moc"
