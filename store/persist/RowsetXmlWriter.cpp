#include "store/persist/RowsetXmlWriter.h"

#include "store/persist/PersistError.h"
#include "store/persist/RowsetXml.h"
#include "store/persist/ValueText.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <map>

namespace persist {

using namespace rowsetxml;

namespace {

// ADO keeps a column's own name as the attribute name only when it is a plain identifier; any other name
// goes into rs:name and the attribute is called c<index>.
bool IsPlainName(const std::string& name) {
    if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_')) {
        return false;
    }
    for (const char c : name) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) {
            return false;
        }
    }
    return true;
}

// The character reference ADO writes for a character of attribute text, or null for one it writes as it is.
const char* Reference(char c, char (&buffer)[8]) {
    switch (c) {
        case '\'':
            return "&#x27;";
        case '"':
            return "&#x22;";
        case '&':
            return "&#x26;";
        case '<':
            return "&#x3c;";
        case '>':
            return "&#x3e;";
        default:
            if (static_cast<unsigned char>(c) >= 0x20) {
                return nullptr;
            }
            if (c == '\0') {
                throw PersistError("text with a NUL character cannot be saved as XML");
            }
            std::snprintf(buffer, sizeof buffer, "&#x%x;", static_cast<unsigned>(c));
            return buffer;
    }
}

// The characters Reference gives a reference for, looked up for every character of every value.
constexpr std::array<bool, 256> kNeedsReference = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 0x20; ++c) {
        table[static_cast<std::size_t>(c)] = true;
    }
    for (const char c : {'\'', '"', '&', '<', '>'}) {
        table[static_cast<unsigned char>(c)] = true;
    }
    return table;
}();

void AppendEscaped(std::string& out, std::string_view text) {
    std::size_t plain = 0;  // start of the characters not yet written, which need no reference
    char buffer[8];
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!kNeedsReference[static_cast<unsigned char>(text[i])]) {
            continue;
        }
        if (const char* reference = Reference(text[i], buffer)) {
            out.append(text, plain, i - plain);
            out += reference;
            plain = i + 1;
        }
    }
    out.append(text, plain);
}

std::string Escape(std::string_view text) {
    std::string out;
    AppendEscaped(out, text);
    return out;
}

class XmlEmitter {
public:
    std::string Emit(const Recordset& top) {
        out_.reserve(4096 + top.rows.size() * (16 + top.columns.size() * 24));
        out_ += "<xml xmlns:s='";
        out_ += kSchemaNs;
        out_ += "'\r\n\txmlns:dt='";
        out_ += kDataTypeNs;
        out_ += "'\r\n\txmlns:rs='";
        out_ += kRowsetNs;
        out_ += "'\r\n\txmlns:z='";
        out_ += kRowNs;
        out_ += "'>\r\n<s:Schema id='RowsetSchema'>\r\n";
        WriteElementType(top, "row", nullptr, 1);
        out_ += "</s:Schema>\r\n<rs:data>\r\n";
        WriteRows(top);
        out_ += "</rs:data>\r\n</xml>";
        return std::move(out_);
    }

private:
    const std::vector<std::string>& AttributeNames(const Recordset& recordset) {
        std::vector<std::string>& names = attributeNames_[&recordset];
        if (names.empty()) {
            for (std::size_t i = 0; i < recordset.columns.size(); ++i) {
                const std::string& name = recordset.columns[i].name;
                names.push_back(IsPlainName(name) ? name : "c" + std::to_string(i));
            }
        }
        return names;
    }

    void Indent(int depth) { out_.append(static_cast<std::size_t>(depth), '\t'); }

    void Flag(const Column& column, std::uint32_t flag, const char* attribute) {
        if (column.flags & flag) {
            out_ += " rs:";
            out_ += attribute;
            out_ += "='true'";
        }
    }

    void Text(const char* attribute, const std::optional<std::string>& value) {
        if (value) {
            out_ += " rs:";
            out_ += attribute;
            out_ += "='" + Escape(*value) + "'";
        }
    }

