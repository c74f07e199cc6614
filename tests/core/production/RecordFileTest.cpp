#include <gtest/gtest.h>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "production/RecordFile.h"
#include "station/Station.h"
#include "support/FakeClock.h"
#include "support/RecordingMainView.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFoot = "  </Table>\r\n </Worksheet>\r\n</Workbook>\r\n";
constexpr std::string_view kEmptyRow = "   <Row>\r\n   </Row>\r\n";

// The hand-written file: the first record of the fixture's set and image.
const std::string& Golden() {
    static const std::string bytes =
        ReadBytes(fs::path(TW_PRODUCTION_TEST_DATA) / "first_record.xml");
    return bytes;
}
std::string GoldenHead(std::int64_t count) {
    std::string head = Golden().substr(0, Golden().find("   <Row>\r\n"));
    const std::string from = "ExpandedRowCount=\"21\"";
    const std::string to = "ExpandedRowCount=\"" + std::to_string(count) + "\"";
    return head.replace(head.find(from), from.size(), to);
}
std::string GoldenRow() {
    const std::size_t start = Golden().rfind("   <Row>\r\n");
    return Golden().substr(start, Golden().size() - kFoot.size() - start);
}
std::string GoldenBlock() {
    const std::size_t start = Golden().find("   <Row>\r\n");
    return Golden().substr(start, Golden().rfind("   <Row>\r\n") - start);
}
// A record file of the fixture's set: the block, then `rows` copies of the row.
std::string FileWith(int rows) {
    std::string s = GoldenHead(20 + rows) + GoldenBlock();
    for (int i = 0; i < rows; ++i) s += GoldenRow();
    return s + std::string(kFoot);
}

struct Sheet {
    bool wellFormed = false;
    std::string count;  // ss:ExpandedRowCount
    std::vector<std::vector<std::string>> rows;  // the Data texts
};

Sheet Parse(const std::string& bytes) {
    Sheet sheet;
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "record.xml",
                                  nullptr, options);
    if (doc == nullptr) return sheet;
    sheet.wellFormed = true;
    auto named = [](xmlNodePtr n, const char* name) {
        return n->type == XML_ELEMENT_NODE && xmlStrcmp(n->name, BAD_CAST name) == 0;
    };
    auto text = [](xmlNodePtr n) {
        xmlChar* c = xmlNodeGetContent(n);
        std::string s = c ? reinterpret_cast<const char*>(c) : "";
        xmlFree(c);
        return s;
    };
    for (xmlNodePtr ws = xmlDocGetRootElement(doc)->children; ws; ws = ws->next) {
        if (!named(ws, "Worksheet")) continue;
        for (xmlNodePtr table = ws->children; table; table = table->next) {
            if (!named(table, "Table")) continue;
            xmlChar* count = xmlGetProp(table, BAD_CAST "ExpandedRowCount");
            sheet.count = count ? reinterpret_cast<const char*>(count) : "";
            xmlFree(count);
            for (xmlNodePtr row = table->children; row; row = row->next) {
                if (!named(row, "Row")) continue;
                sheet.rows.emplace_back();
                for (xmlNodePtr cell = row->children; cell; cell = cell->next) {
                    if (named(cell, "Cell")) sheet.rows.back().push_back(text(cell));
                }
            }
        }
    }
    xmlFreeDoc(doc);
    return sheet;
}

// Every file the record writer leaves: well-formed, CR LF only, and (unless
// the test built a count without rows) a count that matches the rows.
Sheet ExpectSound(const fs::path& path, bool countMatches = true) {
    const std::string bytes = ReadBytes(path);
    Sheet sheet = Parse(bytes);
    EXPECT_TRUE(sheet.wellFormed) << path;
    for (std::size_t i = bytes.find('\n'); i != std::string::npos; i = bytes.find('\n', i + 1)) {
        EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at " << i;
    }
    EXPECT_TRUE(bytes.ends_with(kFoot));
    if (countMatches) {
        EXPECT_EQ(sheet.count, std::to_string(sheet.rows.size()));
    }
    return sheet;
}

