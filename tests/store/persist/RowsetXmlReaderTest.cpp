// The XML reader: ADO's defaults for files written by hand, and refusal of what is not a saved recordset.
#include "store/persist/PersistError.h"
#include "store/persist/RecordsetPrinter.h"
#include "store/persist/RowsetXmlReader.h"
#include "store/persist/RowsetXmlWriter.h"
#include "store/persist/ValueText.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace persist;

namespace {

const std::string kHead =
    "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'"
    " xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'><s:Schema id='RowsetSchema'>"
    "<s:ElementType name='row' content='eltOnly'>";

std::string Document(const std::string& columns, const std::string& rows) {
    return kHead + columns + "</s:ElementType></s:Schema><rs:data>" + rows + "</rs:data></xml>";
}

Recordset Read(const std::string& text) {
    return RowsetXmlReader().Read(text);
}

TEST(RowsetXmlReader, HandWrittenFilesGetAdosDefaults) {
    const Recordset r = Read(Document("<s:AttributeType name='a' dt:type='int'/><s:AttributeType name='b'/>",
                                      "<z:row a='7' b='x' unknown='ignored'/><z:row a='8'/>"));
    ASSERT_EQ(r.columns.size(), 2u);
    EXPECT_EQ(r.columns[0].type, DataType::I4);
    EXPECT_EQ(r.columns[0].flags, ColumnFlag::kFixedLength | ColumnFlag::kMayBeNull);
    EXPECT_EQ(r.columns[1].type, DataType::WStr);
    EXPECT_EQ(r.columns[1].maxLength, 0xFFFFFFFFu);
    EXPECT_EQ(r.columns[1].flags, ColumnFlag::kLong | ColumnFlag::kMayBeNull);
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.rows[0].values[1], std::optional<std::string>("x"));
    EXPECT_FALSE(r.rows[1].values[1].has_value());
}

TEST(RowsetXmlReader, NamespacesAreMatchedByUriNotPrefix) {
    const std::string text =
        "<xml xmlns:a='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:b='urn:schemas-microsoft-com:rowset' "
        "xmlns:c='#RowsetSchema' xmlns:d='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'><a:Schema>"
        "<a:ElementType name='row'><a:AttributeType name='n' b:number='1'><a:datatype d:type='i2'/>"
        "</a:AttributeType></a:ElementType></a:Schema><b:data><c:row n='-3'/></b:data></xml>";
    const Recordset r = Read(text);
    ASSERT_EQ(r.rows.size(), 1u);
    EXPECT_EQ(r.columns[0].type, DataType::I2);
    EXPECT_NE(PrintRecordset(r).find("n=-3"), std::string::npos);
}

TEST(RowsetXmlReader, PendingChangesAreKept) {
    const Recordset r = Read(Document(
        "<s:AttributeType name='id' dt:type='int'/><s:AttributeType name='t'/>",
        "<rs:update><rs:original><z:row id='1' t='old'/></rs:original><z:row t='new'/></rs:update>"
        "<rs:insert><z:row id='2' rs:forcenull='t'/></rs:insert><rs:delete><z:row id='3' t='gone'/></rs:delete>"));
    ASSERT_EQ(r.rows.size(), 3u);
    EXPECT_EQ(r.rows[0].state, RowState::Changed);
    EXPECT_EQ(r.rows[0].original[1], std::optional<std::string>("old"));
    EXPECT_EQ(r.rows[0].values[1], std::optional<std::string>("new"));
    EXPECT_EQ(r.rows[0].updated, (std::vector<bool>{false, true}));
    EXPECT_EQ(r.rows[1].state, RowState::Inserted);
    EXPECT_EQ(r.rows[1].updated, (std::vector<bool>{true, true}));
    EXPECT_FALSE(r.rows[1].values[1].has_value());
    EXPECT_EQ(r.rows[2].state, RowState::Deleted);
    EXPECT_EQ(PrintRecordset(r), PrintRecordset(Read(RowsetXmlWriter().Write(r))));
}

