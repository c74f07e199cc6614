#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ReaderTestSupport.h"
#include "reader/InterfaceSettings.h"
#include "reader/PosixSerialBackend.h"
#include "reader/Terminal.h"
#include "station/Station.h"
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
    }
    const PortSettings outOfRange{"p", 1, 8, 5, 7, -1};
    EXPECT_EQ(TextsFromSettings(outOfRange), (InterfaceTexts{"p", "1", "8", "None", "1", "No"}));

    // One text offered to all three word boxes: near misses give 0.
    for (const char* text : {"even", "Even ", "1,5", "2.0", "Xon/Xoff", "hardware", ""}) {
        EXPECT_EQ(CodesOf(SettingsFromTexts({"", "", "", text, text, text})), (Codes{0, 0, 0}))
            << text;
    }

    // Numbers are read as atol reads them; the port is taken as typed.
    const PortSettings s = SettingsFromTexts({"/tmp/reader link", "9600abc", " 7", "", "", ""});
    EXPECT_EQ(s.portName + "|" + std::to_string(s.baudRate) + "|" + std::to_string(s.dataBits),
              "/tmp/reader link|9600|7");
    EXPECT_EQ(SettingsFromTexts({"", "fast", "", "", "", ""}).baudRate, 0);
}

TEST(InterfaceTextsTest, ATextSelectsTheFirstEntryBeginningWithIt) {
    const std::vector<std::string> ports{"ttyS0", "ttyS1", "ttyS10", "ttyUSB0"};
    EXPECT_EQ(ChoiceIndexFor(ports, "ttyS1"), 1);
    EXPECT_EQ(ChoiceIndexFor(ports, "ttyU"), 3);
    EXPECT_EQ(ChoiceIndexFor(ports, "ttys1"), -1);  // names are case-sensitive
    EXPECT_EQ(ChoiceIndexFor(ports, "/dev/ttyS1"), -1);
    EXPECT_EQ(ChoiceIndexFor({}, "ttyS1"), -1);
}

// The real port, recording what it was configured with, with a close that
// can be made to fail.
struct PortRecord {
    std::vector<PortSettings> configured;
    int closeError = 0;
};

class RecordingBackend final : public SerialBackend {
public:
    explicit RecordingBackend(std::shared_ptr<PortRecord> r) : r_(std::move(r)) {}
    int Open(const std::string& name) override { return inner_.Open(name); }
    std::string Configure(const PortSettings& s) override {
        r_->configured.push_back(s);
        return inner_.Configure(s);
    }
    void Purge() override { inner_.Purge(); }
    int Close() override { return r_->closeError != 0 ? r_->closeError : inner_.Close(); }
    bool IsOpen() const override { return inner_.IsOpen(); }
    PortEvent Wait(bool watchPort) override { return inner_.Wait(watchPort); }
    ReadResult Read(char* b, std::size_t n) override { return inner_.Read(b, n); }
    void Wake() override { inner_.Wake(); }
    int Write(std::string_view bytes) override { return inner_.Write(bytes); }

private:
    PosixSerialBackend inner_;
    std::shared_ptr<PortRecord> r_;
};

class InterfaceSequenceTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        view.Attach(station);
        station.settings.port = SettingsFor(sim.SlavePath(), 9600);
        ASSERT_TRUE(station.port.OpenWithReport(station.settings.port, view));
        record->configured.clear();
    }

    // Runs the command with a dialog that records what it was shown and the
    // state around it, and ends as told.
    void Run(std::optional<InterfaceTexts> answer) {
        InterfaceSettingsCommand(station, [this, answer](const InterfaceTexts& texts) {
            ++dialogRuns;
            shownTexts = texts;
            openDuringDialog = station.port.portOpen || station.port.ReceiverRunning();
            timersDuringDialog = {view.timerStops.size(), view.timerStarts.size()};
            return answer;
        });
        // Every run ends with the three timers stopped, then restarted.
        EXPECT_EQ(view.timerStops,
                  (std::vector<TimerId>{TimerId::Idle, TimerId::Cycle, TimerId::Messages}));
        using Start = std::pair<TimerId, int>;
        std::vector<Start> starts;
        for (const auto& t : view.timerStarts) starts.emplace_back(t.id, t.periodMs);
        EXPECT_EQ(starts, (std::vector<Start>{{TimerId::Idle, 100}, {TimerId::Cycle, 10},
                                              {TimerId::Messages, 500}}));
        view.timerStops.clear();
        view.timerStarts.clear();
    }

    void ExpectReaderAnswers() {
        station.port.DiscardLines();
        ASSERT_EQ(station.port.SendCommand("RUID\r"), 0);
        const auto line = station.port.WaitLine(std::chrono::seconds(10));
        ASSERT_TRUE(line.has_value());
        EXPECT_EQ(line->text, "1A2B3C4D\r\n");
    }

    RecordingMainView view;
    FakeClock clock;
    std::shared_ptr<PortRecord> record = std::make_shared<PortRecord>();
    Station station{view, clock, std::make_unique<RecordingBackend>(record)};
    int dialogRuns = 0;
    InterfaceTexts shownTexts;
    bool openDuringDialog = true;
    std::pair<std::size_t, std::size_t> timersDuringDialog;
};

