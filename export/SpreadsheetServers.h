#pragma once

#include <memory>

class AutomationRegistry;
class WorkbookHandover;

// Fills `registry` with the spreadsheet servers of this platform under "Excel.Application": on Windows the
// system's automation first, then, where that has none, the program's own workbook server handing its
// workbooks to `handover`; elsewhere the workbook server alone.
void InstallSpreadsheetServers(AutomationRegistry& registry, std::shared_ptr<WorkbookHandover> handover);
