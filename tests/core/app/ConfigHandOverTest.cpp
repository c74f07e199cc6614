#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/app/ConfigHandOver.h"
#include "AppRig.h"
#include "support/FakeConfigView.h"

namespace tagwright::test {
namespace {

// A station running set "Line 1" of two, in ASCII, with a list file and a record file.
void LineOneStation(Station& station, const std::filesystem::path& dir) {
    station.setDirectory = dir;
    station.settings.currentSetName = "Line 1";
    station.settings.names.Add("Line 1");
    station.settings.names.Add("Line 2");
    station.settings.carrierIdMax = "555";
    station.carrierId.current = "000123";
    station.currentSet.useCsvFile = true;
    station.currentSet.csvFileName = "/ids/line1.csv";
    station.currentSet.logEnabled = true;
    station.currentSet.logFileName = "/rec/line1.xml";
    station.currentSet.partNumber = "old";
    station.image.format = PageFormat::Ascii;
    station.configSaved = true;
    station.run.headerBlockPending = false;
}

// The whole command: hand over, load, change, OK (unsaved, then saved), take over.
TEST(ConfigHandOver, TheHandedOverSetComesBackAndTheStationRunsAutomaticallyWithIt) {
    PlainStation plain;
    Station& station = plain.station;
    LineOneStation(station, plain.dir.Path());
    FakeConfigView view;
    ConfigDialogModel dialog{view};
    dialog.setDirectory = plain.dir.Path();
    HandOverToConfigDialog(station, dialog);
    EXPECT_EQ(dialog.ListedNames(), (std::vector<std::string>{"Line 1", "Line 2"}));
    EXPECT_EQ(dialog.set.csvFileName + dialog.set.logFileName, "/ids/line1.csv/rec/line1.xml");
    // The carrier ID is the station's; the rest comes from the set file.
    EXPECT_EQ(dialog.set.carrierId + "|" + dialog.set.partNumber, "000123|");
    EXPECT_FALSE(dialog.saved || station.configSaved);

    dialog.Start();
    dialog.set.quantity = "100";
    dialog.set.carrierIdOffset = "0";
    dialog.set.carrierIdLength = "6";
    dialog.set.editPage[2] = dialog.set.editPage[5] = dialog.set.writePages3to17 = true;
    dialog.set.hex[16] = "41";
    dialog.set.ascii[16] = "A";
    dialog.nameText = "Line 3";
    dialog.Fill();
    ASSERT_TRUE(dialog.Accept());
    TakeOverFromConfigDialog(station, dialog);
    // Unsaved: the name is taken but not listed, and the maximum stays.
    EXPECT_EQ(station.settings.currentSetName, "Line 3");
    EXPECT_EQ(std::to_string(station.settings.names.count) + "|" + station.settings.carrierIdMax,
              "2|555");
    EXPECT_FALSE(station.configSaved);

    dialog.Save();
    TakeOverFromConfigDialog(station, dialog);
    EXPECT_EQ(station.settings.names.count, 3);
    EXPECT_TRUE(station.configSaved && station.configSavePressed);
    EXPECT_EQ(station.currentSet, dialog.set);
    EXPECT_EQ(station.settings.carrierIdMax, "222");  // first ID + quantity - 1
    EXPECT_TRUE(station.AutomaticMode() && station.run.headerBlockPending);
    // ASCII format: page texts from the ASCII byte texts; all pages selected.
    EXPECT_EQ(station.image.FieldText(3), "A NUL NUL NUL NUL NUL NUL NUL");
    EXPECT_EQ(std::count(station.image.selected.begin(), station.image.selected.end(), 1),
              kPageCount);
    EXPECT_TRUE(station.image.selectAll && station.window.Control(SelectBox(17)).imageOn);

    // HEX, pages 3-17 not written: only pages 1 and 2 are selected.
    dialog.set.hexAsciiMode = 0;
    dialog.set.writePages3to17 = false;
    TakeOverFromConfigDialog(station, dialog);
    EXPECT_EQ(station.image.FieldText(1), "30 30 30 31 32 33 00 00");
    EXPECT_EQ(station.image.selected, (std::array<int, kPageCount>{1, 1}));
    EXPECT_FALSE(station.image.selectAll || station.window.Control(SelectBox(3)).imageOn);
}

}  // namespace
}  // namespace tagwright::test
