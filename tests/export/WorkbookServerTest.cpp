// The workbook server's members as a client reaches them, its failures, its counts, and the .xlsx it hands over.
#include "export/automation/Automation.h"
#include "export/workbook/WorkbookServer.h"
#include "export/workbook/XlsxFile.h"
#include "tests/export/XlsxReader.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Keeps the workbooks handed over; can be told to fail.
struct KeepingHandover : WorkbookHandover {
    std::vector<Workbook> books;
    bool fail = false;
    void HandOver(const Workbook& workbook) override {
        if (fail) {
            throw std::runtime_error("disk full");
        }
        books.push_back(workbook);
    }
};

const InputLocale kRussian = InputLocale::FromPatterns(u',', u"dd.MM.yyyy", u"HH:mm:ss");

std::uint32_t CodeOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const AutomationError& error) {
        return error.Code();
    }
    return 0;
}

class WorkbookServerTest : public testing::Test {
protected:
    std::shared_ptr<KeepingHandover> handover = std::make_shared<KeepingHandover>();
    WorkbookServer server{kRussian, handover};

    // An application with one new workbook, as the export starts it.
    AutomationValue StartedApplication() {
        AutomationValue app(server.CreateApplication());
        CallMethod(GetProperty(app, u"WorkBooks"), u"add");
        SetProperty(app, u"SheetsInNewWorkbook", 1);
        return app;
    }
};

TEST_F(WorkbookServerTest, TheExportsCallsBuildTheSheet) {
    AutomationValue app = StartedApplication();
    AutomationValue sheet = GetProperty(GetProperty(app, u"Worksheets"), u"Item", 1);
    SetProperty(sheet, u"Name", u"Данные");
    SetProperty(GetProperty(GetProperty(sheet, u"Columns"), u"Item", 3), u"ColumnWidth", 16);
    SetProperty(GetProperty(sheet, u"Cells", 1, 7), u"Value", u"Zarudedu РС5");
    SetProperty(GetProperty(sheet, u"Cells", 3, 4), u"Value", u"12,345");
    SetProperty(GetProperty(sheet, u"Cells", 3, 2), u"Value", u"09.12.2026 14:05:31");
    SetProperty(GetProperty(sheet, u"Cells", 3, 9), u"Value", u"");
    // "WorkSheets" with an index reaches the same sheet as "Worksheets" and its "Item".
    EXPECT_EQ(GetProperty(GetProperty(app, u"WorkSheets", 1), u"Name").Text(), u"Данные");
    EXPECT_EQ(GetProperty(GetProperty(GetProperty(sheet, u"Columns"), u"Item", 3), u"ColumnWidth").Integer(), 16);
    EXPECT_EQ(GetProperty(GetProperty(sheet, u"Cells", 1, 7), u"Value").Text(), u"Zarudedu РС5");
    EXPECT_TRUE(GetProperty(GetProperty(sheet, u"Cells", 3, 9), u"Value").IsEmpty());
    EXPECT_TRUE(handover->books.empty());  // nothing reaches the user while invisible

    SetProperty(app, u"Visible", true);
    ASSERT_EQ(handover->books.size(), 1u);
    const Worksheet& written = *handover->books[0].sheets.at(0);
    EXPECT_EQ(written.Name(), u"Данные");
    EXPECT_EQ(written.At(3, 4).kind, Cell::Kind::Number);
    EXPECT_DOUBLE_EQ(written.At(3, 4).number, 12.345);
    EXPECT_EQ(written.At(3, 2).kind, Cell::Kind::DateTime);
    EXPECT_EQ(written.Format(written.At(3, 2)), "dd.mm.yyyy hh:mm:ss");
    EXPECT_EQ(written.At(3, 9).kind, Cell::Kind::Empty);
    EXPECT_EQ(handover->books[0].sheets.size(), 1u);

    SetProperty(app, u"Visible", true);  // a workbook is handed over once
    EXPECT_EQ(handover->books.size(), 1u);
}

