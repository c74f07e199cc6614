// Verified writes, proven locks and retries in the programming cycle, against
// the virtual Reader's faults: what reaches the Reader, what the operator
// sees, and that a transponder is only counted when it really is programmed.

#include <gtest/gtest.h>

#include "core/app/ManualOperations.h"
#include "core/app/WriteChecks.h"
#include "AppRig.h"

namespace tagwright::test {
namespace {

struct FaultCase {
    const char* name;
    void (*arrange)(sim::VirtualReader&);
    Texts commands;
    Texts messages;
    Rgb page1, page2;
    bool programmed;
    std::string failedStep;
    unsigned retriesUsed = 0;
};

// The journal's last row: outcome, failed step (or "-") and retries.
std::string LastJournalRow(Station& station) {
    const JournalRows rows = station.journal.journal->Rows("");
    if (rows.rows.empty()) return rows.message;
    const JournalRow& row = rows.rows.back();
    return row.outcome + " " + (row.failedStep.empty() ? "-" : row.failedStep) + " " +
           std::to_string(row.retries);
}

// The cycle's traffic after its writes up to page 2's proof write: read-back,
// locks, and page 1's lock proven by a refused write and a read.
Texts Checked(Texts head) {
    for (const std::string& c : {std::string("RD 1"), std::string("RD 2"), std::string("TOR"),
                                 std::string("LD 1"), std::string("LD 2"), kWd1,
                                 std::string("RD 1"), kWd2}) {
        head.push_back(c);
    }
    return head;
}

const FaultCase kFaultCases[] = {
    {"LockNotTaken",
     [](sim::VirtualReader& r) { sim::Faults f; f.fakeLock.set(1); r.SetFaults(f); },
     Checked({"TOR", kWd1, kWd2}),
     {"Page 2 is not locked: it still takes a write."},
     colour::Green, colour::Red, false, kLockNotProvenStep},
    {"FailuresOutlastingRetries",
     [](sim::VirtualReader& r) {
         for (std::size_t n : {2, 3, 4}) r.NoAnswerTo(n);
     },
     {"TOR", kWd1, kWd1, kWd1},
     {kWriteFailedText}, colour::Red, colour::White, false, "", 2},
    {"TagRemovedMidCycle",
     [](sim::VirtualReader& r) { sim::Faults f; f.removeAfterPage = 1; r.SetFaults(f); },
     {"TOR", kWd1, kWd2},
     {kWriteFailedText}, colour::Green, colour::Red, false, ""},
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class FaultTest : public CheckedRig, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultTest, CycleCountsOnlyAProvenTransponder) {
    const FaultCase& c = GetParam();
    c.arrange(sim);
    Press();
    EXPECT_EQ(sim.CommandLog(), c.commands);
    EXPECT_EQ(Messages(), c.messages);
    EXPECT_EQ(PageColour(1), c.page1);
    EXPECT_EQ(PageColour(2), c.page2);
    // Programmed or burned, carrier ID 7 is never offered again.
    EXPECT_EQ(station.carrierId.nextText, "8");
    const std::string step = c.failedStep.empty() ? "write" : c.failedStep;
    EXPECT_EQ(LastJournalRow(station),
              (c.programmed ? "programmed -" : "burned " + step) + " " +
                  std::to_string(c.retriesUsed));
    EXPECT_EQ(RecordRows("30 30 37 46 46 46 46 46"), c.programmed ? 1u : 0u);
    // The cycle's report: a refused write, or one the checks found wrong.
    const CycleReport& report = station.run.lastCycle;
    EXPECT_EQ(report.result, c.programmed            ? CycleResult::Programmed
                             : c.failedStep.empty() ? CycleResult::WriteRefused
                                                    : CycleResult::VerifyFailed);
    EXPECT_EQ(report.carrierId, "007");
    EXPECT_EQ(report.retries, static_cast<int>(c.retriesUsed));
    // Every repeat is in the protocol log beside the cycle's own line.
    const std::string log = dir.Read("IntProt_0.txt");
    const bool repeated = std::string(c.name).find("Retries") != std::string::npos;
    EXPECT_EQ(log.find("Retry 1 of 2: WD 1 " + kPage1 + "// Write page 1") != std::string::npos,
              repeated);
    EXPECT_EQ(log.find("Retry 2 of 2: WD 1 ") != std::string::npos,
              std::string(c.name) == "FailuresOutlastingRetries");
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultTest, ::testing::ValuesIn(kFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Without the set's say-so a manual write reads nothing back: the manual
// operations' own test.
TEST_F(CheckedRig, ManualWriteVerifiesWhenTheSetSaysSo) {
    station.settings.selectConfig = 0;
    ApplyMode(station);
    station.image.selected.fill(0);
    station.image.selected[2] = 1;
    station.image.FieldText(3) = "41 42 43 44 45 46 47 48";
    sim::Faults f;
    f.flipWrite.set(2);
    sim.SetFaults(f);
    WritePages(station);
    EXPECT_EQ(sim.CommandLog(), (Texts{"TOR", "WD 3 4142434445464748", "RD 3"}));
    EXPECT_EQ(PageColour(3), colour::Red);
    EXPECT_EQ(Messages(), Texts{VerifyFailureMessage(3, "4142434445464748", "4142434445464749")});
}

TEST(WriteChecks, DigitsCompareInEitherCaseAndMessagesNameWhatCame) {
    EXPECT_TRUE(SameDigits("00aaBB", "00AAbb"));
    EXPECT_FALSE(SameDigits("00AABB", "00AABC"));
    EXPECT_FALSE(SameDigits("00AABB", "00AAB"));
    EXPECT_EQ(VerifyFailureMessage(4, "0011223344556677", "No Read\r\n"),
              "Page 4 was not written as sent.\r\nWritten: 0011223344556677\r\n"
              "Read back: No Read");
    EXPECT_EQ(VerifyFailureMessage(4, "0011223344556677", ""),
              "Page 4 was not written as sent.\r\nWritten: 0011223344556677\r\n"
              "Read back: no reply");
    EXPECT_EQ(LockNotProvenMessage(9, ""),
              "Page 9 could not be proven locked: a write to it got no reply.");
}

}  // namespace
}  // namespace tagwright::test
