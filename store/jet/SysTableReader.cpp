#include "store/jet/SysTableReader.h"

#include "store/jet/JetDate.h"
#include "store/jet/JetHeader.h"
#include "store/jet/SysSchema.h"

// libmdb's header needs glib's declarations first when compiled as C++.
#include <glib.h>

#include <mdbtools.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace jet {
namespace {

// Row offsets in a data page carry flags in their top bits.
constexpr int kRowOffsetMask = 0x1fff;
// Large enough for any memo a measurement note could be; texts of at most 255 characters need far less.
constexpr std::size_t kMemoBindSize = 1 << 18;

struct HandleCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
struct GlibFreer {
    void operator()(char* text) const { g_free(text); }
};

std::string Prefix(const std::string& path) {
    return "The Jet database '" + path + "' ";
}

[[noreturn]] void Damaged(const std::string& path, const std::string& what) {
    throw JetError(Prefix(path) + "is damaged or incomplete: " + what);
}

MdbCatalogEntry* FindSysTable(MdbHandle* mdb) {
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && g_ascii_strcasecmp(entry->object_name, kSysTableName) == 0) {
            return entry;
        }
    }
    return nullptr;
}

MdbColumn* Column(MdbTableDef* table, std::size_t index) {
    return static_cast<MdbColumn*>(g_ptr_array_index(table->columns, static_cast<guint>(index)));
}

class RowReader {
public:
    RowReader(std::string path, MdbHandle* mdb, MdbTableDef* table, const std::array<std::size_t, kSysFieldCount>& map)
        : path_(std::move(path)), mdb_(mdb), table_(table), map_(map), fields_(table->num_cols) {}

    // The values of the row mdb_fetch_row has just read: it is the row before table->cur_row on the current page.
    SysRow Read() {
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdb_, static_cast<int>(table_->cur_row) - 1, &start, &size) != 0) {
            Damaged(path_, "a row of the table Sys lies outside its page.");
        }
        start &= kRowOffsetMask;
        // Cracked again here for the null mask: the bound values libmdb gives cannot tell an empty text from a null.
        if (mdb_crack_row(table_, start, size, fields_.data()) < 0) {
            Damaged(path_, "a row of the table Sys cannot be read.");
        }
        SysRow row;
        // Texts last: reading a memo may read other pages.
        for (std::size_t pass = 0; pass < 2; ++pass) {
            for (std::size_t f = 0; f < kSysFieldCount; ++f) {
                const bool text = kSysFieldKinds[f] == SysFieldKind::Text;
                if (text == (pass == 1)) {
                    row[f] = Value(f, row);
                }
            }
        }
        return row;
    }

private:
    jet::Value Value(std::size_t f, const SysRow& row) {
        MdbColumn* column = Column(table_, map_[f]);
        const MdbField& field = fields_[map_[f]];
        if (field.is_null) {
            return std::monostate{};
        }
        const int start = field.start;
        const int size = field.siz;
        const auto type = static_cast<ColumnType>(column->col_type);
        if (type != ColumnType::Text && type != ColumnType::Memo) {
            const int needed = mdb_col_fixed_size(column);
            if (start < 0 || size < needed || start + needed > mdb_->fmt->pg_size) {
                Damaged(path_, std::string("a value of the field '") + kSysFieldNames[f] + "' is cut short.");
            }
        }
        void* page = mdb_->pg_buf;
        switch (type) {
            case ColumnType::Byte:
                return Number(f, mdb_get_byte(page, start));
            case ColumnType::Integer:
                return Number(f, static_cast<std::int16_t>(mdb_get_int16(page, start)));
            case ColumnType::LongInteger:
                return Number(f, static_cast<std::int32_t>(mdb_get_int32(page, start)));
            case ColumnType::Single:
                return SingleAsDouble(mdb_get_single(page, start));
            case ColumnType::Double:
                return mdb_get_double(page, start);
            case ColumnType::DateTime: {
                const double days = mdb_get_double(page, start);
                if (const std::optional<DateTime> value = DateTimeFromDays(days)) {
                    return *value;
                }
                throw JetError(Prefix(path_) + "cannot be imported: the row with Num " + NumText(row) +
                               " holds a date Jet cannot hold (" + std::to_string(days) + " days).");
            }
            case ColumnType::Text:
            case ColumnType::Memo: {
                if (size <= 0) {
                    return std::string();
                }
                const std::unique_ptr<char, GlibFreer> text(
                    mdb_col_to_string(mdb_, page, start, column->col_type, size));
                if (!text) {
                    Damaged(path_, std::string("a text of the field '") + kSysFieldNames[f] + "' cannot be read.");
                }
                std::string value(text.get());
                if (value.size() + 1 >= mdb_->bind_size) {
                    throw JetError(Prefix(path_) + "cannot be imported: a text of the field '" + kSysFieldNames[f] +
                                   "' is too long.");
                }
                return value;
            }
            default:
                break;  // the schema check lets no other type through
        }
        return std::monostate{};
    }

    // Integer fields take the number as it is; double fields take it as a double, which holds every 32-bit value.
    static jet::Value Number(std::size_t f, std::int32_t number) {
        if (kSysFieldKinds[f] == SysFieldKind::Double) {
            return static_cast<double>(number);
        }
        return number;
    }

    static std::string NumText(const SysRow& row) {
        const auto* num = std::get_if<std::int32_t>(&row[0]);
        return num ? std::to_string(*num) : std::string("(none)");
    }

    std::string path_;
    MdbHandle* mdb_;
    MdbTableDef* table_;
    std::array<std::size_t, kSysFieldCount> map_;
    std::vector<MdbField> fields_;
};