TEST_F(WorkbookServerTest, NamesMatchWithoutRegardToCase) {
    AutomationValue app(server.CreateApplication());
    CallMethod(GetProperty(app, u"WORKBOOKS"), u"ADD");
    EXPECT_EQ(GetProperty(app, u"sheetsinnewworkbook").Integer(), 1);
    EXPECT_EQ(GetProperty(GetProperty(app, u"worksheets", 1), u"NAME").Text(), u"Sheet1");
}

TEST_F(WorkbookServerTest, MembersFailAsARealServerWould) {
    AutomationValue app(server.CreateApplication());
    // No workbook yet: the application has no sheets to give.
    EXPECT_EQ(CodeOf([&] { GetProperty(app, u"Worksheets", 1); }), AutomationCode::kException);
    CallMethod(GetProperty(app, u"WorkBooks"), u"add");
    AutomationValue sheet = GetProperty(app, u"WorkSheets", 1);
    const AutomationValue cell = GetProperty(sheet, u"Cells", 1, 1);

    struct Expectation {
        const char* what;
        std::function<void()> call;
        std::uint32_t code;
    };
    const std::vector<Expectation> cases{
        {"unknown member", [&] { GetProperty(app, u"ActiveSheet"); }, AutomationCode::kUnknownName},
        {"unknown cell member", [&] { SetProperty(cell, u"Formula", u"=1"); }, AutomationCode::kUnknownName},
        {"method called as property", [&] { GetProperty(GetProperty(app, u"WorkBooks"), u"add"); },
         AutomationCode::kMemberNotFound},
        {"property called as method", [&] { CallMethod(app, u"Visible"); }, AutomationCode::kMemberNotFound},
        {"read-only assigned", [&] { SetProperty(app, u"WorkBooks", 1); }, AutomationCode::kMemberNotFound},
        {"Cells with one argument", [&] { GetProperty(sheet, u"Cells", 1); }, AutomationCode::kBadParamCount},
        {"Cells without arguments", [&] { GetProperty(sheet, u"Cells"); }, AutomationCode::kBadParamCount},
        {"Item without index", [&] { GetProperty(GetProperty(app, u"Worksheets"), u"Item"); },
         AutomationCode::kBadParamCount},
        {"Worksheets with two", [&] { GetProperty(app, u"Worksheets", 1, 1); }, AutomationCode::kBadParamCount},
        {"Columns with an index", [&] { GetProperty(sheet, u"Columns", 3); }, AutomationCode::kBadParamCount},
        {"Value with an index", [&] { GetProperty(cell, u"Value", 1); }, AutomationCode::kBadParamCount},
        {"sheet index 0", [&] { GetProperty(app, u"WorkSheets", 0); }, AutomationCode::kBadIndex},
        {"sheet past the end", [&] { GetProperty(GetProperty(app, u"Worksheets"), u"Item", 2); },
         AutomationCode::kBadIndex},
        {"row 0", [&] { GetProperty(sheet, u"Cells", 0, 1); }, AutomationCode::kBadIndex},
        {"column past the end", [&] { GetProperty(sheet, u"Cells", 1, 16385); }, AutomationCode::kBadIndex},
        {"row past the end", [&] { GetProperty(sheet, u"Cells", 1048577, 1); }, AutomationCode::kBadIndex},
        {"column 0", [&] { GetProperty(GetProperty(sheet, u"Columns"), u"Item", 0); }, AutomationCode::kBadIndex},
        {"text width",
         [&] { SetProperty(GetProperty(GetProperty(sheet, u"Columns"), u"Item", 3), u"ColumnWidth", u"16"); },
         AutomationCode::kTypeMismatch},
        {"width too large",
         [&] { SetProperty(GetProperty(GetProperty(sheet, u"Columns"), u"Item", 3), u"ColumnWidth", 256); },
         AutomationCode::kException},
        {"number as name", [&] { SetProperty(sheet, u"Name", 5); }, AutomationCode::kTypeMismatch},
        {"bad name", [&] { SetProperty(sheet, u"Name", u"a/b"); }, AutomationCode::kException},
        {"empty name", [&] { SetProperty(sheet, u"Name", u""); }, AutomationCode::kException},
        {"name too long", [&] { SetProperty(sheet, u"Name", std::u16string(32, u'x')); }, AutomationCode::kException},
        {"text for Visible", [&] { SetProperty(app, u"Visible", u"да"); }, AutomationCode::kTypeMismatch},
        {"no sheets", [&] { SetProperty(app, u"SheetsInNewWorkbook", 0); }, AutomationCode::kException},
        {"text too long", [&] { SetProperty(cell, u"Value", std::u16string(32768, u'x')); },
         AutomationCode::kException},
    };
    for (const Expectation& expectation : cases) {
        EXPECT_EQ(CodeOf(expectation.call), expectation.code) << expectation.what;
    }
    EXPECT_EQ(GetProperty(sheet, u"Name").Text(), u"Sheet1");  // refused names changed nothing
    EXPECT_TRUE(GetProperty(cell, u"Value").IsEmpty());
}

