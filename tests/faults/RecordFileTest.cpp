// The record file shared by stations, damaged by hand or by a full disk:
// no row whose append reported success is ever lost, and a foreign file is
// never written into.

#include <cstdio>
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <string>

#include "Processes.h"
#include "StationRig.h"
#include "support/FileSizeLimit.h"

namespace tagwright::test {
namespace {

namespace fs = std::filesystem;

bool WellFormed(const std::string& bytes) {
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "r.xml", nullptr,
                                  options);
    xmlFreeDoc(doc);
    return doc != nullptr;
}

// Page 1's HEX text for a three-digit carrier ID, as its row shows it.
std::string Page1Of(int id) {
    std::string hex;
    for (char digit : std::to_string(id)) hex += "3" + std::string(1, digit) + " ";
    return hex + "46 46 46 46 46";
}

TEST(RecordFileFaults, TwoStationsAppendingToOneRecordFileLoseNoRow) {
    constexpr int kEach = 400;
    TempDir shared;
    const fs::path record = shared / "record.xml";
    // Station 0 programs IDs 100.., station 1 IDs 500.., each on its own Reader.
    const bool ran = RunStations(2, [&](int child) {
        StationRig rig;
        ParameterSet set = CounterSet(rig.dir.Path());
        set.carrierId = std::to_string(100 + 400 * child);
        set.logFileName = record.string();
        rig.Start(set);
        for (int i = 0; i < kEach; ++i) {
            rig.PressOne();
            for (const std::string& told : rig.Told()) std::fprintf(stderr, "%s\n", told.c_str());
            if (!rig.Told().empty()) return false;
        }
        return rig.Counter() == std::to_string(100 + 400 * child + kEach);
    });
    ASSERT_TRUE(ran);
    const std::string bytes = ReadBytes(record);
    EXPECT_TRUE(WellFormed(bytes));
    int missing = 0;
    for (int child = 0; child < 2; ++child) {
        for (int i = 0; i < kEach; ++i) missing += Occurrences(bytes, Page1Of(100 + 400 * child + i)) == 1 ? 0 : 1;
    }
    EXPECT_EQ(missing, 0);
    // The first row of each station brings its parameter block.
    EXPECT_EQ(ReadRowCount(record), 2 * (kEach + 20));
}

TEST(RecordFileFaults, AForeignXmlFileWithATableEndIsNeverAppendedInto) {
    StationRig rig;
    const std::string foreign =
        "<?xml version=\"1.0\"?>\r\n<Workbook>\r\n <Worksheet>\r\n  <Table>\r\n"
        "   <Row><Cell><Data>kept</Data></Cell></Row>\r\n  </Table>\r\n"
        "  <Notes>everything after the table end</Notes>\r\n </Worksheet>\r\n</Workbook>\r\n";
    rig.dir.Write("record.xml", foreign);
    rig.Start(CounterSet(rig.dir.Path()));
    rig.PressOne();
    EXPECT_EQ(rig.Record(), foreign);
    // Programmed, so counted; but the operator hears that its row is missing.
    EXPECT_EQ(rig.Counter(), "8");
    EXPECT_EQ(rig.Told(), std::vector<std::string>{kRecordFileMessage});
}

TEST(RecordFileFaults, JunkAfterOurFootWithATableEndOfItsOwnIsNotTakenForTheFoot) {
    StationRig rig;
    rig.Start(CounterSet(rig.dir.Path()));
    rig.PressOne();
    rig.dir.Write("record.xml", rig.Record() + "  </Table>\r\n<junk/>\r\n  </Table>\r\n");
    rig.PressOne();
    EXPECT_EQ(rig.Told(), std::vector<std::string>{});
    const std::string bytes = rig.Record();
    EXPECT_TRUE(WellFormed(bytes));
    EXPECT_EQ(Occurrences(bytes, "<junk/>"), 0u);
    EXPECT_EQ(Occurrences(bytes, Page1Of(7)), 1u);
    EXPECT_EQ(Occurrences(bytes, Page1Of(8)), 1u);
    EXPECT_EQ(rig.Rows(), 22);
}

// 79 rows after the block make a count of 99: the next row needs a longer
// count, so the file is rewritten as a copy, which the full disk stops.
TEST(RecordFileFaults, ARewriteForALongerCountThatCannotFinishKeepsTheFileWhole) {
    StationRig rig;
    ParameterSet set = CounterSet(rig.dir.Path());
    set.writePages3to17 = true;  // long rows: the record file outgrows the journal
    rig.Start(set);
    for (int i = 0; i < 79; ++i) rig.PressOne();
    ASSERT_EQ(rig.Rows(), 99);
    ASSERT_EQ(rig.Told(), std::vector<std::string>{});
    const std::string old = rig.Record();
    // Closed as at a restart, the journal folds its log into its file and
    // stays well below the limit: only the record file meets it.
    rig.station.journal.journal.reset();
    ASSERT_LT(fs::file_size(rig.dir / "Tagwright-journal.sqlite") * 2, old.size());
    {
        FileSizeLimit limit(old.size() + 100);  // room for the rows, not for the copy
        ASSERT_TRUE(limit.Ok());
        rig.PressOne();
    }
    EXPECT_EQ(rig.Record(), old);
    EXPECT_EQ(rig.Told(), std::vector<std::string>{kRecordFileMessage});
    EXPECT_EQ(Occurrences(old, Page1Of(86)), 0u);
    // Room again: the next row goes in, and the file is whole.
    rig.view.messages.Clear();
    rig.PressOne();
    EXPECT_EQ(rig.Told(), std::vector<std::string>{});
    EXPECT_EQ(rig.Rows(), 100);
    EXPECT_TRUE(WellFormed(rig.Record()));
    EXPECT_EQ(Occurrences(rig.Record(), Page1Of(87)), 1u);
}

}  // namespace
}  // namespace tagwright::test
