#include "export/TableExport.h"

#include "export/automation/Automation.h"
#include "export/workbook/XlsxFile.h"
#include "store/MeasurementTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace {

const char16_t* const kSheetName = u"Данные";
const char16_t* const kSheetTitle = u"Zarudedu РС5";
// The titles of the program's standard grid, in its column order.
const char16_t* const kHeader[] = {u"№",      u"Дата/Время", u"Вид зерна",       u"Wср.,%", u"m, гр.",
                                   u"N, г/л", u"t, град",    u"Тип градуировки", u"Заметки"};
const MeasurementField kExportedFields[] = {MeasurementField::NN, MeasurementField::DataTime, MeasurementField::Vid,
                                            MeasurementField::W,  MeasurementField::m,        MeasurementField::N,
                                            MeasurementField::t,  MeasurementField::Type,     MeasurementField::Op};
constexpr int kTitleRow = 1;
constexpr int kTitleColumn = 7;
constexpr int kHeaderRow = 2;
constexpr int kFirstDataRow = 3;
constexpr int kGrainColumn = 3;
constexpr int kGrainColumnWidth = 16;

// Writes cells of one sheet, each through its "Cells" and "Value"; the text's value is refilled for every cell,
// so that a row's texts cost no allocation of their own.
class CellWriter {
public:
    explicit CellWriter(const AutomationValue& sheet) : sheet_(sheet) {}

    void Write(int row, int column, QStringView text) {
        text_.AssignText(std::u16string_view(text.utf16(), static_cast<std::size_t>(text.size())));
        SetProperty(GetProperty(sheet_, u"Cells", row, column), u"Value", text_);
    }

private:
    const AutomationValue& sheet_;
    AutomationValue text_;
};

}  // namespace

void ExportTable(MeasurementTable& table, const std::function<void(int done, int total)>& progress) {
    const int rows = table.RowCount();
    AutomationValue app = CreateAutomationObject("Excel.Application");
    CallMethod(GetProperty(app, u"WorkBooks"), u"add");
    SetProperty(app, u"SheetsInNewWorkbook", 1);
    const AutomationValue sheet = GetProperty(GetProperty(app, u"Worksheets"), u"Item", 1);
    SetProperty(sheet, u"Name", kSheetName);
    CellWriter cells(sheet);
    int column = 1;
    for (const char16_t* title : kHeader) {
        cells.Write(kHeaderRow, column++, QStringView(title));
    }
    SetProperty(GetProperty(GetProperty(sheet, u"Columns"), u"Item", kGrainColumn), u"ColumnWidth", kGrainColumnWidth);
    cells.Write(kTitleRow, kTitleColumn, QStringView(kSheetTitle));
    QString fieldNames[std::size(kExportedFields)];
    for (std::size_t k = 0; k < std::size(kExportedFields); ++k) {
        fieldNames[k] = MeasurementFieldName(kExportedFields[k]);
    }
    table.MoveFirst();
    for (int i = 0; i < rows; ++i) {
        column = 1;
        for (const QString& name : fieldNames) {
            cells.Write(i + kFirstDataRow, column++, table.FieldText(name));
        }
        table.MoveNext();
        if (progress) {
            progress(i + 1, rows);
        }
    }
    SetProperty(app, u"Visible", true);
}

void FileHandover::HandOver(const Workbook& workbook) {
    const QFileInfo target(path_);
    QTemporaryFile part(
        target.absoluteDir().filePath(QStringLiteral(".") + target.fileName() + QStringLiteral(".XXXXXX.part")));
    if (!part.open()) {
        throw std::runtime_error("cannot write beside " + path_.toStdString() + ": " +
                                 part.errorString().toStdString());
    }
    part.close();
    // A temporary file is private to its owner; the workbook is an ordinary document.
    part.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    WriteXlsxFile(workbook, QFile::encodeName(part.fileName()).toStdString());
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(part.fileName()).toStdString(),
                            QFile::encodeName(target.absoluteFilePath()).toStdString(), error);
    if (error) {
        throw std::runtime_error("cannot rename the workbook to " + path_.toStdString() + ": " + error.message());
    }
    part.setAutoRemove(false);
}