TEST(RowsetXmlWriter, ChildRowsAreWrittenOnceEvenUnderTwoMatchingParents) {
    const std::string text =
        kHead +
        "<s:AttributeType name='k' dt:type='int'/><s:ElementType name='Kids' rs:relation='010000000100000000000000'>"
        "<s:AttributeType name='k' dt:type='int'/><s:AttributeType name='n' dt:type='int'/></s:ElementType>"
        "</s:ElementType></s:Schema><rs:data><z:row k='1'><Kids k='1' n='10'/><Kids k='1' n='11'/></z:row>"
        "<z:row k='1'/><z:row k='2'/></rs:data></xml>";
    const Recordset r = Read(text);
    ASSERT_EQ(r.children.size(), 1u);
    EXPECT_EQ(r.children[0].rows.size(), 2u);
    const std::string printed = PrintRecordset(r);
    EXPECT_NE(printed.find("    unchanged k=1 n=11\n  unchanged k=1\n    unchanged k=1 n=10"), std::string::npos)
        << printed;
    const Recordset again = Read(RowsetXmlWriter().Write(r));
    EXPECT_EQ(again.children[0].rows.size(), 2u);
    EXPECT_EQ(PrintRecordset(again), printed);
}

TEST(RowsetXmlReader, RefusesWhatIsNotASavedRecordset) {
    const char* const kBad[] = {
        "",
        "not xml at all",
        "<!DOCTYPE xml [<!ENTITY a 'aaaa'>]><xml/>",
        "<xml><unclosed></xml>",
        "<xml a='1' a='2'/>",
        "<other/>",
        "<xml/>",
    };
    for (const char* text : kBad) {
        EXPECT_THROW(Read(text), PersistError) << text;
    }
    // A byte-order mark followed by what is not UTF-16: an odd count, an unpaired surrogate.
    EXPECT_THROW(Read(std::string("\xFF\xFE<\0x", 5)), PersistError);
    EXPECT_THROW(Read(std::string("\xFE\xFF\xD8\x00\x00<", 6)), PersistError);
    const std::string columns = "<s:AttributeType name='a' dt:type='int'/>";
    for (const std::string rows : {"<z:row a='x'/>", "<z:row a='99999999999'/>", "<z:row a='&unknown;'/>",
                                   "<z:row a='1' rs:forcenull='a'/>", "<z:other/>", "<z:row a='&#0;'/>"}) {
        EXPECT_THROW(Read(Document(columns, rows)), PersistError) << rows;
    }
    EXPECT_THROW(Read(Document("<s:AttributeType name='a' rs:number='2'/>", "")), PersistError);
}

TEST(RowsetXmlReader, ColumnsAreFoundByNameInAnyOrder) {
    const Recordset r =
        Read(Document("<s:AttributeType name='a' dt:type='int'/><s:ElementType name='Kids'>"
                      "<s:AttributeType name='k' dt:type='int'/></s:ElementType><s:AttributeType name='c'/>",
                      "<z:row a='1' c='x'/><z:row c='y' z='?' a='2'/><z:row c='z'/><z:row a='3' :='chapter?'/>"));
    using V = std::vector<Value>;
    ASSERT_EQ(r.rows.size(), 4u);
    EXPECT_EQ(r.rows[0].values, (V{ParseValue(r.columns[0], "1"), std::nullopt, "x"}));
    EXPECT_EQ(r.rows[1].values, (V{ParseValue(r.columns[0], "2"), std::nullopt, "y"}));
    EXPECT_EQ(r.rows[2].values, (V{std::nullopt, std::nullopt, "z"}));
    EXPECT_EQ(r.rows[3].values, (V{ParseValue(r.columns[0], "3"), std::nullopt, std::nullopt}));
}

