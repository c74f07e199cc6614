// The record file and the carrier ID list shared by stations, the record
// file damaged by hand or by a full disk: no row whose append reported
// success is ever lost, and a foreign file is never written into.

#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <string>

#include "StationRig.h"
#include "support/FileSizeLimit.h"

namespace tagwright::test {
namespace {

bool WellFormed(const std::string& bytes) {
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "r.xml", nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    xmlFreeDoc(doc);
    return doc != nullptr;
}

// Page 1's HEX text for a carrier ID of up to eight digits at byte 0.
std::string Page1Of(const std::string& digits) {
    std::string hex;
    for (std::size_t k = 0; k < 8; ++k) {
        hex += k < digits.size() ? "3" + digits.substr(k, 1) + " " : "46 ";
    }
    return hex.substr(0, hex.size() - 1);
}

// Two stations on one host take their carrier IDs from one list and append
// their rows to one record file, each on its own Reader, until the list is
// used up: no entry is programmed twice, no row is lost.
TEST(SharedFileFaults, TwoStationsSharingOneListAndOneRecordFileLoseNothing) {
    constexpr int kEntries = 800;
    TempDir shared;
    std::string text = "Carrier ID;done;\r\n";
    for (int id = 1001; id <= 1000 + kEntries; ++id) text += std::to_string(id) + ";\r\n";
    const fs::path list = shared.Write("ids.csv", text), record = shared / "record.xml";
    ASSERT_TRUE(RunStations(2, [&](int) {
        StationRig rig;
        ParameterSet set = ListSet(rig.dir.Path(), list);
        set.logFileName = record.string();
        rig.Start(set);
        for (int i = 0; i <= kEntries && rig.Told().empty(); ++i) rig.PressOne();
        return rig.Told().size() == 2 && rig.Told().back() == kMaximumReachedMessage;
    }));
    EXPECT_EQ(Occurrences(ReadBytes(list), ";X;"), static_cast<std::size_t>(kEntries));
    const std::string bytes = ReadBytes(record);
    EXPECT_TRUE(WellFormed(bytes));
    int notOnce = 0;
    for (int id = 1001; id <= 1000 + kEntries; ++id) {
        notOnce += Occurrences(bytes, Page1Of(std::to_string(id))) != 1;
    }
    EXPECT_EQ(notOnce, 0);
    // The first row of each station brings its parameter block.
    EXPECT_EQ(ReadRowCount(record), kEntries + 2 * 20);
}

TEST(RecordFileFaults, AForeignOrJunkTailIsNeverTakenForOurFoot) {
    const std::string foreign =
        "<?xml version=\"1.0\"?>\r\n<Workbook>\r\n <Worksheet>\r\n  <Table>\r\n"
        "   <Row><Cell><Data>kept</Data></Cell></Row>\r\n  </Table>\r\n"
        "  <Notes>everything after the table end</Notes>\r\n </Worksheet>\r\n</Workbook>\r\n";
    StationRig rig;
    rig.dir.Write("record.xml", foreign);
    rig.Start(CounterSet(rig.dir.Path()));
    rig.PressOne();
    EXPECT_EQ(rig.Record(), foreign);
    // Programmed, so counted; but the operator hears that its row is missing.
    EXPECT_EQ(rig.Counter(), "8");
    EXPECT_EQ(rig.Told(), Texts{kRecordFileMessage});

    // Junk after our own foot, with a table end of its own.
    rig.view.messages.Clear();
    fs::remove(rig.dir / "record.xml");
    rig.PressOne();
    rig.dir.Write("record.xml", rig.Record() + "  </Table>\r\n<junk/>\r\n  </Table>\r\n");
    rig.PressOne();
    EXPECT_EQ(rig.Told(), Texts{});
    const std::string bytes = rig.Record();
    EXPECT_TRUE(WellFormed(bytes));
    EXPECT_EQ(Occurrences(bytes, "<junk/>"), 0u);
    for (const char* id : {"008", "009"}) EXPECT_EQ(Occurrences(bytes, Page1Of(id)), 1u) << id;
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
    EXPECT_EQ(rig.Told(), Texts{kRecordFileMessage});
    // Room again: the next row goes in, and the file is whole.
    rig.view.messages.Clear();
    rig.PressOne();
    EXPECT_EQ(rig.Told(), Texts{});
    EXPECT_EQ(rig.Rows(), 100);
    EXPECT_TRUE(WellFormed(rig.Record()));
}

}  // namespace
}  // namespace tagwright::test