TEST_F(WorkbookServerTest, SheetsInNewWorkbookCountsForTheNextWorkbookAndNamesStayUnique) {
    AutomationValue app(server.CreateApplication());
    SetProperty(app, u"SheetsInNewWorkbook", 3);
    CallMethod(GetProperty(app, u"WorkBooks"), u"add");
    EXPECT_EQ(GetProperty(GetProperty(app, u"Worksheets", 3), u"Name").Text(), u"Sheet3");
    EXPECT_EQ(CodeOf([&] { SetProperty(GetProperty(app, u"Worksheets", 2), u"Name", u"sheet1"); }),
              AutomationCode::kException);
    SetProperty(app, u"SheetsInNewWorkbook", 1);
    CallMethod(GetProperty(app, u"WorkBooks"), u"add");
    // The application's sheets are now those of the new workbook.
    EXPECT_EQ(CodeOf([&] { GetProperty(app, u"Worksheets", 2); }), AutomationCode::kBadIndex);
    SetProperty(app, u"Visible", true);
    ASSERT_EQ(handover->books.size(), 2u);
    EXPECT_EQ(handover->books[0].sheets.size(), 3u);
    EXPECT_EQ(handover->books[1].sheets.size(), 1u);
}

TEST_F(WorkbookServerTest, CountsReachZeroOnceTheLastReferenceGoes) {
    {
        AutomationValue app = StartedApplication();
        AutomationValue sheet = GetProperty(app, u"WorkSheets", 1);
        const long withSheet = server.LiveObjects();
        EXPECT_EQ(withSheet, 2);  // the collection of "WorkBooks" was released with the step that used it
        SetProperty(GetProperty(sheet, u"Cells", 2, 2), u"Value", u"1");
        EXPECT_EQ(server.LiveObjects(), withSheet);  // so was the cell
        AutomationValue cell = GetProperty(sheet, u"Cells", 2, 2);
        ClearValue(app);
        ClearValue(sheet);
        // The cell keeps its sheet and application alive, as automation objects keep their parents.
        EXPECT_EQ(GetProperty(cell, u"Value").Integer(), 1);
        EXPECT_EQ(server.LiveObjects(), 3);
    }
    EXPECT_EQ(server.LiveObjects(), 0);
}

TEST_F(WorkbookServerTest, CellsGivenBackAndTakenAgainKeepTheirOwnPlacesAndParents) {
    {
        AutomationValue app = StartedApplication();
        AutomationValue sheet = GetProperty(app, u"WorkSheets", 1);
        SetProperty(GetProperty(sheet, u"Cells", 1, 1), u"Value", u"1");  // given back at once
        const AutomationValue first = GetProperty(sheet, u"Cells", 2, 1);
        const AutomationValue second = GetProperty(sheet, u"Cells", 2, 2);  // while the first is held
        SetProperty(second, u"Value", u"3");
        SetProperty(first, u"Value", u"2");
        EXPECT_EQ(server.LiveObjects(), 4);
        SetProperty(app, u"Visible", true);
        ClearValue(app);
        ClearValue(sheet);
        EXPECT_EQ(server.LiveObjects(), 4);  // each cell keeps its sheet, the sheet its application
        EXPECT_EQ(GetProperty(first, u"Value").Integer(), 2);
        EXPECT_EQ(GetProperty(second, u"Value").Integer(), 3);
    }
    EXPECT_EQ(server.LiveObjects(), 0);  // the last cell given back ended its sheet and application
    ASSERT_EQ(handover->books.size(), 1u);
    const Worksheet& written = *handover->books[0].sheets.at(0);
    EXPECT_EQ(written.At(1, 1).number, 1);
    EXPECT_EQ(written.At(2, 1).number, 2);
    EXPECT_EQ(written.At(2, 2).number, 3);
}

