#include <gtest/gtest.h>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <sys/stat.h>

#include "core/production/RecordFile.h"
#include "support/FakeClock.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

namespace fs = std::filesystem;

const std::string kFoot = "  </Table>\r\n </Worksheet>\r\n</Workbook>\r\n";
const std::string kRowOpen = "   <Row>\r\n";
const std::string kEmptyRow = kRowOpen + "   </Row>\r\n";

// The hand-written file: the first record of the fixture's set and image.
const std::string& Golden() {
    static const std::string bytes =
        ReadBytes(fs::path(TW_PRODUCTION_TEST_DATA) / "first_record.xml");
    return bytes;
}
std::string GoldenHead(std::int64_t count) {
    std::string head = Golden().substr(0, Golden().find(kRowOpen));
    const std::size_t at = head.find("ExpandedRowCount=\"21\"") + 18;
    return head.replace(at, 2, std::to_string(count));
}
std::string GoldenRow() {
    const std::size_t start = Golden().rfind(kRowOpen);
    return Golden().substr(start, Golden().size() - kFoot.size() - start);
}
std::string GoldenBlock() {
    const std::size_t start = Golden().find(kRowOpen);
    return Golden().substr(start, Golden().rfind(kRowOpen) - start);
}
// A record file of the fixture's set: the block, then `rows` copies of the row.
std::string FileWith(int rows) {
    std::string s = GoldenHead(20 + rows) + GoldenBlock();
    for (int i = 0; i < rows; ++i) s += GoldenRow();
    return s + kFoot;
}
// A file of this count and these rows after one more append.
std::string After(std::int64_t count, const std::string& rows, bool blockPending) {
    return GoldenHead(count + (blockPending ? 21 : 1)) + rows +
           (blockPending ? GoldenBlock() : "") + GoldenRow() + kFoot;
}
std::string EmptyRows(int n) {
    std::string rows;
    for (int i = 0; i < n; ++i) rows += kEmptyRow;
    return rows;
}

bool WellFormed(const std::string& bytes) {
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "r.xml", nullptr,
                                  options);
    xmlFreeDoc(doc);
    return doc != nullptr;
}

std::string Swap(std::string s, std::string_view from, std::string_view to) {
    return s.replace(s.find(from), from.size(), to);
}

