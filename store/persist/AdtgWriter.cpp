#include "store/persist/AdtgWriter.h"

#include "store/persist/AdtgFormat.h"
#include "store/persist/ByteReader.h"
#include "store/persist/PersistError.h"

#include "text/Unicode.h"

#include <string_view>

namespace persist {

using namespace adtg;

namespace {

// What ADO writes before the first column descriptor of a recordset built in memory: header, handler
// options, result descriptor (with its one property set) and recordset context. Only the column and row
// counts in the result descriptor vary.
constexpr unsigned char kHeaderAndHandler[] = {
    0x01, 0x07, 0x54, 0x47, 0x21, 0x00, 0x00, 0x00, 0x00, 0x02, 0x19, 0x00, 0xb6, 0x92, 0xf2, 0x3f, 0x04, 0xb2, 0xcf,
    0x11, 0x8d, 0x23, 0x00, 0xaa, 0x00, 0x5f, 0xfe, 0x58, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
constexpr unsigned char kResultDescriptor[] = {
    0x03, 0x67, 0x00, 0xd2, 0xad, 0x63, 0xf6, 0x02, 0xeb, 0xcf, 0x11, 0xb0, 0xe3, 0x00, 0xaa, 0x00, 0x3f, 0x00,
    0x0f, 0x00, 0x00, 0x00, 0x02, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x01, 0x00, 0xc1, 0x3c, 0x8e, 0xb6, 0xeb, 0x6d, 0xd0, 0x11, 0x8d, 0xf6, 0x00, 0xaa, 0x00, 0x5f, 0xfe, 0x58,
    0x07, 0x00, 0x0b, 0x00, 0x00, 0x00, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x13, 0x00, 0x00, 0x00, 0x04, 0x00,
    0x01, 0x00, 0x00, 0x00, 0x0d, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0e, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0f, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x00};
constexpr std::size_t kVisibleColumnsAt = 22;
constexpr std::size_t kTotalColumnsAt = 24;
constexpr std::size_t kTableCountAt = 28;
constexpr std::size_t kRowCountAt = 32;
constexpr unsigned char kRecordsetContext[] = {
    0x10, 0x7c, 0x00, 0x02, 0x00, 0xbe, 0x22, 0xb5, 0xc8, 0xf3, 0x5c, 0xce, 0x11, 0xad, 0xe5, 0x00, 0xaa, 0x00, 0x44,
    0x77, 0x3d, 0x04, 0x00, 0x7f, 0x00, 0x00, 0x00, 0x02, 0x00, 0xff, 0xff, 0x86, 0x00, 0x00, 0x00, 0x02, 0x00, 0xff,
    0xff, 0x22, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x49, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00,
    0x00, 0x00, 0xc1, 0x3c, 0x8e, 0xb6, 0xeb, 0x6d, 0xd0, 0x11, 0x8d, 0xf6, 0x00, 0xaa, 0x00, 0x5f, 0xfe, 0x58, 0x05,
    0x00, 0x04, 0x00, 0x00, 0x00, 0x04, 0x00, 0x0f, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x04, 0x00, 0x02, 0x00,
    0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x0f, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x04, 0x00, 0x32,
    0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x04, 0x00, 0x03, 0x00, 0x00, 0x00};

std::string_view View(const unsigned char* bytes, std::size_t size) {
    return std::string_view(reinterpret_cast<const char*>(bytes), size);
}

template <typename T>
std::uint16_t Count16(T count, const char* what) {
    if (count > 0xFFFF) {
        throw PersistError(std::string("too many ") + what + " for the binary format");
    }
    return static_cast<std::uint16_t>(count);
}

class AdtgEmitter {
public:
    explicit AdtgEmitter(const text::AnsiCodePage& codePage) : codePage_(codePage) {}

    std::string Emit(const Recordset& top) {
        out_.Reserve(1024 + top.rows.size() * (8 + top.columns.size() * 12));
        out_.Bytes(View(kHeaderAndHandler, sizeof kHeaderAndHandler));
        WriteMeta(top, false);
        WriteRows(top, false);
        out_.U8(kDone);
        return std::move(out_.Data());
    }

private:
    void WriteMeta(const Recordset& recordset, bool child) {
        const std::size_t start = out_.Size();
        out_.Bytes(View(kResultDescriptor, sizeof kResultDescriptor));
        std::size_t visible = 0;
        std::size_t rows = 0;
        for (const Column& column : recordset.columns) {
            visible += column.visible ? 1 : 0;
        }
        for (const Row& row : recordset.rows) {
            rows += row.state != RowState::Deleted ? 1 : 0;
        }
        out_.PatchU16(start + kVisibleColumnsAt, Count16(visible, "columns"));
        out_.PatchU16(start + kTotalColumnsAt, Count16(recordset.columns.size(), "columns"));
        out_.PatchU16(start + kTableCountAt, Count16(recordset.tables.size(), "tables"));
        const auto rowCount = static_cast<std::uint32_t>(rows);
        out_.PatchU16(start + kRowCountAt, rowCount & 0xFFFF);
        out_.PatchU16(start + kRowCountAt + 2, rowCount >> 16);
        out_.Bytes(View(kRecordsetContext, sizeof kRecordsetContext));
        for (const BaseTable& table : recordset.tables) {
            WriteTable(table);
        }
        for (std::size_t i = 0; i < recordset.columns.size(); ++i) {
            WriteColumn(recordset, i, child);
        }
        std::size_t next = 0;
        for (const Column& column : recordset.columns) {
            if (column.IsChapter() && next < recordset.children.size()) {
                WriteMeta(recordset.children[next++], true);
            }
        }
    }

    static void Name(ByteWriter& out, const std::string& name) {
        const std::string utf16 = ConvertText([&] { return text::Utf8ToUtf16Le(name); });
        out.U16(Count16(utf16.size() / 2, "characters in a name"));
        out.Bytes(utf16);
    }

    void Element(std::uint8_t token, ByteWriter& body) {
        out_.U8(token);
        out_.U16(Count16(body.Size(), "bytes in a descriptor"));
        out_.Bytes(body.Data());
    }

    void WriteTable(const BaseTable& table) {
        ByteWriter body;
        body.U16(table.ordinal);
        Name(body, table.originalName);
        Name(body, table.updateName);
        body.U16(0);
        body.U16(table.columnCount);
        body.U16(Count16(table.keyColumnOrdinals.size(), "key columns"));
        for (const std::uint16_t key : table.keyColumnOrdinals) {
            body.U16(key);
        }
        Element(kTableDescriptor, body);
    }

    void WriteColumn(const Recordset& recordset, std::size_t index, bool child) {
        const Column& column = recordset.columns[index];
        std::uint32_t presence = kHasName;
        if (column.baseTableOrdinal) {
            presence |= kHasBaseTableOrdinal;
        }
        if (column.baseColumnOrdinal) {
            presence |= kHasBaseColumnOrdinal;
        }
        if (column.baseColumnName) {
            presence |= kHasBaseColumnName;
        }
        if (column.baseCatalog) {
            presence |= kHasBaseCatalog;
        }
        if (column.baseSchema) {
            presence |= kHasBaseSchema;
        }
        if (column.autoIncrement) {
            presence |= kHasAutoIncrement;
        }
        ByteWriter body;
        body.U8(presence >> 16 & 0xFF);
        body.U8(presence >> 8 & 0xFF);
        body.U8(presence & 0xFF);
        body.U16(Count16(index + 1, "columns"));
        Name(body, column.name);
        if (column.baseTableOrdinal) {
            body.U16(*column.baseTableOrdinal);
        }
        if (column.baseColumnOrdinal) {
            body.U16(*column.baseColumnOrdinal);
        }
        if (column.baseColumnName) {
            Name(body, *column.baseColumnName);
        }
        body.U16(static_cast<std::uint16_t>(column.type));
        body.U32(column.maxLength);
        body.U32(column.precision);
        body.U32(static_cast<std::uint32_t>(column.scale));
        body.U32(column.flags);
        if (column.baseCatalog) {
            Name(body, *column.baseCatalog);
        }
        if (column.baseSchema) {
            Name(body, *column.baseSchema);
        }
        if (column.autoIncrement) {
            body.U16(*column.autoIncrement ? kTrue : 0);
        }
        body.U16(column.visible ? kTrue : 0);
        if (child) {
            body.U32(recordset.id);
        }
        if (column.IsChapter()) {
            const Relation relation = column.relation.value_or(Relation{});
            body.U32(12);
            body.U32(relation.parentOrdinal);
            body.U32(relation.childOrdinal);
            body.U32(relation.type);
            body.U32(0);
        }
        Element(kColumnDescriptor, body);
    }

    void WriteRows(const Recordset& recordset, bool child) {
        for (const Row& row : recordset.rows) {
            if (row.state == RowState::Deleted) {
                WriteRow(recordset, row, child);
            }
        }
        for (const Row& row : recordset.rows) {
            if (row.state == RowState::Unchanged || row.state == RowState::Changed) {
                WriteRow(recordset, row, child);
            }
        }
        for (const Row& row : recordset.rows) {
            if (row.state == RowState::Inserted) {
                WriteRow(recordset, row, child);
            }
        }
        for (const Recordset& sub : recordset.children) {
            WriteRows(sub, true);
        }
    }

    void Token(std::uint8_t token, const Recordset& recordset, bool child) {
        out_.U8(child ? token | kChildBit : token);
        if (child) {
            out_.U32(recordset.id);
        }
    }

    void WriteRow(const Recordset& recordset, const Row& row, bool child) {
        const std::size_t width = recordset.columns.size();
        if (row.values.size() != width || (row.state == RowState::Changed && row.original.size() != width) ||
            ((row.state == RowState::Changed || row.state == RowState::Inserted) && row.updated.size() != width)) {
            throw PersistError("a row does not have one value for each column");
        }
        switch (row.state) {
            case RowState::Unchanged:
                Token(kRow, recordset, child);
                WriteOriginal(recordset, row.values);
                break;
            case RowState::Deleted:
                Token(kRow, recordset, child);
                WriteOriginal(recordset, row.values);
                Token(kDelete, recordset, child);
                break;
            case RowState::Changed:
                Token(kRow, recordset, child);
                WriteOriginal(recordset, row.original);
                Token(kChange, recordset, child);
                WriteUpdate(recordset, row);
                break;
            case RowState::Inserted:
                Token(kInsert, recordset, child);
                WriteUpdate(recordset, row);
                break;
        }
    }

    void WriteOriginal(const Recordset& recordset, const std::vector<Value>& values) {
        std::string presence(PresenceMapSize(recordset), '\xFF');
        std::size_t nullable = 0;
        for (std::size_t i = 0; i < recordset.columns.size(); ++i) {
            const Column& column = recordset.columns[i];
            if (!HasPresenceBit(column)) {
                if (!values[i]) {
                    throw PersistError("column '" + Excerpt(column.name) + "' cannot hold NULL");
                }
                continue;
            }
            if (!values[i] || column.IsChapter()) {
                presence[nullable / 8] = static_cast<char>(presence[nullable / 8] & ~(0x80 >> (nullable % 8)));
            }
            ++nullable;
        }
        out_.Bytes(presence);
        for (std::size_t i = 0; i < recordset.columns.size(); ++i) {
            if (values[i] && !recordset.columns[i].IsChapter()) {
                WriteValue(recordset.columns[i], *values[i]);
            }
        }
    }

    void WriteUpdate(const Recordset& recordset, const Row& row) {
        std::string update(ColumnMapSize(recordset), '\0');
        std::string forceNull(ColumnMapSize(recordset), '\0');
        for (std::size_t i = 0; i < recordset.columns.size(); ++i) {
            if (!row.updated[i] || recordset.columns[i].IsChapter()) {
                continue;
            }
            std::string& map = row.values[i] ? update : forceNull;
            map[i / 8] = static_cast<char>(map[i / 8] | 0x80 >> (i % 8));
        }
        out_.Bytes(update);
        out_.Bytes(forceNull);
        for (std::size_t i = 0; i < recordset.columns.size(); ++i) {
            if (row.updated[i] && row.values[i] && !recordset.columns[i].IsChapter()) {
                WriteValue(recordset.columns[i], *row.values[i]);
            }
        }
    }

    void WriteValue(const Column& column, const std::string& value) {
        if (const auto size = FixedValueSize(column.type)) {
            if (value.size() != *size) {
                throw PersistError("a value of column '" + Excerpt(column.name) + "' has the wrong size");
            }
            out_.Bytes(value);
            return;
        }
        std::string bytes;
        char pad = ' ';
        switch (column.type) {
            case DataType::WStr:
            case DataType::BStr:
                bytes = ConvertText([&] { return text::Utf8ToUtf16Le(value); });
                break;
            case DataType::Str:
                bytes = ConvertText([&] { return codePage_.FromUtf8(value); });
                break;
            default:
                bytes = value;
                pad = '\0';
                break;
        }
        const VarLayout layout = LayoutOf(column);
        if (bytes.size() > layout.capacity) {
            throw PersistError("a value of column '" + Excerpt(column.name) + "' is longer than the column");
        }
        if (layout.prefix == 0) {
            const bool wide = column.type == DataType::WStr || column.type == DataType::BStr;
            while (bytes.size() < layout.capacity) {
                bytes.push_back(pad);
                if (wide) {
                    bytes.push_back('\0');
                }
            }
        } else if (layout.prefix == 1) {
            out_.U8(static_cast<std::uint8_t>(bytes.size()));
        } else {
            out_.U32(static_cast<std::uint32_t>(bytes.size()));
        }
        out_.Bytes(bytes);
    }

    const text::AnsiCodePage& codePage_;
    ByteWriter out_;
};

}  // namespace

std::string AdtgWriter::Write(const Recordset& recordset) const {
    return AdtgEmitter(codePage_).Emit(recordset);
}

}  // namespace persist