TEST_F(WorkbookServerTest, AFailedHandOverFailsTheAssignment) {
    AutomationValue app = StartedApplication();
    handover->fail = true;
    EXPECT_EQ(CodeOf([&] { SetProperty(app, u"Visible", true); }), AutomationCode::kException);
    EXPECT_FALSE(GetProperty(app, u"Visible").Boolean());
    handover->fail = false;
    SetProperty(app, u"Visible", true);  // tried again
    EXPECT_EQ(handover->books.size(), 1u);
}

TEST(XlsxFileTest, WritesSheetsWidthsAndTypedCells) {
    QTemporaryDir dir;
    Workbook book;
    auto sheet = std::make_shared<Worksheet>(u"Данные");
    sheet->SetText(1, 7, u"Zarudedu РС5");
    sheet->SetNumber(3, 4, 12.345);
    sheet->SetNumber(3, 1, 1);
    sheet->SetDateTime(3, 2, 46365 + 50731.0 / 86400, "dd.mm.yyyy hh:mm:ss");
    sheet->SetDateTime(4, 2, 46365, "dd.mm.yyyy");
    sheet->SetBoolean(4, 5, true);
    sheet->SetText(4, 3, u"Пшеница");
    sheet->SetText(5, 3, u"Пшеница");
    sheet->SetColumnWidth(3, 16);
    book.sheets.push_back(sheet);
    book.sheets.push_back(std::make_shared<Worksheet>(u"Sheet2"));
    const QString path = dir.filePath(QStringLiteral("out.xlsx"));
    WriteXlsxFile(book, path.toStdString());

    QString error;
    const auto read = ReadXlsx(path, &error);
    ASSERT_TRUE(read) << error.toStdString();
    ASSERT_EQ(read->sheets.size(), 2);
    const XlsxSheet& s = read->sheets[0];
    EXPECT_EQ(s.name, QStringLiteral("Данные"));
    EXPECT_EQ(read->sheets[1].name, QStringLiteral("Sheet2"));
    EXPECT_EQ(s.cells["G1"].value, QStringLiteral("Zarudedu РС5"));
    EXPECT_EQ(s.cells["D3"].kind, XlsxCell::Kind::Number);
    EXPECT_EQ(s.cells["D3"].value.toDouble(), 12.345);
    EXPECT_EQ(s.cells["B3"].numberFormat, QStringLiteral("dd.mm.yyyy hh:mm:ss"));
    EXPECT_NEAR(s.cells["B3"].value.toDouble(), 46365 + 50731.0 / 86400, 1e-9);
    EXPECT_EQ(s.cells["B4"].numberFormat, QStringLiteral("dd.mm.yyyy"));
    EXPECT_EQ(s.cells["E4"].kind, XlsxCell::Kind::Boolean);
    EXPECT_EQ(s.cells["C5"].value, QStringLiteral("Пшеница"));
    EXPECT_EQ(s.columnWidths.keys(), QList<int>{3});
    // The file keeps a width of 16 characters with the cell padding added, as the spreadsheet stores it.
    EXPECT_NEAR(s.columnWidths[3], 16 + 5.0 / 7, 0.01);
    EXPECT_FALSE(s.cells.contains("A1"));
}

TEST(XlsxFileTest, AnUnwritablePlaceRaises) {
    Workbook book;
    book.sheets.push_back(std::make_shared<Worksheet>(u"Sheet1"));
    EXPECT_THROW(WriteXlsxFile(book, "/nonexistent-folder/out.xlsx"), XlsxError);
}

}  // namespace
