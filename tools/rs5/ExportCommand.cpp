#include "ExportCommand.h"

#include "DatabaseSource.h"
#include "FileSource.h"
#include "MeasurementTable.h"
#include "TableConversion.h"
#include "automation/Automation.h"
#include "export/SystemInputLocale.h"
#include "workbook/WorkbookServer.h"
#include "workbook/XlsxFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <memory>
#include <system_error>

namespace rs5 {

namespace {

// The sheet the program's "Экспорт в Excel" makes, with the titles its grid shows.
const char16_t* const kSheetName = u"Данные";
const char16_t* const kSheetTitle = u"Zarudedu РС5";
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

// Writes the workbook beside `out` and renames it into place once complete; an old `out` is replaced only then.
class FileHandover : public WorkbookHandover {
public:
    explicit FileHandover(QString out) : out_(std::move(out)) {}

    void HandOver(const Workbook& workbook) override {
        const QFileInfo target(out_);
        QTemporaryFile part(target.absoluteDir().filePath(QStringLiteral(".") + target.fileName() +
                                                          QStringLiteral(".XXXXXX.part")));
        if (!part.open()) {
            throw std::runtime_error("cannot write beside " + out_.toStdString() + ": " +
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
            throw std::runtime_error("cannot rename the workbook to " + out_.toStdString() + ": " + error.message());
        }
        part.setAutoRemove(false);
    }

private:
    QString out_;
};

std::unique_ptr<MeasurementTable> OpenSource(const std::string& path) {
    const QString name = QString::fromStdString(path);
    std::unique_ptr<TableSource> source;
    if (IsWorkingDatabaseName(path)) {
        if (!QFileInfo::exists(name)) {
            throw std::runtime_error("no working database " + path);
        }
        source = std::make_unique<DatabaseSource>(name);
    } else {
        source = std::make_unique<FileSource>(name);
    }
    auto table = std::make_unique<MeasurementTable>(std::move(source));
    table->OpenTable();
    return table;
}

void SetCell(const AutomationValue& sheet, int row, int column, const QString& text) {
    SetProperty(GetProperty(sheet, u"Cells", row, column), u"Value", text.toStdU16String());
}

}  // namespace

int RunExport(const Invocation& invocation) {
    if (invocation.arguments.size() != 2) {
        throw UsageError("export takes a source and the .xlsx file to write");
    }
    const QString out = QString::fromStdString(invocation.arguments[1]);
    if (!out.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) {
        throw UsageError("the file to write must end in .xlsx");
    }
    const auto table = OpenSource(invocation.arguments[0]);

    // The same server and calls as the program's export, with the workbook going to OUT instead of the desktop.
    AutomationRegistry& registry = AutomationRegistry::Default();
    registry.Clear();
    WorkbookServer(SystemInputLocale(), std::make_shared<FileHandover>(out)).RegisterIn(registry);

    AutomationValue app = CreateAutomationObject("Excel.Application");
    CallMethod(GetProperty(app, u"WorkBooks"), u"add");
    SetProperty(app, u"SheetsInNewWorkbook", 1);
    const AutomationValue sheet = GetProperty(GetProperty(app, u"Worksheets"), u"Item", 1);
    SetProperty(sheet, u"Name", kSheetName);
    int column = 1;
    for (const char16_t* title : kHeader) {
        SetCell(sheet, kHeaderRow, column++, QString::fromUtf16(title));
    }
    SetProperty(GetProperty(GetProperty(sheet, u"Columns"), u"Item", kGrainColumn), u"ColumnWidth",
                kGrainColumnWidth);
    SetCell(sheet, kTitleRow, kTitleColumn, QString::fromUtf16(kSheetTitle));

    const int rows = table->RowCount();
    int reported = -1;
    table->MoveFirst();
    for (int i = 0; i < rows; ++i) {
        column = 1;
        for (const MeasurementField field : kExportedFields) {
            SetCell(sheet, i + kFirstDataRow, column++, table->FieldText(MeasurementFieldName(field)));
        }
        table->MoveNext();
        const int percent = static_cast<int>((i + 1) * 100LL / rows);
        if (percent != reported) {
            reported = percent;
            invocation.err << "rs5 export: " << percent << "% (" << i + 1 << " of " << rows << " rows)\n";
        }
    }
    invocation.err << "rs5 export: writing " << invocation.arguments[1] << '\n';
    SetProperty(app, u"Visible", true);
    invocation.err << "rs5 export: " << rows << " rows written to " << invocation.arguments[1] << '\n';
    return 0;
}

}  // namespace rs5
