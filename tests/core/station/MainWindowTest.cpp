#include <gtest/gtest.h>

#include <string>

#include "config/SetStore.h"
#include "station/MainWindow.h"
#include "support/FakeClock.h"
#include "support/RecordingMainView.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() : cwd(dir.Path()) { view.Attach(station); }

    // A set whose pages 1-17 hold the byte 0x40 + page and are editable but page 3.
    ParameterSet SampleSet() {
        ParameterSet set;
        set.useDecimalCounter = true;
        for (int k = 0; k < kImageBytes; ++k) {
            set.hex[static_cast<std::size_t>(k)] = k < 16 ? "30" : "41";
            set.ascii[static_cast<std::size_t>(k)] = k < 16 ? "0" : "A";
        }
        set.editPage.fill(true);
        set.editPage[2] = false;
        set.carrierId = "42";
        return set;
    }

    TempDir dir;
    CurrentDirectory cwd;
    RecordingMainView view;
    FakeClock clock;
    Station station{view, clock};
};

TEST_F(MainWindowTest, FirstStartIsManualWithEmptyWhiteFieldsAndReportsTheEmptyPort) {
    StartUp(station);

    ASSERT_EQ(view.messages.Shown().size(), 1u);
    EXPECT_EQ(view.messages.Shown()[0].text, " konnte nicht ge\xF6" "ffnet werden!");
    EXPECT_EQ(view.messages.Shown()[0].caption, "Error");
    EXPECT_FALSE(station.port.portOpen);
    EXPECT_FALSE(station.AutomaticMode());
    EXPECT_EQ(station.WindowWidth(), 799);
    for (int p = 1; p <= kPageCount; ++p) {
        EXPECT_TRUE(station.Control(PageField(p)).enabled);
        EXPECT_EQ(station.Control(PageField(p)).background, colour::White);
        EXPECT_EQ(station.image.FieldText(p), "");
    }
    for (MainControl c : {MainControl::One, MainControl::NextField, MainControl::MaxField,
                          MainControl::StatusField, MainControl::ContOn}) {
        EXPECT_FALSE(station.Control(c).visible);
    }
    EXPECT_TRUE(station.Control(MainControl::Read).visible);
    EXPECT_TRUE(station.Control(MainControl::HexButton).imageOn);
    EXPECT_TRUE(station.Control(MainControl::ManualButton).imageOn);
}

TEST_F(MainWindowTest, StartsInAutomaticModeWithTheStoredSetInAsciiForm) {
    dir.Write("Tagwright.ini",
              "[Auto]\r\nSelectConfig=1\r\nPruefablauf_ist=demo\r\nPruefablaeufe=1\r\n"
              "Pruefablauf_0=demo\r\n[Data]\r\nFormat=1\r\n");
    NameList names;
    RecordingMessageView quiet;
    ASSERT_EQ(SaveSet(dir.Path(), "demo", SampleSet(), names, quiet), SaveSetResult::Saved);

    StartUp(station);

    EXPECT_TRUE(station.AutomaticMode());
    EXPECT_EQ(station.currentCarrierId, "42");
    EXPECT_EQ(station.nextFieldText, "42");
    EXPECT_EQ(station.image.FieldText(1), "0 0 0 0 0 0 0 0");
    EXPECT_EQ(station.image.FieldText(5), "A A A A A A A A");
    EXPECT_FALSE(station.Control(PageField(3)).enabled);
    EXPECT_EQ(station.Control(PageField(3)).background, colour::DisabledBackground);
    EXPECT_EQ(station.Control(PageField(3)).foreground, colour::DisabledText);
    EXPECT_TRUE(station.Control(MainControl::NextField).enabled);
    EXPECT_FALSE(station.Control(MainControl::Read).visible);
    EXPECT_EQ(station.Focus(), PageField(17));  // page 17 is editable
}

TEST_F(MainWindowTest, AutomaticModeFollowsTheSetsFlags) {
    station.currentSet = SampleSet();
    station.currentSet.writePages3to17 = false;
    station.currentSet.useDecimalCounter = false;
    station.currentSet.useCsvFile = true;
    station.settings.carrierIdMax = "99";

    ChooseMode(station, true);

    EXPECT_EQ(station.image.selected[0], 1);
    EXPECT_EQ(station.image.selected[1], 1);
    EXPECT_EQ(station.image.selected[2], 0);
    EXPECT_EQ(station.image.selectAll, 0);
    EXPECT_FALSE(station.Control(MainControl::NextField).enabled);
    EXPECT_EQ(station.Control(MainControl::MaxField).background, colour::DisabledBackground);
    EXPECT_EQ(station.settings.carrierIdMax, "");
    EXPECT_TRUE(station.Control(MainControl::ConfigButton).imageOn);

    // Back to manual: the set's page texts stay in the fields.
    ChooseMode(station, false);
    EXPECT_EQ(station.image.FieldText(4), "41 41 41 41 41 41 41 41");
    EXPECT_TRUE(station.Control(PageField(3)).enabled);
    EXPECT_FALSE(station.Control(MainControl::One).visible);
}

TEST_F(MainWindowTest, PageSelectionKeepsTheAllFlagHonest) {
    station.image.selectAll = 1;
    SelectAllClicked(station);
    EXPECT_EQ(station.image.selected[4], 1);
    EXPECT_TRUE(station.Control(SelectBox(5)).imageOn);

    station.image.selected[4] = 0;  // the click cleared page 5's box
    SelectPageClicked(station, 5);
    EXPECT_EQ(station.image.selectAll, 0);
    EXPECT_EQ(station.Focus(), PageField(5));
    EXPECT_FALSE(station.Control(SelectBox(5)).imageOn);
    EXPECT_TRUE(station.Control(MainControl::SelectAll).imageOn);  // its image is left

    station.image.selectAll = 0;
    station.SetBackground(PageField(2), colour::Red);
    SelectAllClicked(station);
    EXPECT_EQ(station.image.selected[0], 0);
    EXPECT_EQ(station.Focus(), PageField(17));
    for (int p = 1; p <= kPageCount; ++p) {
        EXPECT_EQ(station.Control(PageField(p)).background, colour::White);
    }
}

TEST_F(MainWindowTest, OkMovesTheFocusToOneAndShutdownWritesTheSettings) {
    OkCommand(station);
    EXPECT_EQ(station.Focus(), MainControl::One);

    station.setDirectory = dir.Path();
    station.settings.selectConfig = 2;
    station.image.FieldText(1) = "41 42";
    EXPECT_TRUE(ShutDown(station));
    const std::string file = dir.Read("Tagwright.ini");
    EXPECT_NE(file.find("SelectConfig=0\r\n"), std::string::npos);
    EXPECT_NE(file.find("P1=41 42\r\n"), std::string::npos);
}

TEST_F(MainWindowTest, ShutdownTellsTheOperatorWhenTheSettingsCannotBeWritten) {
    station.setDirectory = dir.Path() / "missing";
    EXPECT_FALSE(ShutDown(station));
    ASSERT_EQ(view.messages.Shown().size(), 1u);
    EXPECT_EQ(view.messages.Shown()[0].caption, "Error");
}

}  // namespace
}  // namespace tagwright::test
