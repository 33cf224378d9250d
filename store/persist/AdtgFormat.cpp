#include "store/persist/AdtgFormat.h"

namespace persist::adtg {

VarLayout LayoutOf(const Column& column) {
    const std::uint64_t unit = column.type == DataType::WStr || column.type == DataType::BStr ? 2 : 1;
    VarLayout layout;
    layout.capacity = column.maxLength * unit;
    const bool fixed = (column.flags & ColumnFlag::kFixedLength) != 0;
    if (layout.capacity <= 255) {
        layout.prefix = fixed ? 0 : 1;
    } else {
        layout.prefix = 4;
    }
    return layout;
}

std::size_t PresenceMapSize(const Recordset& recordset) {
    std::size_t nullable = 0;
    for (const Column& column : recordset.columns) {
        nullable += HasPresenceBit(column) ? 1 : 0;
    }
    return (nullable + 7) / 8;
}

}  // namespace persist::adtg
