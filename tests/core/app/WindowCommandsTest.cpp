#include <gtest/gtest.h>

#include "core/config/SetStore.h"
#include "core/app/WindowCommands.h"
#include "AppRig.h"

namespace tagwright::test {
namespace {

class MainWindowTest : public ::testing::Test, protected PlainStation {
protected:
    // A counter set whose pages hold "0" (pages 1, 2) and "A"; all editable but page 3.
    ParameterSet SampleSet() {
        ParameterSet set;
        set.useDecimalCounter = true;
        for (std::size_t k = 0; k < kImageBytes; ++k) set.hex[k] = k < 16 ? "30" : "41";
        DeriveAsciiTexts(set);
        set.editPage.fill(true);
        set.editPage[2] = false;
        set.carrierId = "42";
        return set;
    }
};

TEST_F(MainWindowTest, ModeSwitchFollowsTheSetsFlagsAndKeepsItsTexts) {
    station.currentSet = SampleSet();
    station.currentSet.useDecimalCounter = false;
    station.currentSet.useCsvFile = true;
    station.settings.carrierIdMax = "99";
    ChooseMode(station, true);
    EXPECT_TRUE(station.image.selected[1] == 1 && station.image.selected[2] == 0);  // pages 1-2
    EXPECT_FALSE(station.window.Control(MainControl::NextField).enabled);
    EXPECT_EQ(station.settings.carrierIdMax, "");
    ChooseMode(station, false);
    EXPECT_EQ(station.image.FieldText(4), "41 41 41 41 41 41 41 41");
    EXPECT_TRUE(station.window.Control(PageField(3)).enabled);
}

TEST_F(MainWindowTest, ClearingOnePageClearsTheAllFlagButNotItsImage) {
    station.image.selectAll = 1;
    SelectAllClicked(station);
    station.image.selected[4] = 0;  // the click cleared page 5's box
    SelectPageClicked(station, 5);
    EXPECT_EQ(station.image.selectAll, 0);
    EXPECT_EQ(station.window.Focus(), PageField(5));
    EXPECT_FALSE(station.window.Control(SelectBox(5)).imageOn);
    EXPECT_TRUE(station.window.Control(MainControl::SelectAll).imageOn);
}

// Written at every end: the window tests; here the failure that is told.
TEST_F(MainWindowTest, ShutdownTellsWhyTheSettingsWereNotWritten) {
    station.setDirectory = dir.Path() / "missing";
    EXPECT_FALSE(ShutDown(station));
    EXPECT_EQ(view.messages.Shown().at(0).caption, "Error");
}

}  // namespace
}  // namespace tagwright::test
