#pragma once

#include "store/MeasurementTable.h"
#include "store/TableSource.h"

#include <span>

// A change refused because another station (another program on the same working database) changed the row since
// the caller read it: storing the change would have overwritten theirs unseen. Carries the row as it is stored now.
class RowChangedElsewhere : public TableError {
public:
    explicit RowChangedElsewhere(MeasurementRow stored);
    const MeasurementRow& Stored() const { return stored_; }

private:
    MeasurementRow stored_;
};

// Whether two values are the same as stored: of one kind and equal, a NaN being the same as a NaN.
bool SameStoredValue(const FieldValue& a, const FieldValue& b);

// For a store about to change a row, inside the transaction that changes it: `found` is what reading the row's key
// gave. Raises the table's "Row cannot be located" error when the row is gone, RowChangedElsewhere when any of its
// values differs from `seen`.
void RequireRowAsSeen(std::span<const SourceRow> found, const MeasurementRow& seen);
