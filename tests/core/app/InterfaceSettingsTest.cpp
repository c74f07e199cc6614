#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/ReaderTestSupport.h"
#include "core/app/InterfaceSettings.h"
#include "core/app/Terminal.h"
#include "core/app/Station.h"
#include "support/FakeClock.h"
#include "support/RecordingMainView.h"

namespace tagwright::test {
namespace {

using Codes = std::array<std::int32_t, 3>;  // parity, stop bits, flow control
Codes CodesOf(const PortSettings& s) { return {s.parityCode, s.stopBitsCode, s.flowControlCode}; }

TEST(InterfaceTextsTest, CodesAndWordsMapBothWaysAndOnlyExactWordsCount) {
    struct Case { Codes codes; const char *parity, *stopBits, *flow; };
    const Case cases[] = {
        {{0, 0, 0}, "None", "1", "No"},       {{1, 1, 1}, "Odd", "1.5", "Xon / Xoff"},
        {{2, 2, 2}, "Even", "2", "Hardware"}, {{3, 0, 0}, "Mark", "1", "No"},
        {{4, 0, 0}, "Space", "1", "No"},
    };
    for (const Case& c : cases) {
        // PortSettings holds the stop bits before the parity.
        const PortSettings s{"ttyUSB0", 9600, 7, c.codes[1], c.codes[0], c.codes[2]};
        const InterfaceTexts t = TextsFromSettings(s);
        EXPECT_EQ(t, (InterfaceTexts{"ttyUSB0", "9600", "7", c.parity, c.stopBits, c.flow}));
        EXPECT_EQ(CodesOf(SettingsFromTexts(t)), c.codes) << c.parity;
        EXPECT_EQ(TextsFromSettings(SettingsFromTexts(t)), t);
    }
    const PortSettings outOfRange{"p", 1, 8, 5, 7, -1};
    EXPECT_EQ(TextsFromSettings(outOfRange), (InterfaceTexts{"p", "1", "8", "None", "1", "No"}));

    // One text offered to all three word boxes: near misses give 0.
    for (const char* text : {"even", "Even ", "1,5", "2.0", "Xon/Xoff", "hardware", ""}) {
        EXPECT_EQ(CodesOf(SettingsFromTexts({"", "", "", text, text, text})), (Codes{0, 0, 0}))
            << text;
    }
    EXPECT_EQ(SettingsFromTexts({"", "9600abc", " 7", "", "", ""}).baudRate, 9600);  // as atol
}

TEST(InterfaceTextsTest, ATextSelectsTheFirstEntryBeginningWithIt) {
    const std::vector<std::string> ports{"ttyS0", "ttyS1", "ttyS10", "ttyUSB0"};
    EXPECT_EQ(ChoiceIndexFor(ports, "ttyU"), 3);
    EXPECT_EQ(ChoiceIndexFor(ports, "ttys1"), -1);  // names are case-sensitive
}

class InterfaceSequenceTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        view.Attach(station);
        station.settings.port = SettingsFor(sim.SlavePath(), 9600);
        ASSERT_TRUE(station.reader.port.OpenWithReport(station.settings.port, view));
        record->configured.clear();
    }

    // Runs the command with a dialog that records what it was shown and ends as told.
    void Run(std::optional<InterfaceTexts> answer) {
        InterfaceSettingsCommand(station, [this, answer](const InterfaceTexts& texts) {
            ++dialogRuns;
            shownTexts = texts;
            return answer;
        });
        // Every run ends with the three timers stopped, then restarted.
        EXPECT_EQ(view.timerStops.size() + view.timerStarts.size(), 6U);
        view.timerStops.clear();
        view.timerStarts.clear();
    }

    RecordingMainView view;
    FakeClock clock;
    TestBackend* record = new TestBackend;  // owned by the station
    Station station{view, clock, std::unique_ptr<SerialBackend>(record)};
    int dialogRuns = 0;
    InterfaceTexts shownTexts;
};

// Cancel and OK are the window scenario's; here a port that will not close:
// the message, no dialog, the port left as it is.
TEST_F(InterfaceSequenceTest, AFailedCloseShowsNoDialogAndLeavesThePortAsItIs) {
    record->closeError = EIO;
    Run(std::nullopt);
    record->closeError = 0;
    EXPECT_EQ(dialogRuns, 0);
    ASSERT_EQ(view.messages.Shown().size(), 1U);
    const MessageRequest& m = view.messages.Shown()[0];
    EXPECT_EQ(m.text + "|" + m.caption, "Can't close COM Port.|Error");
    EXPECT_EQ(m.icon, MsgIcon::Error);
    EXPECT_TRUE(station.reader.port.portOpen);
    EXPECT_TRUE(record->configured.empty());  // not reopened
}

}  // namespace
}  // namespace tagwright::test
