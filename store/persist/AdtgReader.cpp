#include "store/persist/AdtgReader.h"

#include "store/persist/AdtgFormat.h"
#include "store/persist/ByteReader.h"
#include "store/persist/PersistError.h"
#include "store/persist/RecordsetLimits.h"

#include "text/Unicode.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace persist {

using namespace adtg;

namespace {

constexpr int kMaxDepth = 16;

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

class AdtgParser {
public:
    AdtgParser(std::string_view bytes, const text::AnsiCodePage& codePage)
        : in_(bytes), codePage_(codePage), budget_(bytes.size()) {}

    Recordset Parse() {
        ReadHeader();
        while (in_.PeekU8() == kHandlerOptions) {
            SkipElement();
        }
        Recordset top;
        ReadMeta(top, false, 0);
        Index(top);
        ReadRows(top);
        return top;
    }

private:
    void ReadHeader() {
        if (in_.U8() != kHeader) {
            throw PersistError("not a TableGram: the header is missing");
        }
        const std::uint8_t size = in_.U8();
        ByteReader header = in_.Sub(size);
        if (size < 5 || header.Bytes(3) != "TG!") {
            throw PersistError("not a TableGram: the signature is wrong");
        }
        header.U8();  // version
        header.U8();
        if (header.U8() != 0) {
            throw PersistError("big-endian TableGrams are not supported");
        }
    }

    void SkipElement() {
        in_.U8();
        in_.Skip(in_.U16());
    }

    std::string Name(ByteReader& reader) {
        const std::string_view utf16 = reader.Bytes(std::size_t{reader.U16()} * 2);
        return ConvertText([&] { return text::Utf16LeToUtf8(utf16); });
    }

    void Expect(std::uint8_t token, const char* what) {
        if (in_.PeekU8() != token) {
            throw PersistError(std::string("expected ") + what + ", found element " + Hex(in_.PeekU8()));
        }
    }

    // Result descriptor, context, tables and columns of one recordset, then its children, depth first.
    void ReadMeta(Recordset& recordset, bool child, int depth) {
        if (depth > kMaxDepth) {
            throw PersistError("recordsets are nested too deeply");
        }
        Expect(kResultDescriptor, "a result descriptor");
        in_.U8();
        ByteReader result = in_.Sub(in_.U16());
        result.Skip(16 + 3);  // descriptor GUID, reserved byte, cursor model, normalization
        result.U16();         // visible columns
        const std::uint16_t totalColumns = result.U16();
        result.U16();  // computed columns
        const std::uint16_t tableCount = result.U16();
        result.U16();  // order-by columns
        // A hint only: never more than one row per byte left.
        recordset.rows.reserve(std::min<std::size_t>(result.U32(), in_.Remaining() / 2));

        if (in_.PeekU8() == kRecordsetContext) {
            SkipElement();
        }
        while (in_.PeekU8() == kTableDescriptor) {
            recordset.tables.push_back(ReadTable());
        }
        if (recordset.tables.size() != tableCount) {
            throw PersistError("the table count does not match the table descriptors");
        }
        while (in_.PeekU8() == kColumnDescriptor) {
            recordset.columns.push_back(ReadColumn(recordset, child));
        }
        if (recordset.columns.size() != totalColumns) {
            throw PersistError("the column count does not match the column descriptors");
        }
        if (recordset.columns.empty()) {
            throw PersistError("the recordset has no columns");
        }
        for (const Column& column : recordset.columns) {
            if (column.IsChapter() && in_.PeekU8() == kResultDescriptor) {
                Recordset& sub = recordset.children.emplace_back();
                ReadMeta(sub, true, depth + 1);
            }
        }
    }

    BaseTable ReadTable() {
        in_.U8();
        ByteReader element = in_.Sub(in_.U16());
        BaseTable table;
        table.ordinal = element.U16();
        table.originalName = Name(element);
        table.updateName = Name(element);
        element.U16();  // code page
        table.columnCount = element.U16();
        const std::uint16_t keys = element.U16();
        for (std::uint16_t k = 0; k < keys; ++k) {
            table.keyColumnOrdinals.push_back(element.U16());
        }
        return table;
    }