// Texts are checked as UTF-8 in blocks; a bad byte anywhere, whatever ASCII precedes it, is refused.
TEST(RowsetXmlReader, MalformedUtf8IsRefusedWhereverItIs) {
    const std::string columns = "<s:AttributeType name='a'/>";
    for (std::size_t ascii = 0; ascii < 17; ++ascii) {
        const std::string before(ascii, 'x');
        EXPECT_EQ(Read(Document(columns, "<z:row a='" + before + "\xD0\x96'/>")).rows[0].values[0],
                  std::optional<std::string>(before + "\xD0\x96"));
        for (const char* bad : {"\xD0", "\xD0x", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"}) {
            EXPECT_THROW(Read(Document(columns, "<z:row a='" + before + bad + "'/>")), PersistError) << ascii;
        }
    }
}

TEST(RowsetXmlReader, DeepNestingIsRefusedNotRecursedInto) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) {
        deep += "<a>";
    }
    EXPECT_THROW(Read(deep), PersistError);
}

TEST(RowsetXmlWriter, EscapesWhatXmlCannotHoldRaw) {
    Recordset r;
    Column column;
    column.name = "Op";
    column.type = DataType::WStr;
    column.maxLength = 50;
    column.flags = ColumnFlag::kNullable | ColumnFlag::kMayBeNull | ColumnFlag::kWrite;
    r.columns.push_back(column);
    Row row;
    row.values = {std::string("a'b\"c&d<e>f\tg\r\nh")};
    r.rows.push_back(row);
    const std::string xml = RowsetXmlWriter().Write(r);
    EXPECT_NE(xml.find("Op='a&#x27;b&#x22;c&#x26;d&#x3c;e&#x3e;f&#x9;g&#xd;&#xa;h'"), std::string::npos) << xml;
    EXPECT_EQ(Read(xml).rows[0].values[0], row.values[0]);
    EXPECT_EQ(xml.rfind("<xml xmlns:s=", 0), 0u);  // no byte-order mark, no declaration
}

// A row of 300 000 attributes (2.7 MB): a damaged or hostile file must not freeze the program while the repeated
// names are looked for. The bound is far above what the reader needs and far below what pairwise checks take.
TEST(RowsetXmlReader, ARowOfVeryManyAttributesIsReadInLinearTime) {
    std::string many;
    for (int i = 0; i < 300000; ++i) {
        many += " a" + std::to_string(i) + "='v'";
    }
    for (const std::string& last : {std::string(), std::string(" a123456='again'")}) {
        const std::string text = Document("<s:AttributeType name='a0'/>", "<z:row" + many + last + "/>");
        const auto start = std::chrono::steady_clock::now();
        if (last.empty()) {
            const Recordset r = Read(text);
            ASSERT_EQ(r.rows.size(), 1u);
            EXPECT_EQ(r.rows[0].values[0], std::optional<std::string>("v"));
        } else {
            try {
                Read(text);
                ADD_FAILURE() << "a repeated attribute was taken";
            } catch (const PersistError& error) {
                EXPECT_NE(std::string(error.what()).find("the attribute 'a123456' is repeated"), std::string::npos)
                    << error.what();
            }
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << "with" << last;
    }
}

// A name of megabytes is quoted in part: the message stays one readable line.
TEST(RowsetXmlReader, ErrorMessagesQuoteAtMost200Characters) {
    const std::string longName = "Ж" + std::string(1 << 20, 'n');
    for (const std::string& text :
         {Document("<s:AttributeType name='a'/>", "<" + longName + "/>"),
          Document("<s:AttributeType name='" + longName + "' dt:type='nosuchtype'/>", ""),
          Document("<s:AttributeType name='a' dt:type='int'/>", "<z:row a='" + longName + "'/>")}) {
        try {
            Read(text);
            ADD_FAILURE() << "read";
        } catch (const PersistError& error) {
            const std::string message = error.what();
            EXPECT_LT(message.size(), 400u) << message.substr(0, 400);
            EXPECT_NE(message.find("Жnnn"), std::string::npos) << message.substr(0, 400);
            EXPECT_NE(message.find(std::string(199, 'n') + "..."), std::string::npos) << message.substr(0, 400);
        }
    }
}

}  // namespace
