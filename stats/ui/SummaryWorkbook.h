#pragma once

#include "export/workbook/Workbook.h"
#include "stats/Summary.h"

// The summary as a sheet «Статистика» of typed cells: the titles in row 1, a row per group from row 2, «Итого»
// last; counts and figures as numbers (the share as a percentage), days and times as dates, nothing for no figure.
Workbook SummaryWorkbook(const stats::Summary& summary, const stats::Query& query);