    Column ReadColumn(Recordset& recordset, bool child) {
        in_.U8();
        ByteReader element = in_.Sub(in_.U16());
        const std::string_view map = element.Bytes(3);
        const std::uint32_t presence = static_cast<std::uint32_t>(static_cast<std::uint8_t>(map[0])) << 16 |
                                       static_cast<std::uint32_t>(static_cast<std::uint8_t>(map[1])) << 8 |
                                       static_cast<std::uint8_t>(map[2]);
        Column column;
        const std::uint16_t ordinal = element.U16();
        if (ordinal != recordset.columns.size() + 1) {
            throw PersistError("column " + std::to_string(ordinal) + " is out of order");
        }
        if (presence & kHasName) {
            column.name = Name(element);
        }
        if (presence & kHasBaseTableOrdinal) {
            column.baseTableOrdinal = element.U16();
        }
        if (presence & kHasBaseColumnOrdinal) {
            column.baseColumnOrdinal = element.U16();
        }
        if (presence & kHasBaseColumnName) {
            column.baseColumnName = Name(element);
        }
        column.type = static_cast<DataType>(element.U16());
        if (!IsKnownType(column.type)) {
            throw PersistError("column '" + Excerpt(column.name) + "' has the unsupported type " +
                               Hex(static_cast<unsigned>(column.type)));
        }
        column.maxLength = element.U32();
        column.precision = element.U32();
        column.scale = element.I32();
        column.flags = element.U32();
        if (presence & kHasBaseCatalog) {
            column.baseCatalog = Name(element);
        }
        if (presence & kHasBaseSchema) {
            column.baseSchema = Name(element);
        }
        if (presence & kHasCollatingSequence) {
            element.Skip(4);
        }
        if (presence & kHasComputeMode) {
            element.Skip(4);
        }
        if (presence & kHasDateTimePrecision) {
            element.Skip(4);
        }
        if (presence & kHasDefaultValue) {
            element.Skip(16);
        }
        if (presence & kHasAutoIncrement) {
            column.autoIncrement = element.U16() != 0;
        }
        if (presence & kHasCaseSensitive) {
            element.Skip(2);
        }
        if (presence & kHasMultiValued) {
            element.Skip(2);
        }
        if (presence & kHasSearchable) {
            element.Skip(4);
        }
        if (presence & kHasUnique) {
            element.Skip(2);
        }
        if (presence & kHasOctetLength) {
            element.Skip(4);
        }
        column.visible = element.U16() != 0;
        if (child) {
            const std::uint32_t id = element.U32();
            if (recordset.columns.empty()) {
                recordset.id = id;
            } else if (id != recordset.id) {
                throw PersistError("the columns of a child recordset name different recordsets");
            }
        }
        if (column.IsChapter()) {
            ByteReader relation = element.Sub(element.U32());
            Relation r;
            r.parentOrdinal = relation.U32();
            r.childOrdinal = relation.U32();
            r.type = relation.U32();
            column.relation = r;
            element.Skip(4);
        }
        // Anything after (a calculation, fields of later versions) is not needed and skipped by the length.
        return column;
    }

    void Index(Recordset& recordset) {
        if (recordset.id == 0 || !byId_.emplace(recordset.id, &recordset).second) {
            throw PersistError("two recordsets carry the same number " + std::to_string(recordset.id));
        }
        for (Recordset& child : recordset.children) {
            Index(child);
        }
    }

    Recordset& ChildById(std::uint32_t id) {
        const auto found = byId_.find(id);
        if (id == 1 || found == byId_.end()) {
            throw PersistError("a row names the unknown recordset " + std::to_string(id));
        }
        return *found->second;
    }

    void ReadRows(Recordset& top) {
        for (;;) {
            const std::uint8_t token = in_.U8();
            if (token == kDone) {
                if (!in_.AtEnd()) {
                    throw PersistError("data follows the end of the TableGram");
                }
                return;
            }
            const bool child = (token & kChildBit) != 0;
            Recordset& recordset = child ? ChildById(in_.U32()) : top;
            switch (token & ~kChildBit) {
                case kRow:
                    ReadStoredRow(recordset, child);
                    break;
                case kInsert: {
                    Row row;
                    row.state = RowState::Inserted;
                    row.values.assign(recordset.columns.size(), std::nullopt);
                    ReadUpdate(recordset, row);
                    Add(recordset, std::move(row));
                    break;
                }
                default:
                    throw PersistError("unexpected element " + Hex(token) + " among the rows at byte " +
                                       std::to_string(in_.Position() - 1));
            }
        }
    }