ino_t Inode(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

std::vector<std::string> Files(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class RecordFile : public ::testing::Test {
protected:
    RecordFile() {
        set.operatorBadgeId = "OP-0815";
        set.partNumber = "PN 4711-02";
        set.workOrderNumber = "WO 2026/117";
        set.quantity = "250";
        set.useDecimalCounter = true;
        set.carrierIdOffset = "0";
        set.carrierIdLength = "8";
        set.lockCarrierId = true;
        set.typeNorvik = true;
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

TEST_F(RecordFile, FirstAndSecondRecordsGiveTheHandWrittenBytes) {
    target.headerBlockPending = false;  // a new file has its block all the same
    ASSERT_TRUE(Append());
    EXPECT_EQ(ReadBytes(Path()), Golden());
    EXPECT_FALSE(target.headerBlockPending);
    EXPECT_EQ(ReadRowCount(Path()), 21);

    ASSERT_TRUE(Append());
    EXPECT_EQ(ReadBytes(Path()), FileWith(2));
    ExpectSound(Path());
    EXPECT_EQ(Files(dir.Path()), std::vector<std::string>{"rec.xml"});
}

TEST_F(RecordFile, CountInPlaceWhileItsDigitsFitOtherwiseTheFileIsReplaced) {
    struct Case { int rows; bool pending; bool replaced; };
    for (const Case c : {Case{95, false, false}, Case{99, false, true}, Case{9, true, true},
                         Case{998, false, false}}) {
        SCOPED_TRACE(c.rows);
        std::string rows;
        for (int i = 0; i < c.rows; ++i) rows += kEmptyRow;
        dir.Write("rec.xml", GoldenHead(c.rows) + rows + std::string(kFoot));
        const ino_t before = Inode(Path());
        target.headerBlockPending = c.pending;
        ASSERT_TRUE(Append());
        const int added = c.pending ? 21 : 1;
        EXPECT_EQ(ReadBytes(Path()), GoldenHead(c.rows + added) + rows +
                                         (c.pending ? GoldenBlock() : "") + GoldenRow() +
                                         std::string(kFoot));
        EXPECT_EQ(Inode(Path()) != before, c.replaced);
        EXPECT_EQ(Files(dir.Path()), std::vector<std::string>{"rec.xml"});  // no copy left
        ExpectSound(Path());
    }
}

TEST_F(RecordFile, AFullFileMovesTheRecordToTheNextNameWithABlock) {
    struct Case { std::int64_t count; bool pending; bool moves; };
    for (const Case c : {Case{65520, true, true}, Case{65513, true, true}, Case{65512, true, false},
                         Case{65536, false, true}, Case{65535, false, false},
                         Case{65520, false, false}}) {
        SCOPED_TRACE(testing::Message() << c.count << " pending " << c.pending);
        TempDir d;
        const std::string full = GoldenHead(c.count) + std::string(kFoot);
        d.Write("rec.xml", full);
        target = RecordTarget{(d / "rec.xml").string(), d.Path(), c.pending};
        ASSERT_TRUE(Append());
        EXPECT_FALSE(target.headerBlockPending);
        if (c.moves) {
            EXPECT_EQ(d.Read("rec.xml"), full);
            EXPECT_EQ(target.logFileName, (d / "rec_1.xml").string());
            EXPECT_EQ(d.Read("rec_1.xml"), Golden());
        } else {
            EXPECT_EQ(target.logFileName, (d / "rec.xml").string());
            EXPECT_EQ(ReadRowCount(Path()), c.count + (c.pending ? 21 : 1));
            ExpectSound(Path(), false);
        }
    }
}

TEST_F(RecordFile, FullFilesAreSkippedInTurnAndAnUnopenableNextFileFails) {
    dir.Write("rec.xml", GoldenHead(65536) + std::string(kFoot));
    dir.Write("rec_1.xml", GoldenHead(65536) + std::string(kFoot));
    ASSERT_TRUE(Append());
    EXPECT_EQ(target.logFileName, (dir / "rec_2.xml").string());
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
        {"/data/rec_1.xml", "/data/rec_2.xml"},
        {"/data/rec_99.xml", "/data/rec_100.xml"},
        {"/data/rec_.xml", "/data/rec_1.xml"},
        {"/data/zb48_record.xml", "/data/zb48_record_1.xml"},
        {"/data/Tagwright.xml", "/data/Tagwright_1.xml"},
        {"/data/rec_1a.xml", "/data/rec_1a_1.xml"},
        {"/data/rec_7.csv", "/data/rec_8.xml"},
        {"/data/my_dir.v2/rec.xml", "/data/my_dir.v2/rec_1.xml"},
        {"/data/my_3.d/rec", "/data/my_3.d/rec_1.xml"},
        {"rec.xml", "rec_1.xml"},
    };
    for (const auto& [in, out] : next) EXPECT_EQ(NextRecordFileName(in), out) << in;

    const LocalTime t{2026, 12, 5, 4, 55, 56};
    EXPECT_EQ(TimestampedName("/data/rec.xml", t), "/data/rec_261205045556.xml");
    EXPECT_EQ(TimestampedName("/data/a.xml.xml", t), "/data/a_261205045556.xml.xml");
    EXPECT_EQ(TimestampedName("/data/x.xml.d/rec", t), "/data/x.xml.d/rec_261205045556");
    EXPECT_EQ(TimestampedName("/data/rec.xml", LocalTime{2026, 13, 5, 4, 55, 56}),
              "/data/rec_JJMMDDHHMMSS.xml");
}

TEST(RecordFileNames, RowCountComesFromTheHeadOnly) {
    TempDir d;
    const std::pair<std::string, std::int64_t> cases[] = {
        {"  <Table ss:ExpandedRowCount=\"21\" x>", 21},
        {"ss:ExpandedRowCount=\"123456\"", 123456},
        {"ss:ExpandedRowCount=\"abc\"", 0},
        {"no count here", 0},
        {std::string(2000, ' ') + "ss:ExpandedRowCount=\"5\"", 0},  // beyond the head
    };
    for (const auto& [bytes, count] : cases) {
        EXPECT_EQ(ReadRowCount(d.Write("f.xml", bytes)), count);
    }
    EXPECT_EQ(ReadRowCount(d / "missing.xml"), 0);
}

TEST_F(RecordFile, TypeDataSourceAndUnwrittenPagesShapeBlockAndRow) {
    struct Case { bool counter, csv, fix; std::vector<std::string> sourceRow; };
    const Case cases[] = {
        {true, true, true, {"Decimal counter:", "true"}},
        {false, true, true, {"csv file:", "/data/ids.csv"}},
        {false, false, true, {"fix data:", "true"}},
        {false, false, false, {}},  // no row at all: 19 block rows
    };
    set.typeNorvik = false;
    set.typeTI = true;
    set.csvFileName = "/data/ids.csv";
    for (int p = 3; p <= 17; ++p) image.selected[p - 1] = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sourceRow.empty() ? "none" : c.sourceRow[0]);
        std::tie(set.useDecimalCounter, set.useCsvFile, set.useFixData) =
            std::tie(c.counter, c.csv, c.fix);
        fs::remove(Path());
        ASSERT_TRUE(Append());
        const Sheet sheet = ExpectSound(Path());
        const std::size_t blockRows = c.sourceRow.empty() ? 19 : 20;
        ASSERT_EQ(sheet.rows.size(), blockRows + 1);
        if (!c.sourceRow.empty()) {
            EXPECT_EQ(sheet.rows[10], c.sourceRow);
        }
        EXPECT_EQ(sheet.rows[blockRows - 4],
                  (std::vector<std::string>{"Transponder type:", "TI Multipage"}));
        std::vector<std::string> row(56, "");
        row[0] = "05/12/26";
        row[1] = "04:45:57";  // no UID with type TI
        row[5] = "30 30 30 30 30 31 32 33";
        row[6] = row[9] = "X";
        row[8] = "41 42 43 44 45 46 47 48";
        EXPECT_EQ(sheet.rows.back(), row);
    }
}

TEST_F(RecordFile, EveryTextIsEscapedSoTheFileStaysReadable) {
    const std::string nasty = "a&b<c>d\"e'f]]>g\r\nh\ti\x01j\xF6";
    // XML cannot carry \x01; the 8-bit byte is read back as its character.
    const std::string read = "a&b<c>d\"e'f]]>g\r\nh\ti?j\xC3\xB6";
    setName = uid = nasty;
    set.operatorBadgeId = set.partNumber = set.workOrderNumber = set.quantity = nasty;
    set.useDecimalCounter = false;
    set.useCsvFile = true;
    set.csvFileName = nasty;
    image.hexText[0] = nasty;
    ASSERT_TRUE(Append());
    const std::string bytes = ReadBytes(Path());
    const std::string escaped = "a&amp;b&lt;c&gt;d&quot;e&apos;f]]&gt;g&#13;&#10;h\ti?j&#246;</Data>";
    EXPECT_NE(bytes.find(escaped), std::string::npos);
    const Sheet sheet = ExpectSound(Path());
    ASSERT_EQ(sheet.rows.size(), 21u);
    for (int r : {3, 5, 6, 7, 8, 10}) EXPECT_EQ(sheet.rows[r].back(), read) << r;
    EXPECT_EQ(sheet.rows[20][3], read);
    EXPECT_EQ(sheet.rows[20][5], read);
}

TEST_F(RecordFile, DamagedOrForeignFilesAreRefusedAndLeftAlone) {
    const std::string golden = Golden();
    const std::string cases[] = {
        "hello\r\n",
        "<?xml version=\"1.0\"?>\r\n<Workbook>\r\n</Workbook>\r\n",
        golden.substr(0, 1500),                        // our head, cut short
        "  </Table>\r\n </Worksheet>\r\n",             // nothing before the foot
        "x" + golden.substr(1) + std::string(1200, 'z'),  // foot too far from the end
        "<Row></Table>\r\n",
    };
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(bytes.substr(0, 20));
        dir.Write("rec.xml", bytes);
        target.headerBlockPending = true;
        EXPECT_FALSE(Append());
        EXPECT_EQ(ReadBytes(Path()), bytes);
        EXPECT_TRUE(target.headerBlockPending);
        EXPECT_EQ(Files(dir.Path()), std::vector<std::string>{"rec.xml"});
    }
    target.logFileName = (dir / "no such dir" / "rec.xml").string();
    EXPECT_FALSE(Append());
}

