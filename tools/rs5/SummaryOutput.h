#pragma once

#include "stats/Summary.h"

#include <ostream>

namespace rs5 {

// A summary as a table aligned for a terminal (Russian titles, «Итого» last), as CSV (the columns' keys as heading,
// a first column "kind": group or total) or as JSON ({"grouping", "limit", "groups": [...], "total": {...}}).
// Numbers with a dot, dates ISO 8601, no figure as an empty cell or null.
void WriteSummaryText(const stats::Summary& summary, const stats::Query& query, std::ostream& out);
void WriteSummaryCsv(const stats::Summary& summary, const stats::Query& query, std::ostream& out);
void WriteSummaryJson(const stats::Summary& summary, const stats::Query& query, std::ostream& out);

}  // namespace rs5
