// The terminal pane: free commands, the receiver's lines on top of the
// traffic while no operation is busy, Clear and Show.

#include <atomic>
#include <string>

#include "StationFixture.h"
#include "reader/Terminal.h"

namespace tagwright::test {
namespace {

using Kind = ViewEvent::Kind;

class TerminalTest : public StationFixture {
protected:
    void SetUp() override {
        StationFixture::SetUp();
        ConnectTrafficReceiver(station, [this] { ++changes; });
    }
    // The callback counts into this fixture, which goes before the station.
    void TearDown() override { station.port.ClosePort(); }

    std::atomic<int> changes{0};
};

TEST_F(TerminalTest, EnterSendsTheCommandAndAnswersArriveNewestFirst) {
    Open();
    view.onTake = [this] { station.commandText = "RUID"; };
    TerminalEnter(station);
    const ViewEvent& focus = view.events.front();
    EXPECT_TRUE(focus.kind == Kind::Focus && focus.selectAll);
    EXPECT_EQ(focus.control, MainControl::TerminalCommand);
    ASSERT_TRUE(WaitUntil([&] { return station.traffic.Text() == "1A2B3C4D\r\n"; }));
    EXPECT_EQ(station.commandText, "RUID");  // kept for the next Enter

    view.onTake = [this] { station.commandText = "TOR"; };
    TerminalSend(station);
    ASSERT_TRUE(WaitUntil([&] { return station.traffic.Text() == "10\r\n1A2B3C4D\r\n"; }));
    EXPECT_EQ(sim.ReceivedBytes(), "RUID\rTOR\r");  // the command itself is not logged
    EXPECT_GE(changes.load(), 2);
}

TEST_F(TerminalTest, ABusyOperationKeepsTheReceiverOffTheTraffic) {
    Open();
    station.traffic.Set("mine\r\n");
    station.port.readBusy = true;
    sim.SendUnsolicited("late\r");
    ASSERT_TRUE(WaitUntil([&] { return station.port.PendingLines() == 1; }));
    EXPECT_EQ(station.traffic.Text(), "mine\r\n");
    EXPECT_EQ(changes.load(), 0);
    station.port.readBusy = false;

    DisconnectTrafficReceiver(station);
    sim.SendUnsolicited("unheard\r");
    ASSERT_TRUE(WaitUntil([&] { return station.port.PendingLines() == 2; }));
    EXPECT_EQ(station.traffic.Text(), "mine\r\n");
}

TEST_F(TerminalTest, ClosedPortSendClearAndShow) {
    station.commandText = "RUID";
    station.traffic.Set("a\r\nb\r\n");
    TerminalSend(station);
    TerminalClear(station);
    EXPECT_EQ(sim.ReceivedBytes(), "");
    EXPECT_EQ(station.traffic.Text(), "");
    EXPECT_EQ(view.Kinds(), (std::vector<Kind>{Kind::Take, Kind::Show, Kind::Take, Kind::Show}));

    TerminalToggleShow(station);
    EXPECT_EQ(station.WindowWidth(), 1120);
    TerminalToggleShow(station);
    EXPECT_FALSE(station.terminalShown);
    EXPECT_EQ(station.WindowWidth(), 799);
}

}  // namespace
}  // namespace tagwright::test