TEST_F(RecordFile, AnAppendCutShortIsMendedByTheNext) {
    target.headerBlockPending = false;
    const std::string footless = FileWith(2).substr(0, FileWith(2).size() - kFoot.size());
    const std::string row = GoldenRow();
    struct Case { std::string bytes; int rowsKept; };
    const Case cases[] = {
        {footless, 2},
        {footless + row.substr(0, row.size() / 2), 2},                        // torn row
        {footless + row.substr(0, 700) + std::string(3000, '\0'), 2},         // power cut
        {footless + "   " + std::string(kFoot.substr(3)), 2},                 // foot overwritten
        {footless + row, 3},                                                  // count not yet set
        {footless + row + "  </Tab", 3},                                      // foot cut short
        // the rows counted need one digit more, or one less, than the head had
        {GoldenHead(9) + footless.substr(GoldenHead(22).size()) + row, 3},
        {GoldenHead(100) + footless.substr(GoldenHead(22).size()) + row.substr(0, 99), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        dir.Write("rec.xml", c.bytes);
        ASSERT_TRUE(Append());
        EXPECT_EQ(ReadBytes(Path()), FileWith(c.rowsKept + 1));
        ExpectSound(Path());
        EXPECT_EQ(Files(dir.Path()), std::vector<std::string>{"rec.xml"});
    }
}

TEST_F(RecordFile, ACountThatCannotBeSetLeavesTheRowsForTheNextAppend) {
    std::string rows;
    for (int i = 0; i < 99; ++i) rows += kEmptyRow;
    dir.Write("rec.xml", GoldenHead(99) + rows + std::string(kFoot));
    target.headerBlockPending = false;
    // The copy's name is taken: the count (two digits to three) cannot be set.
    dir.Write("rec_261205044557.xml", "someone else's");
    EXPECT_FALSE(Append());
    EXPECT_EQ(dir.Read("rec_261205044557.xml"), "someone else's");
    fs::remove(dir / "rec_261205044557.xml");
    ASSERT_TRUE(Append());
    EXPECT_EQ(ReadBytes(Path()),
              GoldenHead(101) + rows + GoldenRow() + GoldenRow() + std::string(kFoot));
}

TEST(RecordFileStation, StationRecordsItsStateIntoTheDefaultFile) {
    RecordingMainView view;
    FakeClock clock(LocalTime{2026, 12, 5, 4, 45, 57});
    Station station(view, clock);
    TempDir d;
    station.setDirectory = d.Path();
    station.settings.currentSetName = "Wafer <A&B>";
    station.uidText = "1A2B3C4D";
    station.currentSet.typeNorvik = true;
    station.currentSet.useFixData = true;
    station.image.selected[0] = 1;
    station.image.fieldText[0] = "x";
    station.image.hexText[0] = "30 30 30 30 30 31 32 33";
    ASSERT_TRUE(AppendRecord(station));
    EXPECT_EQ(station.currentSet.logFileName, (d / "Tagwright.xml").string());
    EXPECT_FALSE(station.headerBlockPending);
    const Sheet sheet = ExpectSound(d / "Tagwright.xml");
    ASSERT_EQ(sheet.rows.size(), 21u);
    EXPECT_EQ(sheet.rows[3][1], "Wafer <A&B>");
    EXPECT_EQ(sheet.rows[20][0], "05/12/26");
    EXPECT_EQ(sheet.rows[20][3], "1A2B3C4D");
    EXPECT_EQ(sheet.rows[20][5], "30 30 30 30 30 31 32 33");
}

}  // namespace
}  // namespace tagwright::test
