#pragma once

#include "report/engine/ReportDefinition.h"

// The measurement report "Report1": A4 landscape, a title, the nine column titles, one line per measurement with the
// grid's texts, and a footer with the date of printing and the page number. Positions in millimetres as the
// report form places them. The default font's colour is black, window text on paper, whatever the desktop's theme.
report::ReportDefinition Report1Layout();

// The title the report prints at the top of its first page.
extern const char16_t* const kReportTitleText;