    void WriteElementType(const Recordset& recordset, const std::string& name, const Column* chapter, int depth) {
        Indent(depth);
        out_ += "<s:ElementType name='" + Escape(name) + "' content='eltOnly' rs:updatable='true'";
        if (chapter && chapter->relation) {
            char hex[32];
            const Relation& r = *chapter->relation;
            std::string text;
            for (const std::uint32_t part : {r.parentOrdinal, r.childOrdinal, r.type}) {
                for (int byte = 0; byte < 4; ++byte) {
                    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned>(part >> (8 * byte) & 0xFF));
                    text += hex;
                }
            }
            out_ += " rs:relation='" + text + "'";
        }
        out_ += ">\r\n";
        std::size_t nextChild = 0;
        for (std::size_t i = 0; i < recordset.columns.size(); ++i) {
            const Column& column = recordset.columns[i];
            if (column.IsChapter()) {
                if (nextChild < recordset.children.size()) {
                    WriteElementType(recordset.children[nextChild++], column.name, &column, depth + 1);
                }
                continue;
            }
            WriteColumn(recordset, i, depth + 1);
        }
        Indent(depth + 1);
        out_ += "<s:extends type='rs:rowbase'/>\r\n";
        Indent(depth);
        out_ += "</s:ElementType>\r\n";
    }

    void WriteColumn(const Recordset& recordset, std::size_t index, int depth) {
        const Column& column = recordset.columns[index];
        const auto type = XmlNameOf(column.type);
        if (!type) {
            throw PersistError("column '" + Excerpt(column.name) + "' has a type that cannot be saved as XML");
        }
        Indent(depth);
        const std::string& attributeName = AttributeNames(recordset)[index];
        out_ += "<s:AttributeType name='" + Escape(attributeName) + "'";
        if (attributeName != column.name) {
            out_ += " rs:name='" + Escape(column.name) + "'";
        }
        out_ += " rs:number='" + std::to_string(index + 1) + "'";
        Flag(column, ColumnFlag::kCacheDeferred, "cachedeferred");
        Flag(column, ColumnFlag::kNullable, "nullable");
        Flag(column, ColumnFlag::kMayDefer, "maydefer");
        Flag(column, ColumnFlag::kRowId, "rowid");
        Flag(column, ColumnFlag::kRowVersion, "rowver");
        Flag(column, ColumnFlag::kWrite, "write");
        Flag(column, ColumnFlag::kWriteUnknown, "writeunknown");
        Text("basecatalog", column.baseCatalog);
        Text("baseschema", column.baseSchema);
        if (column.baseTableOrdinal) {
            for (const BaseTable& table : recordset.tables) {
                if (table.ordinal == *column.baseTableOrdinal) {
                    Text("basetable", table.updateName);
                }
            }
        }
        Text("basecolumn", column.baseColumnName);
        // The key mark is kept only for columns that come from a table, as ADO does.
        if ((column.flags & ColumnFlag::kKeyColumn) && column.baseColumnName) {
            out_ += " rs:keycolumn='true'";
        }
        if (column.autoIncrement.value_or(false)) {
            out_ += " rs:autoincrement='true'";
        }
        if (!column.visible) {
            out_ += " rs:hidden='true'";
        }
        out_ += ">\r\n";
        Indent(depth + 1);
        out_ += "<s:datatype dt:type='";
        out_ += type->type;
        out_ += "'";
        if (!type->dbType.empty()) {
            out_ += " rs:dbtype='";
            out_ += type->dbType;
            out_ += "'";
        }
        out_ += " dt:maxLength='" + std::to_string(XmlMaxLength(column)) + "'";
        if ((column.type == DataType::DbTimeStamp || column.type == DataType::Decimal ||
             column.type == DataType::Numeric) &&
            column.scale != 255) {
            out_ += " rs:scale='" + std::to_string(column.scale) + "'";
        }
        if (column.precision != 255) {
            out_ += " rs:precision='" + std::to_string(column.precision) + "'";
        }
        if (column.flags & ColumnFlag::kFixedLength) {
            out_ += " rs:fixedlength='true'";
        }
        if (column.flags & ColumnFlag::kLong) {
            out_ += " rs:long='true'";
        }
        if (!(column.flags & ColumnFlag::kMayBeNull)) {
            out_ += " rs:maybenull='false'";
        }
        out_ += "/>\r\n";
        Indent(depth);
        out_ += "</s:AttributeType>\r\n";
    }

    // Attributes for the values of a row; with `updated`, only the marked columns, NULLs as rs:forcenull.
    void Values(const Recordset& recordset, const std::vector<Value>& values, const std::vector<bool>* updated) {
        const std::vector<std::string>& names = AttributeNames(recordset);
        std::string forceNull;
        for (std::size_t i = 0; i < recordset.columns.size(); ++i) {
            const Column& column = recordset.columns[i];
            if (column.IsChapter() || (updated && !(*updated)[i])) {
                continue;
            }
            if (!values[i]) {
                if (updated) {
                    forceNull += (forceNull.empty() ? "" : " ") + names[i];
                }
                continue;
            }
            out_ += ' ';
            out_ += names[i];
            out_ += "='";
            valueText_.clear();
            AppendValueText(valueText_, column, *values[i]);
            AppendEscaped(out_, valueText_);
            out_ += '\'';
        }
        if (!forceNull.empty()) {
            out_ += " rs:forcenull='" + Escape(forceNull) + "'";
        }
    }

    static void CheckRow(const Recordset& recordset, const Row& row) {
        const std::size_t width = recordset.columns.size();
        if (row.values.size() != width || (row.state == RowState::Changed && row.original.size() != width) ||
            ((row.state == RowState::Changed || row.state == RowState::Inserted) && row.updated.size() != width)) {
            throw PersistError("a row does not have one value for each column");
        }
    }

    // One row element, with the rows of its children nested in it.
    void WriteRow(const Recordset& recordset, const Row& row, const std::string& element, int depth,
                  const std::vector<Value>& values, const std::vector<bool>* updated, bool nest) {
        CheckRow(recordset, row);
        Indent(depth);
        out_ += '<';
        out_ += element;
        Values(recordset, values, updated);
        std::string nested;
        if (nest && !recordset.children.empty()) {
            std::string saved = std::move(out_);
            out_.clear();
            WriteChildren(recordset, row.values, depth + 1);
            nested = std::move(out_);
            out_ = std::move(saved);
        }
        if (nested.empty()) {
            out_ += "/>\r\n";
        } else {
            out_ += ">\r\n" + nested;
            Indent(depth);
            out_ += "</" + element + ">\r\n";
        }
    }

    void WriteChildren(const Recordset& recordset, const std::vector<Value>& parentValues, int depth) {
        std::size_t nextChild = 0;
        for (const Column& column : recordset.columns) {
            if (!column.IsChapter() || nextChild >= recordset.children.size()) {
                continue;
            }
            const Recordset& child = recordset.children[nextChild++];
            if (!column.relation) {
                continue;
            }
            const std::size_t parentIndex = column.relation->parentOrdinal - 1;
            const std::size_t childIndex = column.relation->childOrdinal - 1;
            if (parentIndex >= parentValues.size() || childIndex >= child.columns.size() ||
                !parentValues[parentIndex]) {
                continue;
            }
            // A child row goes under the first parent row it matches only: written under each, it would be
            // read back once for each.
            std::vector<bool>& written = written_[&child];
            written.resize(child.rows.size(), false);
            for (std::size_t k = 0; k < child.rows.size(); ++k) {
                const Row& row = child.rows[k];
                if (row.state != RowState::Unchanged) {
                    throw PersistError("pending changes in child rows cannot be saved as XML");
                }
                if (!written[k] && row.values.size() == child.columns.size() &&
                    row.values[childIndex] == parentValues[parentIndex]) {
                    written[k] = true;
                    WriteRow(child, row, Escape(column.name), depth, row.values, nullptr, true);
                }
            }
        }
    }

    void WriteRows(const Recordset& recordset) {
        const std::string element = "z:row";
        for (const Row& row : recordset.rows) {
            if (row.state == RowState::Unchanged) {
                WriteRow(recordset, row, element, 1, row.values, nullptr, true);
            } else if (row.state == RowState::Changed) {
                out_ += "\t<rs:update>\r\n\t\t<rs:original>\r\n";
                WriteRow(recordset, row, element, 3, row.original, nullptr, false);
                out_ += "\t\t</rs:original>\r\n";
                WriteRow(recordset, row, element, 2, row.values, &row.updated, false);
                out_ += "\t</rs:update>\r\n";
            }
        }
        for (const RowState state : {RowState::Inserted, RowState::Deleted}) {
            bool open = false;
            for (const Row& row : recordset.rows) {
                if (row.state != state) {
                    continue;
                }
                if (!open) {
                    out_ += state == RowState::Inserted ? "\t<rs:insert>\r\n" : "\t<rs:delete>\r\n";
                }
                open = true;
                WriteRow(recordset, row, element, 2, row.values, state == RowState::Inserted ? &row.updated : nullptr,
                         true);
            }
            if (open) {
                out_ += state == RowState::Inserted ? "\t</rs:insert>\r\n" : "\t</rs:delete>\r\n";
            }
        }
    }

    std::string out_;
    std::string valueText_;  // the text of one value, before escaping; kept to reuse its storage
    std::map<const Recordset*, std::vector<bool>> written_;
    std::map<const Recordset*, std::vector<std::string>> attributeNames_;
};

}  // namespace

std::string RowsetXmlWriter::Write(const Recordset& recordset) const {
    return XmlEmitter().Emit(recordset);
}

}  // namespace persist