TEST_F(InterfaceSequenceTest, CancelReopensThePortUnchangedAndAFailedCloseShowsNoDialog) {
    ConnectTrafficReceiver(station);
    Run(std::nullopt);
    ASSERT_EQ(dialogRuns, 1);
    EXPECT_EQ(shownTexts, (InterfaceTexts{sim.SlavePath(), "9600", "8", "None", "1", "No"}));
    EXPECT_FALSE(openDuringDialog);
    EXPECT_EQ(timersDuringDialog, std::make_pair(std::size_t{3}, std::size_t{0}));
    ASSERT_EQ(record->configured.size(), 1U);
    EXPECT_EQ(record->configured[0].baudRate, 9600);
    EXPECT_TRUE(station.port.portOpen && view.messages.Shown().empty());
    using K = ViewEvent::Kind;
    EXPECT_EQ(view.Kinds(), (std::vector<K>{K::Take, K::Take, K::Show}));
    sim.SendUnsolicited("hello\r");
    EXPECT_TRUE(WaitUntil([&] { return station.traffic.Text() == "hello\r\n"; }));
    ExpectReaderAnswers();

    // A port that will not close: the message, no dialog, the port left as it is.
    record->closeError = EIO;
    Run(std::nullopt);
    record->closeError = 0;
    EXPECT_EQ(dialogRuns, 1);
    ASSERT_EQ(view.messages.Shown().size(), 1U);
    const MessageRequest& m = view.messages.Shown()[0];
    EXPECT_EQ(m.text + "|" + m.caption, "Can't close COM Port.|Error");
    EXPECT_EQ(m.icon, MsgIcon::Error);
    EXPECT_TRUE(station.port.portOpen);
    EXPECT_EQ(record->configured.size(), 1U);  // not reopened
    EXPECT_EQ(view.events.back().kind, ViewEvent::Kind::Show);
}

TEST_F(InterfaceSequenceTest, OkReopensWithTheTextsAndAPortThatWillNotOpenCanBeChosenAgain) {
    InterfaceTexts chosen = TextsFromSettings(station.settings.port);
    chosen.port = "/nonexistent/reader";
    Run(chosen);
    EXPECT_FALSE(station.port.portOpen);
    EXPECT_EQ(station.settings.port.portName, "/nonexistent/reader");
    EXPECT_EQ(view.messages.Texts(),
              std::vector<std::string>{"/nonexistent/reader konnte nicht ge\xF6" "ffnet werden!"});

    // With nothing open the close succeeds at once and the dialog comes up.
    // A pseudo-terminal is always 8 bits without parity; those stay.
    view.messages.Clear();
    Run(InterfaceTexts{sim.SlavePath(), "19200", "8", "None", "2", "Xon / Xoff"});
    EXPECT_EQ(dialogRuns, 2);
    EXPECT_EQ(shownTexts.port, "/nonexistent/reader");
    EXPECT_TRUE(station.port.portOpen && view.messages.Shown().empty());
    ASSERT_EQ(record->configured.size(), 1U);
    for (const PortSettings& s : {station.settings.port, record->configured[0]}) {
        EXPECT_EQ(s.baudRate, 19200);
        EXPECT_EQ(CodesOf(s), (Codes{0, 2, 1}));
    }
    ExpectReaderAnswers();
}

}  // namespace
}  // namespace tagwright::test
