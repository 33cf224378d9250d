// The measurement report generated over a table: the texts each page shows, the walk through the table, and the
// saved-pages file.
#include "report/Report1Layout.h"
#include "report/TableReport.h"
#include "report/engine/ReportGenerator.h"
#include "report/engine/ReportOutput.h"
#include "tests/QtTestRunner.h"
#include "tests/report/ReportTestRows.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace report;

namespace {

// The texts of the first band of `kind` on a page.
std::vector<QString> Texts(const ReportDocument& document, int page, BandKind kind, int nth = 0) {
    const ReportPage& p = document.pages[static_cast<std::size_t>(page)];
    for (const PlacedBand& band : p.bands) {
        if (document.definition.bands[static_cast<std::size_t>(band.band)].kind == kind && nth-- == 0) {
            return BandTexts(document, p, band);
        }
    }
    return {};
}

std::shared_ptr<ReportDocument> Generate(MeasurementTable& table) {
    TableReport report(Report1Layout(), table);
    auto generator = report.Generate();
    generator->Run();
    return generator->Document();
}

QString Today() {
    return QStringLiteral("Printed ") + QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
}

// A source whose fields may be missing or fail, for the rule that such items print nothing.
class FaultySource final : public ReportDataSource {
public:
    void First() override {}
    void Next() override {}
    int RowCount() override { return 1; }
    int FieldIndex(QStringView name) override { return name == u"NN" ? 0 : name == u"W" ? 1 : -1; }
    QString Text(int field) override {
        if (field == 1) {
            throw std::runtime_error("no text");
        }
        return QStringLiteral("7");
    }
};

}  // namespace

class ReportTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void detailLinesShowTheGridsTexts() {
        auto table = OpenTableWith(MeasurementRows(3, 1));
        const auto document = Generate(*table);
        // Items in drawing order: NN, DataTime, W, m, N, Vid, t, Type, Op.
        const std::vector<QString> first = Texts(*document, 0, BandKind::Detail, 0);
        QCOMPARE(first.size(), std::size_t{9});
        QCOMPARE(first[0], QStringLiteral("1"));
        QCOMPARE(first[1], table->DisplayText(0, MeasurementField::DataTime));
        QVERIFY(first[1].startsWith(QStringLiteral("01.03.2020 8:30:15")) ||
                first[1].startsWith(QStringLiteral("01.03.2020 08:30:15")));
        QCOMPARE(first[2], QStringLiteral("10,3"));  // one decimal
        QCOMPARE(first[3], QStringLiteral("100,0"));
        QCOMPARE(first[4], QStringLiteral("750,5"));
        QCOMPARE(first[5], QStringLiteral("Пшеница"));
        QCOMPARE(first[6], QStringLiteral("22"));  // no decimals
        QCOMPARE(first[7], QStringLiteral("Базовая"));
        QCOMPARE(first[8], QStringLiteral("партия 1"));
        // A measurement without W prints nothing there, not a zero.
        const std::vector<QString> second = Texts(*document, 0, BandKind::Detail, 1);
        QCOMPARE(second[0], QStringLiteral("2"));
        QCOMPARE(second[2], QString());
        QCOMPARE(second[3], QStringLiteral("100,0"));
    }

    void titleColumnTitlesAndFooter() {
        auto table = OpenTableWith(MeasurementRows(65));
        const auto document = Generate(*table);
        QCOMPARE(document->pages.size(), std::size_t{3});
        QCOMPARE(Texts(*document, 0, BandKind::Title), std::vector<QString>{QStringLiteral("Zarudedu РС5 \"Нирма\"")});
        const std::vector<QString> columns = {
            QStringLiteral("№"),        QStringLiteral("Дата/Время"),      QStringLiteral("W ср.,%"),
            QStringLiteral("m, гр."),   QStringLiteral("N, г./л."),        QStringLiteral("Вид зерна"),
            QStringLiteral("t, град."), QStringLiteral("Тип градуировки"), QStringLiteral("Заметки")};
        for (int page = 0; page < 3; ++page) {
            QCOMPARE(Texts(*document, page, BandKind::ColumnHeader), columns);
            // The date of printing, not of a measurement, and the page's own number.
            const std::vector<QString> footer = {Today(), QStringLiteral("Page %1").arg(page + 1)};
            QCOMPARE(Texts(*document, page, BandKind::PageFooter), footer);
        }
        QCOMPARE(Texts(*document, 1, BandKind::Detail, 0)[0], QStringLiteral("32"));
        QCOMPARE(Texts(*document, 2, BandKind::Detail, 0)[0], QStringLiteral("65"));
        QVERIFY(Texts(*document, 1, BandKind::Title).empty());
    }

    void emptyTableGivesOnePageWithAnEmptyLine() {
        auto table = OpenTableWith({});
        const auto document = Generate(*table);
        QCOMPARE(document->pages.size(), std::size_t{1});
        QVERIFY(Texts(*document, 0, BandKind::ColumnHeader).empty());
        QCOMPARE(Texts(*document, 0, BandKind::Detail), std::vector<QString>(9));
        const std::vector<QString> footer = {Today(), QStringLiteral("Page 1")};
        QCOMPARE(Texts(*document, 0, BandKind::PageFooter), footer);
    }

    void walkLeavesTheLastRowCurrent() {
        auto table = OpenTableWith(MeasurementRows(40));
        table->MoveTo(5);
        Generate(*table);
        QCOMPARE(table->CurrentRow(), 39);
        // A new generation starts from the first row again.
        table->MoveTo(2);
        const auto again = Generate(*table);
        QCOMPARE(Texts(*again, 0, BandKind::Detail, 0)[0], QStringLiteral("1"));
        QCOMPARE(table->CurrentRow(), 39);
    }

    void generationInStepsGivesTheSamePages() {
        auto table = OpenTableWith(MeasurementRows(100));
        TableReport report(Report1Layout(), *table);
        auto generator = report.Generate();
        QCOMPARE(generator->PageCount(), 4);
        QVERIFY(generator->Step(1));
        QCOMPARE(generator->Document()->pages.size(), std::size_t{1});
        QCOMPARE(generator->Percent(), 31);
        QCOMPARE(table->CurrentRow(), 30);  // the grid follows the walk
        while (generator->Step(10)) {
        }
        QCOMPARE(generator->Percent(), 100);
        QCOMPARE(generator->Document()->pages.size(), std::size_t{4});
        QCOMPARE(Texts(*generator->Document(), 3, BandKind::Detail, 0)[0], QStringLiteral("98"));
    }

    void rowMovedDuringGenerationDoesNotDisturbTheWalk() {
        auto table = OpenTableWith(MeasurementRows(100));
        TableReport report(Report1Layout(), *table);
        auto generator = report.Generate();
        generator->Step(1);
        table->MoveTo(0);  // a click in the grid while the preview generates
        generator->Step(40);
        table->MoveTo(90);
        generator->Run();
        QStringList numbers;
        for (std::size_t p = 0; p < generator->Document()->pages.size(); ++p) {
            for (int line = 0; !Texts(*generator->Document(), int(p), BandKind::Detail, line).empty(); ++line) {
                numbers << Texts(*generator->Document(), int(p), BandKind::Detail, line)[0];
            }
        }
        QCOMPARE(numbers.size(), 100);
        for (int i = 0; i < 100; ++i) {
            QCOMPARE(numbers[i], QString::number(i + 1));
        }
        QCOMPARE(table->CurrentRow(), 99);
    }

    void missingOrFailingFieldsPrintNothing() {
        FaultySource source;
        ReportGenerator generator(Report1Layout(), source);
        generator.Run();
        const std::vector<QString> line = Texts(*generator.Document(), 0, BandKind::Detail);
        QCOMPARE(line[0], QStringLiteral("7"));  // NN
        QCOMPARE(line[2], QString());            // W fails
        QCOMPARE(line[1], QString());            // DataTime missing
    }

    void textsAreMeasuredOnce() {
        auto table = OpenTableWith(MeasurementRows(1));
        const auto document = Generate(*table);
        const ReportPage& page = document->pages[0];
        const PlacedBand& footer = page.bands.back();
        const PlacedText& number = page.texts[static_cast<std::size_t>(footer.firstText) + 1];
        // "Page 1" in Arial 10 pt: a little over 30 points wide.
        QVERIFY2(number.widthPt > 25 && number.widthPt < 40, qPrintable(QString::number(number.widthPt)));
        QVERIFY(!number.complex);
    }

    void savedPagesLoadAsGenerated() {
        QTemporaryDir dir;
        auto table = OpenTableWith(MeasurementRows(40, 3));
        const auto document = Generate(*table);
        const QString path = dir.filePath(QStringLiteral("pages.rs5r"));
        WriteReportFile(*document, path);
        const ReportDocument loaded = ReadReportFile(path);
        QCOMPARE(loaded.pages.size(), document->pages.size());
        QCOMPARE(loaded.definition.bands.size(), document->definition.bands.size());
        QCOMPARE(loaded.definition.bands[0].items[0].font->color, document->definition.bands[0].items[0].font->color);
        for (std::size_t p = 0; p < loaded.pages.size(); ++p) {
            QCOMPARE(loaded.pages[p].characters, document->pages[p].characters);
            QCOMPARE(loaded.pages[p].bands.size(), document->pages[p].bands.size());
            for (std::size_t b = 0; b < loaded.pages[p].bands.size(); ++b) {
                QCOMPARE(loaded.pages[p].bands[b].topUm, document->pages[p].bands[b].topUm);
                QCOMPARE(BandTexts(loaded, loaded.pages[p], loaded.pages[p].bands[b]),
                         BandTexts(*document, document->pages[p], document->pages[p].bands[b]));
            }
        }
    }

    void damagedSavedPagesAreRefused() {
        QTemporaryDir dir;
        auto table = OpenTableWith(MeasurementRows(2));
        const auto document = Generate(*table);
        const QString path = dir.filePath(QStringLiteral("pages.rs5r"));
        WriteReportFile(*document, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray good = file.readAll();
        file.close();

        const QString broken = dir.filePath(QStringLiteral("broken.rs5r"));
        auto readBack = [&](const QByteArray& bytes) -> QString {
            QFile out(broken);
            if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                return QStringLiteral("cannot write");
            }
            out.write(bytes);
            out.close();
            try {
                const ReportDocument loaded = ReadReportFile(broken);
                return QStringLiteral("loaded %1").arg(loaded.pages.size());
            } catch (const ReportError& error) {
                return error.Message();
            }
        };
        QVERIFY(readBack(QByteArray("not a report at all")).contains(QStringLiteral("нет сохраненных страниц отчета")));
        QByteArray newer = good;
        newer[5] = 9;  // the format version's low byte
        QVERIFY(readBack(newer).contains(QStringLiteral("более новом формате (9)")));
        for (const qsizetype length : {qsizetype{6}, qsizetype{40}, good.size() / 2, good.size() - 1}) {
            QVERIFY2(readBack(good.left(length)).contains(QStringLiteral("повреждены")),
                     qPrintable(QString::number(length)));
        }
        QVERIFY(readBack(good + QByteArray("x")).contains(QStringLiteral("повреждены")));
        // Any single byte changed: refused or loaded, never a page pointing outside its texts.
        for (qsizetype i = 6; i < good.size(); i += 7) {
            QByteArray bytes = good;
            bytes[i] = static_cast<char>(bytes[i] ^ 0x5a);
            const QString result = readBack(bytes);
            QVERIFY2(result.startsWith(QStringLiteral("loaded")) || result.contains(QStringLiteral("повреждены")),
                     qPrintable(result));
        }
        QVERIFY_THROWS_EXCEPTION(ReportError, ReadReportFile(dir.filePath(QStringLiteral("missing.rs5r"))));
    }

    void pdfIsWrittenWholeOrNotAtAll() {
        QTemporaryDir dir;
        auto table = OpenTableWith(MeasurementRows(40));
        const auto document = Generate(*table);
        const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
        WritePdf(*document, pdf);
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY(bytes.trimmed().endsWith("%%EOF"));
        const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?!s)"));
        QCOMPARE(QString::fromLatin1(bytes).count(page), 2);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("report.pdf")});
        QVERIFY_THROWS_EXCEPTION(ReportError, WritePdf(*document, dir.path()));  // a folder is no file
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("report.pdf")});

        // Through QPdfWriter (for fonts the own writer cannot embed) the same pages come out.
        const QString throughQt = dir.filePath(QStringLiteral("qt.pdf"));
        WritePdfThroughQt(*document, throughQt);
        QFile qtFile(throughQt);
        QVERIFY(qtFile.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(qtFile.readAll()).count(page), 2);

        const QString nowhere = dir.filePath(QStringLiteral("missing/report.pdf"));
        QVERIFY_THROWS_EXCEPTION(ReportError, WritePdf(*document, nowhere));
        QVERIFY(!QFile::exists(nowhere));
    }
};

RS5_TEST_CLASS(ReportTest);

#include "ReportTest.moc"
