#pragma once

#include "store/MeasurementRow.h"
#include "store/persist/Recordset.h"

#include <vector>

namespace rs5 {

// The rows of a saved table as the table shows them: without deleted rows, with changes applied.
std::vector<MeasurementRow> ShownRows(const persist::Recordset& recordset);

}  // namespace rs5
