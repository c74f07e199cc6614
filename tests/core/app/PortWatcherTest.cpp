// Reopening on its own: a lost port comes back with the same settings when
// its device is there again; a port the operator closed stays closed.

#include <gtest/gtest.h>

#include "AppRig.h"
#include "core/app/PortWatcher.h"

namespace tagwright::test {
namespace {

TEST_F(AppRig, LostPortIsReopenedWhenItsDeviceComesBack) {
    const std::string link = (dir.Path() / "reader").string();
    ASSERT_TRUE(sim.CreateLink(link));
    station.settings.port = SettingsFor(link, 9600);
    bool there = true;
    PortWatcher watcher([&](const std::string& name) {
        EXPECT_EQ(name, link);
        return there;
    });
    // A port the operator closed stays closed, though its device is there.
    EXPECT_EQ(watcher.Check(station), PortCondition::Closed);
    ASSERT_TRUE(station.reader.port.OpenPort(station.settings.port).opened);
    EXPECT_EQ(watcher.Check(station), PortCondition::Open);

    sim.HangUp();
    ASSERT_TRUE(WaitUntil([&] { return station.reader.port.PortLost(); }));
    there = false;
    EXPECT_EQ(watcher.Check(station), PortCondition::Lost);

    // The Reader restarts under the same name.
    sim::VirtualReader again;
    ASSERT_TRUE(again.Start());
    ASSERT_TRUE(again.CreateLink(link));
    there = true;
    EXPECT_EQ(watcher.Check(station), PortCondition::Reopened);
    EXPECT_TRUE(station.reader.port.portOpen && !station.reader.port.PortLost());
    EXPECT_EQ(station.reader.port.SendCommand("RUID\r"), 0);
    EXPECT_TRUE(again.WaitForCommands(1, std::chrono::seconds(10)));

    // Closed and opened again by the operator: plainly open, not "reopened".
    station.reader.port.ClosePort();
    EXPECT_EQ(watcher.Check(station), PortCondition::Closed);
    ASSERT_TRUE(station.reader.port.OpenPort(station.settings.port).opened);
    EXPECT_EQ(watcher.Check(station), PortCondition::Open);
    station.reader.port.ClosePort();
}

}  // namespace
}  // namespace tagwright::test
