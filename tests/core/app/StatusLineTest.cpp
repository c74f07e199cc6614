// The status line's words: how a cycle is judged from its report, and what
// the line says for the port, the set and the count.

#include <gtest/gtest.h>

#include "AppRig.h"
#include "core/app/ProgrammingCycle.h"
#include "core/app/StatusLine.h"
#include "core/production/CarrierIdSource.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

// Results the window's scenarios do not reach cheaply; each judged from the
// cycle's report alone.
TEST(StatusLineTest, CycleJudgedByItsReport) {
    struct Case {
        CycleResult result;
        CycleStage reached;
        bool portLost;
        bool good;
        const char* phrase;
    };
    const Case cases[] = {
        {CycleResult::RecordFileError, CycleStage::Programmed, false, true,
         "programmed, but the record file was not written"},
        {CycleResult::JournalError, CycleStage::Programmed, false, false,
         "programmed, but the production journal cannot be written"},
        {CycleResult::CounterNotSaved, CycleStage::Start, false, false,
         "stopped: the counter cannot be saved in the set file"},
        {CycleResult::VerifyFailed, CycleStage::Writing, false, false,
         "failed: the pages were not written"},
        {CycleResult::NoCarrierId, CycleStage::Start, false, false,
         "stopped: no carrier ID left (maximum reached)"},
        {CycleResult::PortNotOpen, CycleStage::Start, true, false, "not run: the port is lost"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.phrase);
        CycleReport report;
        report.result = c.result;
        report.reached = c.reached;
        const CycleOutcome outcome = JudgeCycle(report, c.portLost);
        EXPECT_TRUE(outcome.ran);
        EXPECT_EQ(outcome.programmed, c.reached == CycleStage::Programmed);
        EXPECT_EQ(outcome.good, c.good);
        EXPECT_EQ(outcome.pagesHandled, c.reached != CycleStage::Start);
        EXPECT_EQ(outcome.phrase, c.phrase);
    }
}

TEST(StatusLineTest, ProgressFromTheLoggedCommand) {
    const std::pair<const char*, const char*> cases[] = {
        {"WD 7 0011223344556677// Write page 7\r\n", "writing page 7 of 17"},
        {"LD 17 // Lock page 17\r\n", "locking page 17 of 17"},
        {"RD 3 // Read page 3\r\n", "reading page 3 of 17"},
        {"RUID // Read UID\r\n", "reading the UID"},
        {"0011223344556677\r\n", ""},
        {"WD 99 00// Write page 99\r\n", ""},
    };
    for (const auto& [line, progress] : cases) EXPECT_EQ(CycleProgress(line), progress) << line;
}

using StatusLineStationTest = AppRig;

// The port, set, result and record file as the window shows them around its
// cycles are the window's tests; here what it says before anything is
// chosen, and a count that keeps other work orders apart.
TEST_F(StatusLineStationTest, DescribesPortSetCountAndResult) {
    station.status.tally.Count("WO-7");
    station.status.tally.Count("WO-6");
    station.currentSet.workOrderNumber = "WO-7";
    station.currentSet.quantity = "100";
    const StatusLineText text = DescribeStatus(station, "open");
    EXPECT_EQ(text.port + "|" + text.set + "|" + text.result + "|" + text.recordFile,
              "Reader: no port chosen|no set||");
    EXPECT_EQ(text.count, "2 programmed this session, 1 of 100 in WO-7");
    EXPECT_EQ(std::filesystem::path(RecordFilePath(station)).filename(), "Tagwright.xml");
}

TEST_F(StatusLineStationTest, AListSourceCountsTheEntriesLeft) {
    station.settings.currentSetName = "Line";
    station.currentSet.useCsvFile = true;
    const struct {
        const char* bytes;
        const char* set;
    } kCases[] = {
        {"Carrier ID;done;\r\nA1;X;\r\nA2;\r\nA3;;note\r\n", "Set Line (list, 2 left)"},
        // Lone LFs count like CR LF; empty lines are skipped.
        {"Carrier ID;done;\nA1;\n\nA2;\n", "Set Line (list, 2 left)"},
        {"Carrier ID;done;\r\nA1;X;\r\n", "Set Line (list, 0 left)"},
        {"A1;\r\nA2;\r\n", "Set Line (list, 0 left)"},  // no header: nothing to take
    };
    for (const auto& c : kCases) {
        station.currentSet.csvFileName = dir.Write("ids.csv", c.bytes).string();
        EXPECT_EQ(DescribeStatus(station, "open").set, c.set) << c.bytes;
    }
    station.currentSet.csvFileName = (dir.Path() / "missing.csv").string();
    EXPECT_EQ(DescribeStatus(station, "open").set, "Set Line (list, cannot be read)");
}

}  // namespace
}  // namespace tagwright::test
