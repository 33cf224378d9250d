#include "store/persist/RowsetXmlReader.h"

#include "store/persist/PersistError.h"
#include "store/persist/RecordsetLimits.h"
#include "store/persist/RowsetXml.h"
#include "store/persist/ValueText.h"
#include "store/persist/XmlDocument.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>

namespace persist {

using namespace rowsetxml;

namespace {

constexpr int kMaxDepth = 16;
// What the binary format holds for a precision that does not apply, and the XML format leaves out.
constexpr std::uint32_t kNoPrecision = 255;

bool IsTrue(const std::string* value) {
    return value && (*value == "true" || *value == "1");
}

std::uint32_t Number(const std::string* text, std::uint32_t fallback, const char* what) {
    if (!text) {
        return fallback;
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (text->empty() || error != std::errc() || end != text->data() + text->size()) {
        throw PersistError(std::string("the ") + what + " '" + Excerpt(*text) + "' is not a number");
    }
    return value;
}

std::int32_t SignedNumber(const std::string* text) {
    if (!text) {
        return 0;
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (text->empty() || error != std::errc() || end != text->data() + text->size()) {
        throw PersistError("the scale '" + Excerpt(*text) + "' is not a number");
    }
    return value;
}

// One level of the schema: the columns of a recordset and how its rows name them.
struct Level {
    std::string rowName;  // element name of this level's rows ("row" for the top, in the row namespace)
    bool topLevel = true;
    std::map<std::string, std::size_t, std::less<>> columnByAttribute;
    std::vector<std::string> attributeOfColumn;  // the same names by column; empty for a chapter column
    std::vector<Level> children;

    // The column an attribute names, or none. Rows name their columns in column order, so the column after
    // the last one found is tried before the map.
    std::optional<std::size_t> ColumnOf(std::string_view attribute, std::size_t guess) const {
        if (guess < attributeOfColumn.size() && !attribute.empty() && attributeOfColumn[guess] == attribute) {
            return guess;
        }
        const auto found = columnByAttribute.find(attribute);
        if (found == columnByAttribute.end()) {
            return std::nullopt;
        }
        return found->second;
    }
};

class RowsetXmlParser {
public:
    explicit RowsetXmlParser(std::size_t inputSize) : budget_(inputSize) {}

    void ReadSchema(const XmlElement& schema) {
        if (haveSchema_) {
            throw PersistError("not a saved recordset: two schemas");
        }
        const XmlElement* rowType = nullptr;
        for (const XmlElement& child : schema.children) {
            if (child.Is(kSchemaNs, "ElementType")) {
                const std::string* name = child.Attribute("", "name");
                if (name && *name == "row") {
                    rowType = &child;
                }
            }
        }
        if (!rowType) {
            throw PersistError("not a saved recordset: the schema has no row type");
        }
        level_.rowName = "row";
        ReadElementType(*rowType, recordset_, level_, 0);
        std::uint32_t nextId = 1;
        AssignIds(recordset_, nextId);
        haveSchema_ = true;
    }

    bool HaveSchema() const { return haveSchema_; }

    // A child of rs:data: an unchanged row (with its child rows) or a change.
    void ReadDataElement(const XmlElement& child) {
        if (IsRow(child, level_)) {
            AddRow(recordset_, ReadValues(child, recordset_, level_, RowState::Unchanged));
            ReadChildRows(child, recordset_, level_);
        } else if (child.Is(kRowsetNs, "update")) {
            ReadUpdate(child, recordset_, level_);
        } else {
            throw PersistError("unexpected element '" + Excerpt(child.local) + "' among the rows");
        }
    }

    // A row in an rs:insert or rs:delete block.
    void ReadBlockRow(const XmlElement& element, RowState state) {
        if (!IsRow(element, level_)) {
            throw PersistError("unexpected element '" + Excerpt(element.local) + "'");
        }
        AddRow(recordset_, ReadValues(element, recordset_, level_, state));
        ReadChildRows(element, recordset_, level_);
    }

    Recordset Finish() {
        if (!haveSchema_) {
            throw PersistError("not a saved recordset: the schema is missing");
        }
        return std::move(recordset_);
    }

private:
    static void AssignIds(Recordset& recordset, std::uint32_t& next) {
        recordset.id = next++;
        for (Recordset& child : recordset.children) {
            AssignIds(child, next);
        }
    }

    void ReadElementType(const XmlElement& type, Recordset& recordset, Level& level, int depth) {
        if (depth > kMaxDepth) {
            throw PersistError("recordsets are nested too deeply");
        }
        std::vector<std::pair<std::uint32_t, Column>> numbered;
        std::vector<std::string> attributeNames;
        std::map<std::string, std::uint16_t> tableOrdinals;
        std::vector<std::pair<const XmlElement*, std::size_t>> chapters;
        for (const XmlElement& child : type.children) {
            if (child.Is(kSchemaNs, "AttributeType")) {
                const std::string* name = child.Attribute("", "name");
                if (!name) {
                    throw PersistError("a column of the schema has no name");
                }
                Column column = ReadColumn(child, *name, recordset, tableOrdinals);
                const auto position = static_cast<std::uint32_t>(numbered.size() + 1);
                numbered.emplace_back(Number(child.Attribute(kRowsetNs, "number"), position, "column number"),
                                      std::move(column));
                attributeNames.push_back(*name);
            } else if (child.Is(kSchemaNs, "ElementType")) {
                const std::string* name = child.Attribute("", "name");
                if (!name) {
                    throw PersistError("a child recordset of the schema has no name");
                }
                Column column;
                column.name = *name;
                column.type = DataType::Chapter;
                column.maxLength = 4;
                column.flags = ColumnFlag::kChapter | ColumnFlag::kFixedLength;
                column.autoIncrement = false;
                column.relation = ReadRelation(child.Attribute(kRowsetNs, "relation"));
                chapters.emplace_back(&child, numbered.size());
                numbered.emplace_back(static_cast<std::uint32_t>(numbered.size() + 1), std::move(column));
                attributeNames.push_back({});
            }
        }
        std::vector<std::size_t> order(numbered.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            order[i] = i;
        }
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return numbered[a].first < numbered[b].first; });
        for (std::size_t k = 0; k < order.size(); ++k) {
            if (numbered[order[k]].first != k + 1) {
                throw PersistError("the columns of the schema are not numbered 1 to " + std::to_string(order.size()));
            }
        }
        std::vector<std::size_t> placeOf(numbered.size());
        for (std::size_t k = 0; k < order.size(); ++k) {
            placeOf[order[k]] = k;
            recordset.columns.push_back(std::move(numbered[order[k]].second));
            if (!attributeNames[order[k]].empty() &&
                !level.columnByAttribute.emplace(attributeNames[order[k]], k).second) {
                throw PersistError("two columns are named '" + Excerpt(attributeNames[order[k]]) + "'");
            }
            level.attributeOfColumn.push_back(attributeNames[order[k]]);
        }
        if (recordset.columns.empty()) {
            throw PersistError("the schema has no columns");
        }
        // Children follow their chapter columns' order.
        std::sort(chapters.begin(), chapters.end(),
                  [&](const auto& a, const auto& b) { return placeOf[a.second] < placeOf[b.second]; });
        for (const auto& [element, index] : chapters) {
            Recordset& sub = recordset.children.emplace_back();
            Level& subLevel = level.children.emplace_back();
            subLevel.rowName = *element->Attribute("", "name");
            subLevel.topLevel = false;
            ReadElementType(*element, sub, subLevel, depth + 1);
        }
    }

    static Relation ReadRelation(const std::string* hex) {
        Relation relation;
        if (!hex) {
            return relation;
        }
        if (hex->size() != 24) {
            throw PersistError("the relation '" + Excerpt(*hex) + "' is malformed");
        }
        std::uint32_t parts[3] = {};
        for (int part = 0; part < 3; ++part) {
            for (int byte = 0; byte < 4; ++byte) {
                unsigned value = 0;
                const char* at = hex->data() + part * 8 + byte * 2;
                const auto [end, error] = std::from_chars(at, at + 2, value, 16);
                if (error != std::errc() || end != at + 2) {
                    throw PersistError("the relation is malformed");
                }
                parts[part] |= value << (8 * byte);
            }
        }
        relation.parentOrdinal = parts[0];
        relation.childOrdinal = parts[1];
        relation.type = parts[2];
        return relation;
    }

    Column ReadColumn(const XmlElement& element, const std::string& name, Recordset& recordset,
                      std::map<std::string, std::uint16_t>& tableOrdinals) {
        Column column;
        const std::string* alias = element.Attribute(kRowsetNs, "name");
        column.name = alias ? *alias : name;
        const XmlElement* datatype = nullptr;
        for (const XmlElement& child : element.children) {
            if (child.Is(kSchemaNs, "datatype")) {
                datatype = &child;
            }
        }
        // Type facts may sit on the datatype element or, in files written by hand, on the column itself.
        const auto fact = [&](std::string_view ns, std::string_view local) -> const std::string* {
            const std::string* value = datatype ? datatype->Attribute(ns, local) : nullptr;
            return value ? value : element.Attribute(ns, local);
        };
        const std::string* dtType = fact(kDataTypeNs, "type");
        const std::string* dbType = fact(kRowsetNs, "dbtype");
        const std::string typeName = dtType ? *dtType : "string";
        const auto type = TypeFromXml(typeName, dbType ? *dbType : "");
        if (!type) {
            throw PersistError("column '" + Excerpt(column.name) + "' has the unknown type '" + Excerpt(typeName) +
                               "'");
        }
        column.type = *type;
        const std::string* maxLength = fact(kDataTypeNs, "maxLength");
        const auto fixedSize = FixedValueSize(column.type);
        if (fixedSize) {
            column.maxLength = static_cast<std::uint32_t>(*fixedSize);
            column.flags |= ColumnFlag::kFixedLength;
        } else {
            column.maxLength = Number(maxLength, 0xFFFFFFFF, "length");
            if (!maxLength || IsTrue(fact(kRowsetNs, "long"))) {
                column.flags |= ColumnFlag::kLong;
            }
            if (IsTrue(fact(kRowsetNs, "fixedlength"))) {
                column.flags |= ColumnFlag::kFixedLength;
            }
        }
        column.precision = Number(fact(kRowsetNs, "precision"), kNoPrecision, "precision");
        column.scale = SignedNumber(fact(kRowsetNs, "scale"));
        const std::string* maybeNull = fact(kRowsetNs, "maybenull");
        if (!maybeNull || IsTrue(maybeNull)) {
            column.flags |= ColumnFlag::kMayBeNull;
        }
        const struct {
            const char* attribute;
            std::uint32_t flag;
        } kFlags[] = {{"nullable", ColumnFlag::kNullable},
                      {"maydefer", ColumnFlag::kMayDefer},
                      {"write", ColumnFlag::kWrite},
                      {"writeunknown", ColumnFlag::kWriteUnknown},
                      {"rowid", ColumnFlag::kRowId},
                      {"rowver", ColumnFlag::kRowVersion},
                      {"cachedeferred", ColumnFlag::kCacheDeferred},
                      {"keycolumn", ColumnFlag::kKeyColumn}};
        for (const auto& f : kFlags) {
            if (IsTrue(element.Attribute(kRowsetNs, f.attribute))) {
                column.flags |= f.flag;
            }
        }
        column.visible = !IsTrue(element.Attribute(kRowsetNs, "hidden"));
        column.autoIncrement = IsTrue(element.Attribute(kRowsetNs, "autoincrement"));
        const auto optional = [&](const char* local) -> std::optional<std::string> {
            const std::string* value = element.Attribute(kRowsetNs, local);
            return value ? std::optional<std::string>(*value) : std::nullopt;
        };
        column.baseCatalog = optional("basecatalog");
        column.baseSchema = optional("baseschema");
        column.baseColumnName = optional("basecolumn");
        if (const std::string* table = element.Attribute(kRowsetNs, "basetable")) {
            const std::string key =
                column.baseCatalog.value_or("") + '\n' + column.baseSchema.value_or("") + '\n' + *table;
            auto found = tableOrdinals.find(key);
            if (found == tableOrdinals.end()) {
                BaseTable base;
                base.ordinal = static_cast<std::uint16_t>(recordset.tables.size() + 1);
                base.updateName = *table;
                base.originalName = *table;
                recordset.tables.push_back(base);
                found = tableOrdinals.emplace(key, base.ordinal).first;
            }
            column.baseTableOrdinal = found->second;
        }
        return column;
    }

    static bool IsRow(const XmlElement& element, const Level& level) {
        return level.topLevel ? element.Is(kRowNs, "row") : (element.ns->empty() && element.local == level.rowName);
    }

    void ReadChildRows(const XmlElement& parent, Recordset& recordset, const Level& level) {
        for (const XmlElement& element : parent.children) {
            bool known = false;
            for (std::size_t c = 0; c < level.children.size() && c < recordset.children.size(); ++c) {
                if (element.ns->empty() && element.local == level.children[c].rowName) {
                    Row row = ReadValues(element, recordset.children[c], level.children[c], RowState::Unchanged);
                    AddRow(recordset.children[c], std::move(row));
                    ReadChildRows(element, recordset.children[c], level.children[c]);
                    known = true;
                    break;
                }
            }
            if (!known) {
                throw PersistError("unexpected element '" + Excerpt(element.local) + "' inside a row");
            }
        }
    }

    void ReadUpdate(const XmlElement& update, Recordset& recordset, const Level& level) {
        const XmlElement* original = nullptr;
        const XmlElement* changed = nullptr;
        for (const XmlElement& child : update.children) {
            if (child.Is(kRowsetNs, "original") && !original) {
                original = &child;
            } else if (IsRow(child, level) && !changed) {
                changed = &child;
            } else {
                throw PersistError("unexpected element '" + Excerpt(child.local) + "' in a change");
            }
        }
        if (!original || !changed || original->children.size() != 1 || !IsRow(original->children[0], level)) {
            throw PersistError("a change lacks its original row or its new values");
        }
        Row row = ReadValues(original->children[0], recordset, level, RowState::Changed);
        row.original = row.values;
        const Row update_ = ReadValues(*changed, recordset, level, RowState::Inserted);
        row.updated = update_.updated;
        for (std::size_t i = 0; i < row.values.size(); ++i) {
            if (row.updated[i]) {
                row.values[i] = update_.values[i];
            }
        }
        AddRow(recordset, std::move(row));
    }

    void AddRow(Recordset& recordset, Row row) {
        budget_.Take(recordset.columns.size() * (row.original.empty() ? 1 : 2));
        recordset.rows.push_back(std::move(row));
    }

    // The values a row element gives. Attributes that name no column are ignored, as ADO ignores them.
    Row ReadValues(const XmlElement& element, const Recordset& recordset, const Level& level, RowState state) {
        budget_.Take(recordset.columns.size());
        Row row;
        row.state = state;
        row.values.assign(recordset.columns.size(), std::nullopt);
        const bool tracksUpdates = state == RowState::Inserted || state == RowState::Changed;
        if (tracksUpdates) {
            row.updated.assign(recordset.columns.size(), false);
        }
        std::size_t next = 0;  // the column the next attribute most likely names
        for (const XmlAttribute& attribute : element.attributes) {
            if (*attribute.ns == kRowsetNs && attribute.local == "forcenull") {
                if (!tracksUpdates) {
                    throw PersistError("only changed and new rows can set a value to NULL");
                }
                std::size_t start = 0;
                const std::string& list = attribute.value;
                while (start < list.size()) {
                    const std::size_t end = std::min(list.find(' ', start), list.size());
                    if (end > start) {
                        const auto found =
                            level.columnByAttribute.find(std::string_view(list).substr(start, end - start));
                        if (found == level.columnByAttribute.end()) {
                            throw PersistError("rs:forcenull names an unknown column");
                        }
                        row.updated[found->second] = true;
                    }
                    start = end + 1;
                }
                continue;
            }
            if (!attribute.ns->empty()) {
                continue;
            }
            const std::optional<std::size_t> index = level.ColumnOf(attribute.local, next);
            if (!index) {
                continue;
            }
            next = *index + 1;
            row.values[*index] = ParseValue(recordset.columns[*index], attribute.value);
            if (tracksUpdates) {
                row.updated[*index] = true;
            }
        }
        return row;
    }

    CellBudget budget_;
    Recordset recordset_;
    Level level_;
    bool haveSchema_ = false;
};

// Reads the document as a stream: the schema as one tree, then each row (or change) as a small tree of
// its own that is turned into a row and dropped, so that a large file never exists twice in memory.
class RowsetStream : public XmlEvents {
public:
    explicit RowsetStream(RowsetXmlParser& parser) : parser_(parser) {}

