#pragma once

#include "export/automation/AutomationValue.h"
#include "export/workbook/CellInput.h"
#include "export/workbook/Workbook.h"

#include <memory>
#include <string>

class AutomationRegistry;

// Gives a workbook to the user once its application is made visible (the desktop writes it to a file and opens
// it; rs5 writes it where it was told). Raises std::exception on failure; the "Visible" assignment then fails.
class WorkbookHandover {
public:
    virtual ~WorkbookHandover() = default;
    virtual void HandOver(const Workbook& workbook) = 0;
};

// The program's own spreadsheet server, registered as "Excel.Application": an application object with exactly
// the members the export uses, keeping its workbooks in memory.
//
//   application  "WorkBooks" (get) -> workbooks; "SheetsInNewWorkbook" (get, put integer 1..255);
//                "Worksheets" (get) -> the sheets of the active workbook, "Worksheets"(index) -> a sheet;
//                "Visible" (get, put boolean or integer): true hands every workbook not yet given over.
//   workbooks    "add" (method) -> a new workbook with SheetsInNewWorkbook sheets, now the active one.
//   sheets       "Item"(index) -> a sheet.
//   sheet        "Name" (get, put text: 1 to 31 characters, none of : \ / ? * [ ], unique in the book);
//                "Columns" -> columns; "Cells"(row, column) -> a cell.
//   columns      "Item"(column) -> a column.
//   column       "ColumnWidth" (get, put integer 0..255).
//   cell         "Value" (get; put text, read as typed input under the server's locale, or integer or boolean).
//
// Names match without regard to case. Another name fails the lookup (AutomationCode::kUnknownName); another kind
// of access kMemberNotFound; a wrong number of arguments kBadParamCount; an argument of the wrong kind
// kTypeMismatch; an index below 1 or past the end kBadIndex; a refused value (bad sheet name, text too long,
// "Worksheets" with no workbook, a failed hand-over) kException. Every object keeps the objects it came from
// alive, as automation servers do. Main thread only.
class WorkbookServer {
public:
    WorkbookServer(InputLocale locale, std::shared_ptr<WorkbookHandover> handover);
    ~WorkbookServer();

    // A new application object, with no workbook yet; one count for the caller.
    ObjectRef CreateApplication() const;

    // Adds this server to `registry` under `programId`. The registry's entry keeps the server's state alive.
    void RegisterIn(AutomationRegistry& registry, const std::string& programId = "Excel.Application") const;

    // The server's objects that still have counts (applications, collections, sheets, cells).
    long LiveObjects() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};
