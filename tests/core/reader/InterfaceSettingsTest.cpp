// Interface > Settings: the texts and their codes both ways, which list entry
// a text selects, and the close-dialog-reopen sequence against a virtual
// Reader.

#include <gtest/gtest.h>

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

// --- the mapping -----------------------------------------------------------

TEST(InterfaceTextsTest, CodesAreShownAsTheDialogsWords) {
    struct Case {
        std::int32_t parity, stopBits, flow;
        const char *parityText, *stopText, *flowText;
    };
    const Case cases[] = {
        {0, 0, 0, "None", "1", "No"},       {1, 1, 1, "Odd", "1.5", "Xon / Xoff"},
        {2, 2, 2, "Even", "2", "Hardware"}, {3, 0, 0, "Mark", "1", "No"},
        {4, 0, 0, "Space", "1", "No"},      {7, 5, -1, "None", "1", "No"},
    };
    for (const Case& c : cases) {
        PortSettings s;
        s.portName = "ttyUSB0";
        s.baudRate = 9600;
        s.dataBits = 7;
        s.parityCode = c.parity;
        s.stopBitsCode = c.stopBits;
        s.flowControlCode = c.flow;
        const InterfaceTexts t = TextsFromSettings(s);
        EXPECT_EQ(t.port, "ttyUSB0");
        EXPECT_EQ(t.baudRate, "9600");
        EXPECT_EQ(t.dataBits, "7");
        EXPECT_EQ(t.parity, c.parityText) << c.parity;
        EXPECT_EQ(t.stopBits, c.stopText) << c.stopBits;
        EXPECT_EQ(t.flowControl, c.flowText) << c.flow;
    }
}

TEST(InterfaceTextsTest, TextsAreTakenExactlyAndNumbersAsAtolReadsThem) {
    struct Case {
        const char* text;
        std::int32_t parity, stopBits, flow;
    };
    // One text offered to all three word boxes; only exact matches count.
    const Case cases[] = {
        {"Even", 2, 0, 0},   {"even", 0, 0, 0},    {"Mark", 3, 0, 0},   {"Odd", 1, 0, 0},
        {"Space", 4, 0, 0},  {"Even ", 0, 0, 0},   {"1.5", 0, 1, 0},    {"1,5", 0, 0, 0},
        {"2", 0, 2, 0},      {"2.0", 0, 0, 0},     {"Xon / Xoff", 0, 0, 1},
        {"Xon/Xoff", 0, 0, 0}, {"Hardware", 0, 0, 2}, {"hardware", 0, 0, 0}, {"", 0, 0, 0},
    };
    for (const Case& c : cases) {
        InterfaceTexts t;
        t.parity = t.stopBits = t.flowControl = c.text;
        const PortSettings s = SettingsFromTexts(t);
        EXPECT_EQ(s.parityCode, c.parity) << '"' << c.text << '"';
        EXPECT_EQ(s.stopBitsCode, c.stopBits) << '"' << c.text << '"';
        EXPECT_EQ(s.flowControlCode, c.flow) << '"' << c.text << '"';
    }

    InterfaceTexts t;
    t.port = "/tmp/reader link";
    t.baudRate = "9600abc";
    t.dataBits = " 7";
    EXPECT_EQ(SettingsFromTexts(t).portName, "/tmp/reader link");
    EXPECT_EQ(SettingsFromTexts(t).baudRate, 9600);
    EXPECT_EQ(SettingsFromTexts(t).dataBits, 7);
    t.baudRate = "fast";
    t.dataBits = "";
    EXPECT_EQ(SettingsFromTexts(t).baudRate, 0);
    EXPECT_EQ(SettingsFromTexts(t).dataBits, 0);
}