    void StartElement(XmlElement element) override {
        const int depth = depth_++;
        if (capturing_) {
            tree_.StartElement(std::move(element));
            return;
        }
        if (depth == 0) {
            if (element.local != "xml") {
                throw PersistError("not a saved recordset: the root element is not 'xml'");
            }
        } else if (depth == 1 && element.Is(kSchemaNs, "Schema")) {
            Capture(std::move(element), Part::Schema);
        } else if (depth == 1 && element.Is(kRowsetNs, "data")) {
            if (!parser_.HaveSchema() || seenData_) {
                throw PersistError("not a saved recordset: misplaced rows");
            }
            seenData_ = true;
        } else if (depth == 2 && seenData_ && (element.Is(kRowsetNs, "insert") || element.Is(kRowsetNs, "delete"))) {
            block_ = element.local == "insert" ? RowState::Inserted : RowState::Deleted;
            inBlock_ = true;
        } else if (depth == 2 && seenData_) {
            Capture(std::move(element), Part::DataElement);
        } else if (depth == 3 && inBlock_) {
            Capture(std::move(element), Part::BlockRow);
        } else {
            throw PersistError("not a saved recordset: unexpected element '" + Excerpt(element.local) + "'");
        }
    }

    void EndElement() override {
        --depth_;
        if (capturing_) {
            tree_.EndElement();
            if (depth_ == captureDepth_) {
                Deliver();
            }
            return;
        }
        if (depth_ == 2) {
            inBlock_ = false;
        }
    }

private:
    enum class Part { Schema, DataElement, BlockRow };

    void Capture(XmlElement element, Part part) {
        capturing_ = true;
        captureDepth_ = depth_ - 1;
        part_ = part;
        tree_ = TreeBuilder();
        tree_.StartElement(std::move(element));
    }

    void Deliver() {
        capturing_ = false;
        const XmlElement element = tree_.Take();
        switch (part_) {
            case Part::Schema:
                parser_.ReadSchema(element);
                break;
            case Part::DataElement:
                parser_.ReadDataElement(element);
                break;
            case Part::BlockRow:
                parser_.ReadBlockRow(element, block_);
                break;
        }
    }

    RowsetXmlParser& parser_;
    TreeBuilder tree_;
    int depth_ = 0;
    bool capturing_ = false;
    int captureDepth_ = 0;
    Part part_ = Part::Schema;
    bool seenData_ = false;
    bool inBlock_ = false;
    RowState block_ = RowState::Inserted;
};

}  // namespace

Recordset RowsetXmlReader::Read(std::string_view bytes) const {
    std::set<std::string> uris;
    RowsetXmlParser parser(bytes.size());
    RowsetStream stream(parser);
    XmlDocument::Stream(bytes, uris, stream);
    return parser.Finish();
}

}  // namespace persist
