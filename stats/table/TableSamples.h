#pragma once

#include "stats/Sample.h"

#include <vector>

class MeasurementTable;

// The table's visible rows as samples, in table order, each carrying its visible-row index: what the grid shows,
// the pending row of a download included. An open table only; a closed one gives none.
std::vector<stats::Sample> TableSamples(const MeasurementTable& table);
