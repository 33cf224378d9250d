#include "store/persist/RecordsetPrinter.h"

#include "store/persist/ValueText.h"

#include <cstdio>

namespace persist {

namespace {

std::string FlagNames(const Column& column) {
    std::uint32_t flags = column.flags & ~ColumnFlag::kScaleIsNegative;
    if (!column.baseColumnName) {
        flags &= ~ColumnFlag::kKeyColumn;
    }
    static const struct {
        std::uint32_t flag;
        const char* name;
    } kNames[] = {{ColumnFlag::kMayDefer, "MAYDEFER"},
                  {ColumnFlag::kWrite, "WRITE"},
                  {ColumnFlag::kWriteUnknown, "WRITEUNKNOWN"},
                  {ColumnFlag::kFixedLength, "FIXEDLENGTH"},
                  {ColumnFlag::kNullable, "NULLABLE"},
                  {ColumnFlag::kMayBeNull, "MAYBENULL"},
                  {ColumnFlag::kLong, "LONG"},
                  {ColumnFlag::kRowId, "ROWID"},
                  {ColumnFlag::kRowVersion, "ROWVER"},
                  {ColumnFlag::kCacheDeferred, "CACHEDEFERRED"},
                  {ColumnFlag::kChapter, "CHAPTER"},
                  {ColumnFlag::kKeyColumn, "KEYCOLUMN"}};
    std::string out;
    for (const auto& entry : kNames) {
        if (flags & entry.flag) {
            out += out.empty() ? "" : "|";
            out += entry.name;
            flags &= ~entry.flag;
        }
    }
    if (flags != 0) {
        char rest[16];
        std::snprintf(rest, sizeof rest, "0x%X", static_cast<unsigned>(flags));
        out += (out.empty() ? "" : "|") + std::string(rest);
    }
    return out.empty() ? "none" : out;
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// The XML format keeps a scale only for these types.
bool HasScale(DataType type) {
    return type == DataType::Decimal || type == DataType::Numeric || type == DataType::DbTimeStamp;
}

bool IsText(DataType type) {
    return type == DataType::Str || type == DataType::WStr || type == DataType::BStr;
}

class Printer {
public:
    std::string Print(const Recordset& recordset) {
        Columns(recordset, 0);
        Rows(recordset, 0);
        return std::move(out_);
    }

private:
    void Line(int depth, const std::string& text) {
        out_.append(static_cast<std::size_t>(depth) * 2, ' ');
        out_ += text;
        out_ += '\n';
    }

    static const char* StateName(RowState state) {
        switch (state) {
            case RowState::Unchanged:
                return "unchanged";
            case RowState::Changed:
                return "changed";
            case RowState::Deleted:
                return "deleted";
            case RowState::Inserted:
                return "inserted";
        }
        return "?";
    }

    void Columns(const Recordset& recordset, int depth) {
        Line(depth, "columns " + std::to_string(recordset.columns.size()));
        std::size_t nextChild = 0;
        for (std::size_t i = 0; i < recordset.columns.size(); ++i) {
            const Column& c = recordset.columns[i];
            std::string line = std::to_string(i + 1) + " " + Quoted(c.name) + " " + DataTypeName(c.type);
            if (!c.IsChapter()) {
                line += " length " + std::to_string(c.maxLength) + " precision " + std::to_string(c.precision);
                if (HasScale(c.type)) {
                    line += " scale " + std::to_string(c.scale);
                }
            }
            line += " flags " + FlagNames(c);
            if (c.baseColumnName) {
                std::string table;
                for (const BaseTable& t : recordset.tables) {
                    if (c.baseTableOrdinal && t.ordinal == *c.baseTableOrdinal) {
                        table = t.updateName;
                    }
                }
                line += " base " + Quoted(c.baseCatalog.value_or("") + "." + c.baseSchema.value_or("") + "." + table +
                                          "." + *c.baseColumnName);
            }
            if (c.autoIncrement.value_or(false)) {
                line += " autoincrement";
            }
            if (!c.visible) {
                line += " hidden";
            }
            if (c.relation) {
                line += " relation " + std::to_string(c.relation->parentOrdinal) + "=" +
                        std::to_string(c.relation->childOrdinal);
            }
            Line(depth + 1, line);
            if (c.IsChapter() && nextChild < recordset.children.size()) {
                Columns(recordset.children[nextChild++], depth + 2);
            }
        }
    }

    std::string Values(const Recordset& recordset, const std::vector<Value>& values) {
        std::string out;
        for (std::size_t i = 0; i < recordset.columns.size() && i < values.size(); ++i) {
            const Column& column = recordset.columns[i];
            if (column.IsChapter()) {
                continue;
            }
            out += out.empty() ? "" : " ";
            out += column.name + "=";
            if (!values[i]) {
                out += "NULL";
            } else {
                const std::string text = FormatValue(column, *values[i]);
                out += IsText(column.type) ? Quoted(text) : text;
            }
        }
        return out;
    }

    void Row1(const Recordset& recordset, const Row& row, int depth) {
        Line(depth, std::string(StateName(row.state)) + " " + Values(recordset, row.values));
        if (row.state == RowState::Changed) {
            Line(depth + 1, "original " + Values(recordset, row.original));
        }
        if (row.state == RowState::Changed || row.state == RowState::Inserted) {
            std::string updated;
            for (std::size_t i = 0; i < row.updated.size() && i < recordset.columns.size(); ++i) {
                if (row.updated[i]) {
                    updated += " " + recordset.columns[i].name;
                }
            }
            Line(depth + 1, "updated" + (updated.empty() ? std::string(" none") : updated));
        }
        std::size_t nextChild = 0;
        for (const Column& column : recordset.columns) {
            if (!column.IsChapter() || nextChild >= recordset.children.size()) {
                continue;
            }
            const Recordset& child = recordset.children[nextChild++];
            if (!column.relation) {
                continue;
            }
            const std::size_t p = column.relation->parentOrdinal - 1;
            const std::size_t c = column.relation->childOrdinal - 1;
            if (p >= row.values.size() || c >= child.columns.size() || !row.values[p]) {
                continue;
            }
            for (const RowState state : kOrder) {
                for (const Row& childRow : child.rows) {
                    if (childRow.state == state && childRow.values[c] == row.values[p]) {
                        Row1(child, childRow, depth + 1);
                    }
                }
            }
        }
    }

    void Rows(const Recordset& recordset, int depth) {
        std::size_t count = 0;
        for (const Row& row : recordset.rows) {
            count += row.state != RowState::Deleted ? 1 : 0;
        }
        Line(depth,
             "rows " + std::to_string(count) + " (+" + std::to_string(recordset.rows.size() - count) + " deleted)");
        for (const RowState state : kOrder) {
            for (const Row& row : recordset.rows) {
                if (row.state == state || (state == RowState::Unchanged && row.state == RowState::Changed)) {
                    Row1(recordset, row, depth + 1);
                }
            }
        }
    }

    static constexpr RowState kOrder[] = {RowState::Unchanged, RowState::Inserted, RowState::Deleted};
    std::string out_;
};

}  // namespace

std::string PrintRecordset(const Recordset& recordset) {
    return Printer().Print(recordset);
}

}  // namespace persist
