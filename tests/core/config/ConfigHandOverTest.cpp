#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "config/ConfigHandOver.h"
#include "config/SetStore.h"
#include "support/FakeClock.h"
#include "support/RecordingMainView.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

// A dialog window that takes and shows nothing and answers no file dialog.
class QuietConfigView : public ConfigDialogView {
public:
    void TakeFieldValues() override {}
    void ShowFieldValues() override {}
    void UpdateControl(ConfigControl) override {}
    void RebuildNameChoices() override {}
    void SetFocus(ConfigControl, bool) override {}
    std::optional<std::string> AskFileName(const FileDialogRequest&) override {
        return std::nullopt;
    }
    bool RunPages317(Pages317Data&) override { return false; }
    MsgAnswer ShowMessage(const MessageRequest& r) override { return messages.Show(r); }
    ScriptedMessages messages;
};

class ConfigHandOverTest : public ::testing::Test {
protected:
    ConfigHandOverTest() {
        view.Attach(station);
        station.setDirectory = dir.Path();
        station.settings.currentSetName = "Line 1";
        station.settings.names.Add("Line 1");
        station.settings.names.Add("Line 2");
        station.settings.carrierIdMax = "555";
        station.currentCarrierId = "000123";
        station.nextFieldText = "000123";
        station.currentSet.useCsvFile = true;
        station.currentSet.csvFileName = "/ids/line1.csv";
        station.currentSet.logEnabled = true;
        station.currentSet.logFileName = "/rec/line1.xml";
        station.currentSet.partNumber = "old";
        station.image.format = PageFormat::Ascii;
        station.headerBlockPending = false;
        station.configSaved = true;
        for (int p = 1; p <= kPageCount; ++p) station.image.FieldText(p) = "typed";
    }

    TempDir dir;
    RecordingMainView view;
    FakeClock clock;
    Station station{view, clock};
    QuietConfigView dialogView;
    ConfigDialogModel dialog{dialogView};
};

TEST_F(ConfigHandOverTest, IntoTheDialogGoTheNameListSourcesCarrierIdAndFormat) {
    HandOverToConfigDialog(station, dialog);
    EXPECT_EQ(view.Kinds().front(), ViewEvent::Kind::Take);
    EXPECT_EQ(dialog.nameText, "Line 1");
    EXPECT_EQ(dialog.ListedNames(), (std::vector<std::string>{"Line 1", "Line 2"}));
    EXPECT_TRUE(dialog.set.useCsvFile && dialog.set.logEnabled);
    EXPECT_EQ(dialog.set.csvFileName + dialog.set.logFileName, "/ids/line1.csv/rec/line1.xml");
    EXPECT_EQ(dialog.set.carrierId, "000123");
    EXPECT_EQ(dialog.set.hexAsciiMode, 1);
    EXPECT_EQ(dialog.set.partNumber, "");  // the rest comes from the set file
    EXPECT_EQ(dialog.setDirectory, dir.Path());
    EXPECT_FALSE(dialog.saved || station.configSaved);
}

// The whole command: hand over, load, change, Save, OK, take over.
TEST_F(ConfigHandOverTest, SavedSetComesBackAndTheStationRunsAutomaticallyWithIt) {
    HandOverToConfigDialog(station, dialog);
    dialog.Start();
    dialog.set.quantity = "100";
    dialog.set.carrierIdOffset = "0";
    dialog.set.carrierIdLength = "6";
    dialog.set.editPage[2] = true;
    dialog.set.editPage[5] = true;
    dialog.set.writePages3to17 = true;
    dialog.set.hex[16] = "41";
    dialog.set.ascii[16] = "A";
    dialog.nameText = "Line 3";
    dialog.Save();
    ASSERT_TRUE(dialog.Accept());
    view.ClearRecord();

    TakeOverFromConfigDialog(station, dialog);

    EXPECT_EQ(station.settings.currentSetName, "Line 3");
    EXPECT_EQ(station.settings.names.count, 3);
    EXPECT_TRUE(station.configSaved);
    EXPECT_TRUE(station.configSavePressed);
    EXPECT_EQ(station.currentSet, dialog.set);
    EXPECT_EQ(station.currentCarrierId, "000123");
    EXPECT_EQ(station.nextFieldText, "000123");
    EXPECT_EQ(station.settings.carrierIdMax, "222");

    EXPECT_TRUE(station.AutomaticMode());
    EXPECT_TRUE(station.Control(MainControl::ConfigButton).imageOn);
    EXPECT_TRUE(station.Control(MainControl::One).enabled);
    EXPECT_TRUE(station.headerBlockPending);
    EXPECT_EQ(station.Control(MainControl::StatusField).foreground, colour::White);
    EXPECT_EQ(station.Control(MainControl::StatusField).background, colour::Black);

    // ASCII format: page texts from the ASCII byte texts; all pages selected.
    EXPECT_EQ(station.image.format, PageFormat::Ascii);
    EXPECT_TRUE(station.Control(MainControl::AsciiButton).imageOn);
    EXPECT_EQ(station.image.FieldText(1), "0 0 0 1 2 3 NUL NUL");
    EXPECT_EQ(station.image.FieldText(3), "A NUL NUL NUL NUL NUL NUL NUL");
    EXPECT_EQ(station.image.selectAll, 1);
    for (int p = 1; p <= kPageCount; ++p) {
        EXPECT_EQ(station.image.selected[static_cast<std::size_t>(p - 1)], 1);
        EXPECT_TRUE(station.Control(SelectBox(p)).imageOn);
    }
    std::array<bool, kPageCount> focus{};
    focus[2] = true;  // the first page marked Edit, once
    EXPECT_EQ(station.focusRequest, focus);
    // The new values were shown before the mode switch took the fields back.
    EXPECT_EQ(view.Kinds().front(), ViewEvent::Kind::Show);
    EXPECT_EQ(view.shownPages.front()[0], "0 0 0 1 2 3 NUL NUL");
}

TEST_F(ConfigHandOverTest, UnsavedSetLeavesMaxAndSelectsOnlyPages1And2InHex) {
    HandOverToConfigDialog(station, dialog);
    dialog.Start();
    dialog.set.hexAsciiMode = 0;
    dialog.set.quantity = "100";
    dialog.set.editPage[0] = true;
    dialog.set.carrierIdOffset = "0";
    dialog.set.carrierIdLength = "3";
    dialog.Fill();
    dialog.nameText = "typed, never saved";
    ASSERT_TRUE(dialog.Accept());

    TakeOverFromConfigDialog(station, dialog);
    EXPECT_EQ(station.settings.currentSetName, "typed, never saved");
    EXPECT_EQ(station.settings.names.count, 2);
    EXPECT_EQ(station.settings.carrierIdMax, "555");
    EXPECT_EQ(station.image.format, PageFormat::Hex);
    EXPECT_FALSE(station.Control(MainControl::AsciiButton).imageOn);
    EXPECT_EQ(station.image.FieldText(1), "30 30 30 00 00 00 00 00");
    EXPECT_EQ(station.image.selected, (std::array<int, kPageCount>{1, 1}));
    EXPECT_EQ(station.image.selectAll, 0);
    EXPECT_TRUE(station.focusRequest[0]);
}

}  // namespace
}  // namespace tagwright::test