TEST(InterfaceTextsTest, ATextSelectsTheFirstEntryBeginningWithIt) {
    const std::vector<std::string> ports{"ttyS0", "ttyS1", "ttyS10", "ttyUSB0"};
    EXPECT_EQ(ChoiceIndexFor(ports, "ttyS1"), 1);
    EXPECT_EQ(ChoiceIndexFor(ports, "ttyU"), 3);
    EXPECT_EQ(ChoiceIndexFor(ports, "ttys1"), -1);  // names are case-sensitive
    EXPECT_EQ(ChoiceIndexFor(ports, "/dev/ttyS1"), -1);
    EXPECT_EQ(ChoiceIndexFor({}, "ttyS1"), -1);
    const std::vector<std::string> bauds(kBaudRateChoices.begin(), kBaudRateChoices.end());
    EXPECT_EQ(ChoiceIndexFor(bauds, "9600"), 6);
    EXPECT_EQ(ChoiceIndexFor(bauds, "12"), 3);  // "1200" comes before "128000"
    EXPECT_EQ(ChoiceIndexFor(bauds, "31250"), -1);
}

// --- the sequence ----------------------------------------------------------

// The real port, with a record of what it was configured with and a close
// that can be made to fail.
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

class InterfaceSequenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
        view.Attach(station);
        station.settings.port = SettingsFor(sim.SlavePath(), 9600);
        ASSERT_TRUE(station.port.OpenWithReport(station.settings.port, view));
        record->configured.clear();
    }

    // A dialog that records what it was shown and the state around it, and
    // ends as told.
    InterfaceDialogRunner Dialog(std::optional<InterfaceTexts> answer) {
        return [this, answer](const InterfaceTexts& texts) {
            ++dialogRuns;
            shownTexts = texts;
            portOpenDuringDialog = station.port.portOpen;
            receiverDuringDialog = station.port.ReceiverRunning();
            stopsBeforeDialog = view.timerStops.size();
            startsBeforeDialog = view.timerStarts.size();
            return answer;
        };
    }

    void ExpectTimersStoppedThenRestarted() {
        EXPECT_EQ(view.timerStops,
                  (std::vector<TimerId>{TimerId::Idle, TimerId::Cycle, TimerId::Messages}));
        std::vector<std::pair<TimerId, int>> starts;
        for (const auto& t : view.timerStarts) starts.emplace_back(t.id, t.periodMs);
        const std::vector<std::pair<TimerId, int>> expected{
            {TimerId::Idle, 100}, {TimerId::Cycle, 10}, {TimerId::Messages, 500}};
        EXPECT_EQ(starts, expected);
    }

    // The Reader answers over the port as it stands.
    void ExpectReaderAnswers() {
        station.port.DiscardLines();
        ASSERT_EQ(station.port.SendCommand("RUID\r"), 0);
        const auto line = station.port.WaitLine(std::chrono::seconds(10));
        ASSERT_TRUE(line.has_value());
        EXPECT_EQ(line->text, "1A2B3C4D\r\n");
    }

    sim::VirtualReader sim;  // outlives the station's port
    RecordingMainView view;
    FakeClock clock;
    std::shared_ptr<PortRecord> record = std::make_shared<PortRecord>();
    Station station{view, clock, std::make_unique<RecordingBackend>(record)};

    int dialogRuns = 0;
    InterfaceTexts shownTexts;
    bool portOpenDuringDialog = true;
    bool receiverDuringDialog = true;
    std::size_t stopsBeforeDialog = 0;
    std::size_t startsBeforeDialog = 0;
};