// Jet 3 keeps its 8-bit texts in the code page its header names (1251 for Russian); libmdb reads them as 1252
// unless told otherwise, and it reads the setting when it opens a file.
void ChooseJet3CodePage(const std::string& path) {
    g_unsetenv("MDB_JET3_CHARSET");
    const std::unique_ptr<MdbHandle, HandleCloser> probe(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (probe && IS_JET3(probe.get()) && probe->f->code_page != 0) {
        g_setenv("MDB_JET3_CHARSET", ("CP" + std::to_string(probe->f->code_page)).c_str(), TRUE);
    }
}

}  // namespace

std::vector<SysRow> ReadSysTable(const std::string& path) {
    // Texts come over in UTF-8 only with libmdb's default target character set.
    g_unsetenv("MDBICONV");

    std::error_code error;
    const std::uintmax_t fileSize = std::filesystem::file_size(path, error);
    if (error) {
        throw JetError(Prefix(path) + "cannot be read: " + error.message() + ".");
    }
    const bool jet = IsJetFile(path);
    if (jet) {
        ChooseJet3CodePage(path);
    }
    const std::unique_ptr<MdbHandle, HandleCloser> mdb(jet ? mdb_open(path.c_str(), MDB_NOFLAGS) : nullptr);
    if (!mdb) {
        throw JetError(Prefix(path) + "cannot be opened: it is no Jet database or it is damaged.");
    }
    const auto pageSize = static_cast<std::uintmax_t>(mdb->fmt->pg_size);
    if (pageSize == 0 || fileSize % pageSize != 0) {
        Damaged(path, "its size is not a whole number of pages.");
    }
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE)) {
        Damaged(path, "its list of tables cannot be read.");
    }
    MdbCatalogEntry* entry = FindSysTable(mdb.get());
    if (!entry) {
        throw JetError(Prefix(path) + "cannot be imported: it has no table Sys.");
    }
    const std::unique_ptr<MdbTableDef, TableFreer> table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get())) {
        Damaged(path, "the table Sys cannot be read.");
    }

    std::vector<JetColumn> columns;
    bool memo = false;
    for (std::size_t i = 0; i < table->num_cols; ++i) {
        const MdbColumn* column = Column(table.get(), i);
        columns.push_back(JetColumn{column->name, static_cast<ColumnType>(column->col_type)});
    }
    const std::array<std::size_t, kSysFieldCount> map = FindSysColumns(path, columns);
    for (const std::size_t index : map) {
        memo = memo || columns[index].type == ColumnType::Memo;
    }
    if (memo) {
        mdb_set_bind_size(mdb.get(), kMemoBindSize);
    }

    std::vector<SysRow> rows;
    rows.reserve(table->num_rows);
    RowReader reader(path, mdb.get(), table.get(), map);
    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get())) {
        rows.push_back(reader.Read());
    }
    // A file cut short ends the walk early without an error of libmdb's.
    if (rows.size() != table->num_rows) {
        Damaged(path, "its table Sys holds " + std::to_string(table->num_rows) + " rows, of which " +
                          std::to_string(rows.size()) + " could be read.");
    }

    const auto num = [](const SysRow& row) { return std::get_if<std::int32_t>(&row[0]); };
    if (const auto missing = std::find_if(rows.begin(), rows.end(), [&](const SysRow& r) { return !num(r); });
        missing != rows.end()) {
        throw JetError(Prefix(path) + "cannot be imported: a row of its table Sys has no Num.");
    }
    std::stable_sort(rows.begin(), rows.end(), [&](const SysRow& a, const SysRow& b) { return *num(a) < *num(b); });
    if (const auto twice = std::adjacent_find(rows.begin(), rows.end(),
                                              [&](const SysRow& a, const SysRow& b) { return *num(a) == *num(b); });
        twice != rows.end()) {
        throw JetError(Prefix(path) + "cannot be imported: its table Sys holds the Num " +
                       std::to_string(*num(*twice)) + " twice.");
    }
    return rows;
}

}  // namespace jet
