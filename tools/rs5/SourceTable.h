#pragma once

#include "store/MeasurementTable.h"
#include "tools/rs5/SourceName.h"

#include <memory>

namespace rs5 {

// The table of that source, open.
std::unique_ptr<MeasurementTable> OpenSourceTable(const SourceName& source);

}  // namespace rs5