TEST_F(InterfaceSequenceTest, CancelReopensThePortUnchanged) {
    ConnectTrafficReceiver(station);
    const PortSettings before = station.settings.port;
    InterfaceSettingsCommand(station, Dialog(std::nullopt));

    ASSERT_EQ(dialogRuns, 1);
    const InterfaceTexts expected{sim.SlavePath(), "9600", "8", "None", "1", "No"};
    EXPECT_EQ(shownTexts, expected);
    EXPECT_FALSE(portOpenDuringDialog);
    EXPECT_FALSE(receiverDuringDialog);
    EXPECT_EQ(stopsBeforeDialog, 3U);
    EXPECT_EQ(startsBeforeDialog, 0U);
    ExpectTimersStoppedThenRestarted();

    EXPECT_TRUE(station.port.portOpen);
    ASSERT_EQ(record->configured.size(), 1U);
    EXPECT_EQ(record->configured[0].baudRate, before.baudRate);
    EXPECT_EQ(station.settings.port.portName, before.portName);
    EXPECT_TRUE(view.messages.Shown().empty());
    using K = ViewEvent::Kind;
    EXPECT_EQ(view.Kinds(), (std::vector<K>{K::Take, K::Take, K::Show}));
    // The terminal's receiver is still connected to the reopened port.
    sim.SendUnsolicited("hello\r");
    EXPECT_TRUE(WaitUntil([&] { return station.traffic.Text() == "hello\r\n"; }));
    ExpectReaderAnswers();
}

TEST_F(InterfaceSequenceTest, OkTakesTheTextsAndReopensWithThem) {
    // A pseudo-terminal is always 8 bits without parity; those stay.
    InterfaceTexts chosen{sim.SlavePath(), "19200", "8", "None", "2", "Xon / Xoff"};
    InterfaceSettingsCommand(station, Dialog(chosen));

    EXPECT_TRUE(view.messages.Shown().empty());
    EXPECT_TRUE(station.port.portOpen);
    EXPECT_EQ(station.settings.port.baudRate, 19200);
    EXPECT_EQ(station.settings.port.stopBitsCode, 2);
    EXPECT_EQ(station.settings.port.flowControlCode, 1);
    ASSERT_EQ(record->configured.size(), 1U);
    EXPECT_EQ(record->configured[0].baudRate, 19200);
    EXPECT_EQ(record->configured[0].stopBitsCode, 2);
    EXPECT_EQ(record->configured[0].flowControlCode, 1);
    ExpectTimersStoppedThenRestarted();
}

TEST_F(InterfaceSequenceTest, APortThatWillNotCloseShowsTheMessageAndNoDialog) {
    record->closeError = EIO;
    InterfaceSettingsCommand(station, Dialog(std::nullopt));
    record->closeError = 0;

    EXPECT_EQ(dialogRuns, 0);
    ASSERT_EQ(view.messages.Shown().size(), 1U);
    EXPECT_EQ(view.messages.Shown()[0].text, "Can't close COM Port.");
    EXPECT_EQ(view.messages.Shown()[0].caption, "Error");
    EXPECT_EQ(view.messages.Shown()[0].icon, MsgIcon::Error);
    EXPECT_TRUE(station.port.portOpen);
    EXPECT_TRUE(record->configured.empty());  // not reopened
    ExpectTimersStoppedThenRestarted();
    EXPECT_EQ(view.events.back().kind, ViewEvent::Kind::Show);
}

TEST_F(InterfaceSequenceTest, APortThatCannotBeOpenedIsReportedAndCanBeChosenAgain) {
    InterfaceTexts chosen = TextsFromSettings(station.settings.port);
    chosen.port = "/nonexistent/reader";
    InterfaceSettingsCommand(station, Dialog(chosen));

    EXPECT_FALSE(station.port.portOpen);
    EXPECT_EQ(station.settings.port.portName, "/nonexistent/reader");
    ASSERT_EQ(view.messages.Shown().size(), 1U);
    EXPECT_EQ(view.messages.Shown()[0].text,
              "/nonexistent/reader konnte nicht ge\xF6"
              "ffnet werden!");
    ExpectTimersStoppedThenRestarted();

    // With nothing open the close succeeds at once and the dialog comes up.
    view.messages.Clear();
    chosen.port = sim.SlavePath();
    InterfaceSettingsCommand(station, Dialog(chosen));
    EXPECT_EQ(dialogRuns, 2);
    EXPECT_EQ(shownTexts.port, "/nonexistent/reader");
    EXPECT_TRUE(station.port.portOpen);
    EXPECT_TRUE(view.messages.Shown().empty());
    ExpectReaderAnswers();
}

}  // namespace
}  // namespace tagwright::test