ino_t Inode(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

long Entries(const fs::path& dir) { return std::distance(fs::directory_iterator(dir), {}); }

class RecordFile : public ::testing::Test {
protected:
    RecordFile() {
        set.operatorBadgeId = "OP-0815";
        set.partNumber = "PN 4711-02";
        set.workOrderNumber = "WO 2026/117";
        set.quantity = "250";
        set.useDecimalCounter = set.lockCarrierId = set.typeNorvik = true;
        set.carrierIdOffset = "0";
        set.carrierIdLength = "8";
        set.lockPage[0] = set.lockPage[1] = set.lockPage[4] = true;
        // Field texts differ from the HEX texts: the row must show what was sent.
        Page(1, true, "0 0 0 0 0 1 2 3", "30 30 30 30 30 31 32 33");
        Page(2, true, "A B C D E F G H", "41 42 43 44 45 46 47 48");
        Page(3, true, "", "11 11 11 11 11 11 11 11");  // selected but empty
        Page(4, false, "12 34 56 78 9A BC DE F0", "12 34 56 78 9A BC DE F0");
        Page(5, true, "DE AD BE EF 00 11 22 33", "DE AD BE EF 00 11 22 33");
        Page(17, true, "FF FF FF FF FF FF FF FF", "FF FF FF FF FF FF FF FF");
        target.logFileName = (dir / "rec.xml").string();
        target.setDirectory = dir.Path();
    }
    void Page(int p, bool selected, std::string field, std::string hex) {
        image.selected[p - 1] = selected ? 1 : 0;
        image.fieldText[p - 1] = std::move(field);
        image.hexText[p - 1] = std::move(hex);
    }
    bool Append() { return AppendRecord(target, RecordInput{setName, set, image, uid, kTime}); }
    fs::path Path() const { return target.logFileName; }

    static constexpr LocalTime kTime{2026, 12, 5, 4, 45, 57};
    TempDir dir;
    ParameterSet set;
    TransponderImage image;
    std::string setName = "Wafer <A&B>";
    std::string uid = "1A2B3C4D";
    RecordTarget target;
};

TEST_F(RecordFile, CountInPlaceWhileItsDigitsFitOtherwiseTheFileIsReplaced) {
    struct Case { int rows; bool pending, replaced; };
    for (const Case c : {Case{95, false, false}, Case{99, false, true}, Case{9, true, true}}) {
        SCOPED_TRACE(c.rows);
        const std::string rows = EmptyRows(c.rows);
        dir.Write("rec.xml", GoldenHead(c.rows) + rows + kFoot);
        const ino_t before = Inode(Path());
        target.headerBlockPending = c.pending;
        ASSERT_TRUE(Append());
        EXPECT_EQ(ReadBytes(Path()), After(c.rows, rows, c.pending));
        EXPECT_EQ(Inode(Path()) != before, c.replaced);
        EXPECT_EQ(Entries(dir.Path()), 1);  // no copy left
    }
}

TEST_F(RecordFile, AFullFileMovesTheRecordToTheNextNameWithABlock) {
    struct Case { std::int64_t count; bool pending, moves; };
    for (const Case c : {Case{65513, true, true}, Case{65512, true, false},
                         Case{65536, false, true}, Case{65535, false, false}}) {
        SCOPED_TRACE(testing::Message() << c.count << " pending " << c.pending);
        TempDir d;
        const std::string full = GoldenHead(c.count) + kFoot;
        d.Write("rec.xml", full);
        target = RecordTarget{(d / "rec.xml").string(), d.Path(), c.pending};
        ASSERT_TRUE(Append());
        EXPECT_FALSE(target.headerBlockPending);
        EXPECT_EQ(target.logFileName, (d / (c.moves ? "rec_1.xml" : "rec.xml")).string());
        EXPECT_EQ(d.Read("rec.xml"), c.moves ? full : After(c.count, "", c.pending));
        EXPECT_EQ(d.Read("rec_1.xml"), c.moves ? Golden() : "");
    }

    // Full files are skipped in turn; a next file that cannot be opened fails.
    dir.Write("rec.xml", GoldenHead(65536) + kFoot);
    dir.Write("rec_1.xml", GoldenHead(65536) + kFoot);
    target = RecordTarget{(dir / "rec.xml").string(), dir.Path(), false};
    ASSERT_TRUE(Append());
    EXPECT_EQ(dir.Read("rec_2.xml"), Golden());
    target = RecordTarget{(dir / "rec.xml").string(), dir.Path(), false};
    fs::remove(dir / "rec_1.xml");
    fs::create_directory(dir / "rec_1.xml");
    EXPECT_FALSE(Append());
    EXPECT_EQ(target.logFileName, (dir / "rec_1.xml").string());
    EXPECT_TRUE(target.headerBlockPending);
}

TEST(RecordFileNames, NextAndTimestampedNamesLookAtTheFileNameOnly) {
    const std::pair<const char*, const char*> next[] = {
        {"/d/rec_99.xml", "/d/rec_100.xml"}, {"/d/rec_1a.xml", "/d/rec_1a_1.xml"},
        {"/d/rec_7.csv", "/d/rec_8.xml"}, {"/d/my_3.d/rec", "/d/my_3.d/rec_1.xml"},
    };
    for (const auto& [in, out] : next) EXPECT_EQ(NextRecordFileName(in), out) << in;

    const LocalTime t{2026, 12, 5, 4, 55, 56};
    EXPECT_EQ(TimestampedName("/d/x.xml.d/rec", t), "/d/x.xml.d/rec_261205045556");
    EXPECT_EQ(TimestampedName("/d/rec.xml", LocalTime{2026, 13, 5, 4, 55, 56}),
              "/d/rec_JJMMDDHHMMSS.xml");
}

TEST_F(RecordFile, TiWithoutADataSourceHasNoUidAndNoSourceRow) {
    const std::string cell = "    <Cell ss:Index=\"%\"><Data ss:Type=\"String\">";
    const std::string sourceRow = kRowOpen + Swap(cell, "%", "1") + "Decimal counter:</Data></Cell>"
                                  "\r\n" + Swap(cell, "%", "2") + "true</Data></Cell>\r\n   </Row>\r\n";
    set.typeNorvik = set.useDecimalCounter = false;
    set.typeTI = true;
    ASSERT_TRUE(Append());
    const std::string ti = Swap(Swap(Golden(), "Norvik", "TI"), ">1A2B3C4D<", "><");
    EXPECT_EQ(ReadBytes(Path()), Swap(Swap(ti, sourceRow, ""), "Count=\"21\"", "Count=\"20\""));
}

TEST_F(RecordFile, EveryTextIsEscapedSoTheFileStaysReadable) {
    const std::string nasty = "a&b<c>d\"e'f]]>g\r\nh\ti\x01j\xF6";
    setName = uid = nasty;
    set.operatorBadgeId = set.partNumber = set.workOrderNumber = set.quantity = nasty;
    set.useDecimalCounter = false;
    set.useCsvFile = true;
    set.csvFileName = image.hexText[0] = nasty;
    ASSERT_TRUE(Append());
    const std::string bytes = ReadBytes(Path());
    EXPECT_TRUE(WellFormed(bytes));
    // XML cannot carry \x01; an 8-bit byte becomes a reference to its character.
    const std::string escaped = ">a&amp;b&lt;c&gt;d&quot;e&apos;f]]&gt;g&#13;&#10;h\ti?j&#246;<";
    int found = 0;
    for (auto at = bytes.find(escaped); at != std::string::npos; at = bytes.find(escaped, at + 1)) {
        ++found;
    }
    EXPECT_EQ(found, 8);  // set name, four work order texts, list file, UID, page 1
}

// An append cut short is mended by the next: the rows up to the last whole
// one stay. A damaged or foreign file is refused and left as it was.
TEST_F(RecordFile, AnAppendCutShortIsMendedAndAForeignFileRefused) {
    const int kRefused = -1;
    const std::string footless = FileWith(2).substr(0, FileWith(2).size() - kFoot.size());
    const std::string row = GoldenRow();
    const std::string rows = footless.substr(GoldenHead(22).size());
    // A cell torn inside and glued to the end of another line.
    const std::string torn = row.substr(0, row.find("    <Cell><Data") + 13);
    const std::string tornText = row.substr(0, row.find("String\">", torn.size() - 13) + 8);
    const std::pair<std::string, int> cases[] = {  // bytes, rows kept
        {footless + torn + "ta></Cell>\r\n   </Row>\r\n", 2},
        {footless + tornText + "<\xFF</Data></Cell>\r\n   </Row>\r\n", 2},
        {footless, 2},
        {footless + row.substr(0, row.size() / 2), 2},                 // torn row
        {footless + row.substr(0, 700) + std::string(3000, '\0'), 2},  // power cut
        {footless + "   " + kFoot.substr(3), 2},                       // foot overwritten
        {footless + row, 3},                                           // count not yet set
        {footless + row + "  </Tab", 3},                               // foot cut short
        {footless + kFoot + "  </Table>\r\n<junk/>\r\n", 2},          // junk after the foot
        // the rows counted need one digit more, or one less, than the head had
        {GoldenHead(9) + rows + row, 3},
        {GoldenHead(100) + rows + row.substr(0, 99), 2},
        {"<?xml version=\"1.0\"?>\r\n<Workbook>\r\n</Workbook>\r\n", kRefused},
        {"  </Table>\r\n </Worksheet>\r\n", kRefused},                  // nothing before the foot
        {"x" + Golden().substr(1) + std::string(1200, 'z'), kRefused},  // foot too far from the end
        {"<Row></Table>\r\n", kRefused},
        // someone else's sheet with a foot of its own
        {"<?xml version=\"1.0\"?>\r\n<Workbook>\r\n <Worksheet>\r\n"
         "  <Table ss:ExpandedRowCount=\"1\">\r\n" + kEmptyRow + kFoot, kRefused},
    };
    for (const auto& [bytes, kept] : cases) {
        SCOPED_TRACE(bytes.substr(0, 20) + " " + std::to_string(bytes.size()));
        dir.Write("rec.xml", bytes);
        target.headerBlockPending = kept == kRefused;
        EXPECT_EQ(Append(), kept != kRefused);
        EXPECT_EQ(ReadBytes(Path()), kept == kRefused ? bytes : FileWith(kept + 1));
        EXPECT_EQ(target.headerBlockPending, kept == kRefused);
        EXPECT_EQ(Entries(dir.Path()), 1);
    }
}

// The copy made for a longer count takes a name that cannot be planted
// beforehand and that is short even beside a file of the longest name.
TEST_F(RecordFile, TheCopyForALongerCountTakesAnUnguessableShortName) {
    for (const std::string& name : {std::string("rec.xml"), std::string(251, 'r') + ".xml"}) {
        SCOPED_TRACE(name.size());
        TempDir d;
        d.Write(name, FileWith(79));
        const std::string planted = fs::path(TimestampedName((d / name).string(), kTime)).filename();
        const bool plantable = planted.size() < 256;
        if (plantable) d.Write(planted, "someone else's");
        target = RecordTarget{(d / name).string(), d.Path(), false};
        ASSERT_TRUE(Append());
        EXPECT_EQ(d.Read(name), FileWith(80));
        EXPECT_EQ(d.Read(planted), plantable ? "someone else's" : "");
        EXPECT_EQ(Entries(d.Path()), plantable ? 2 : 1);
    }
}

// A disk that has room for a part of the append only: the file size limit
// stops the write there. The old file must stay whole, the record must not
// count, and once there is room the next append works.
TEST_F(RecordFile, AnAppendThatCannotFinishLeavesTheOldFileWhole) {
    target.headerBlockPending = false;
    struct Case { int rows; std::size_t room; };  // room: bytes short of the new file
    const Case cases[] = {
        {79, 1},            // the count gains a digit: the copy cannot be finished
        {5, 1},             // in place: the rows fit, the foot does not
        {5, kFoot.size()},  // in place: the rows fit exactly
    };
    for (const Case c : cases) {
        SCOPED_TRACE(c.rows);
        const std::string old = FileWith(c.rows);
        dir.Write("rec.xml", old);
        {
            FileSizeLimit limit(FileWith(c.rows + 1).size() - c.room);
            ASSERT_TRUE(limit.Ok());
            EXPECT_FALSE(Append());
        }
        EXPECT_EQ(ReadBytes(Path()), old);
        EXPECT_EQ(Entries(dir.Path()), 1);
        ASSERT_TRUE(Append());
        EXPECT_EQ(ReadBytes(Path()), FileWith(c.rows + 1));
    }
}

}  // namespace
}  // namespace tagwright::test