    void ReadStoredRow(Recordset& recordset, bool child) {
        Row row;
        row.values = ReadOriginal(recordset);
        const std::uint8_t prefix = child ? kChildBit : 0;
        if (!in_.AtEnd() && in_.PeekU8() == (kChange | prefix)) {
            in_.U8();
            SameChild(recordset, child);
            row.state = RowState::Changed;
            row.original = row.values;
            ReadUpdate(recordset, row);
        } else if (!in_.AtEnd() && in_.PeekU8() == (kDelete | prefix)) {
            in_.U8();
            SameChild(recordset, child);
            row.state = RowState::Deleted;
        }
        Add(recordset, std::move(row));
    }

    void SameChild(const Recordset& recordset, bool child) {
        if (child && in_.U32() != recordset.id) {
            throw PersistError("a change names another recordset than its row");
        }
    }

    void Add(Recordset& recordset, Row row) {
        budget_.Take(recordset.columns.size());
        recordset.rows.push_back(std::move(row));
    }

    static bool Bit(std::string_view map, std::size_t index) {
        return (static_cast<std::uint8_t>(map[index / 8]) & (0x80 >> (index % 8))) != 0;
    }

    std::vector<Value> ReadOriginal(const Recordset& recordset) {
        budget_.Take(recordset.columns.size());
        const std::string_view presence = in_.Bytes(PresenceMapSize(recordset));
        std::vector<Value> values(recordset.columns.size());
        std::size_t nullable = 0;
        for (std::size_t i = 0; i < recordset.columns.size(); ++i) {
            const Column& column = recordset.columns[i];
            const bool present = !HasPresenceBit(column) || Bit(presence, nullable++);
            if (present && !column.IsChapter()) {
                values[i] = ReadValue(column);
            }
        }
        return values;
    }

    void ReadUpdate(const Recordset& recordset, Row& row) {
        const std::size_t size = ColumnMapSize(recordset);
        const std::string_view update = in_.Bytes(size);
        const std::string_view forceNull = in_.Bytes(size);
        row.updated.assign(recordset.columns.size(), false);
        for (std::size_t i = 0; i < recordset.columns.size(); ++i) {
            const Column& column = recordset.columns[i];
            const bool given = Bit(update, i);
            const bool nulled = Bit(forceNull, i);
            if (given && nulled) {
                throw PersistError("column '" + Excerpt(column.name) + "' is both given and set to NULL");
            }
            if (column.IsChapter() || (!given && !nulled)) {
                continue;
            }
            row.updated[i] = true;
            row.values[i] = given ? ReadValue(column) : Value();
        }
    }

    std::string ReadValue(const Column& column) {
        if (const auto size = FixedValueSize(column.type)) {
            return std::string(in_.Bytes(*size));
        }
        const VarLayout layout = LayoutOf(column);
        std::uint64_t length = layout.capacity;
        if (layout.prefix == 1) {
            length = in_.U8();
        } else if (layout.prefix == 4) {
            length = in_.U32();
        }
        if (length > layout.capacity) {
            throw PersistError("a value of column '" + Excerpt(column.name) + "' is longer than the column");
        }
        if (length > in_.Remaining()) {
            throw PersistError("the file ends in the middle of a record");
        }
        const std::string_view bytes = in_.Bytes(static_cast<std::size_t>(length));
        switch (column.type) {
            case DataType::WStr:
            case DataType::BStr:
                return ConvertText([&] { return text::Utf16LeToUtf8(bytes); });
            case DataType::Str:
                return ConvertText([&] { return codePage_.ToUtf8(bytes); });
            default:
                return std::string(bytes);
        }
    }

    ByteReader in_;
    const text::AnsiCodePage& codePage_;
    CellBudget budget_;
    std::map<std::uint32_t, Recordset*> byId_;
};

}  // namespace

bool AdtgReader::LooksLikeAdtg(std::string_view bytes) {
    return bytes.size() >= 5 && bytes[0] == kHeader && bytes.substr(2, 3) == "TG!";
}

Recordset AdtgReader::Read(std::string_view bytes) const {
    return AdtgParser(bytes, codePage_).Parse();
}

}  // namespace persist
