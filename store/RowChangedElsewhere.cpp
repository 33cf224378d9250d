#include "store/RowChangedElsewhere.h"

#include "store/TableMessages.h"

#include <cmath>

RowChangedElsewhere::RowChangedElsewhere(MeasurementRow stored)
    : TableError(QString::fromUtf8(TableMessages::kRowChangedElsewhere)), stored_(std::move(stored)) {}

bool SameStoredValue(const FieldValue& a, const FieldValue& b) {
    const auto* x = std::get_if<double>(&a);
    const auto* y = std::get_if<double>(&b);
    if (x && y && std::isnan(*x) && std::isnan(*y)) {
        return true;
    }
    return a == b;
}

void RequireRowAsSeen(std::span<const SourceRow> found, const MeasurementRow& seen) {
    if (found.empty()) {
        throw TableError(QString::fromLatin1(TableMessages::kRowNotFound));
    }
    const MeasurementRow& stored = found.front().values;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (!SameStoredValue(stored[i], seen[i])) {
            throw RowChangedElsewhere(stored);
        }
    }
}
