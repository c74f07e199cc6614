// Hand-edited sets and names: a set that would program cut-off or wrapped
// carrier IDs never runs, and a name is either kept as typed or refused
// with a reason, never changed or lost.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "StationRig.h"
#include "core/app/ConfigHandOver.h"
#include "core/config/ConfigDialogModel.h"
#include "support/FakeConfigView.h"

namespace tagwright::test {
namespace {

namespace fs = std::filesystem;

TEST(SetFaults, HandEditedLayoutsAreRefusedBeforeAnyTraffic) {
    struct Case { const char* scenario; const char* offset; const char* length; };
    const Case cases[] = {
        // Every transponder would get the same "000000": the digits cut off.
        {"OffsetTenWithLengthTenWouldCutTheSignificantDigits", "10", "10"},
        // 10^20 - 1 does not fit 64 bits: the limit saturated and the counter wrapped.
        {"ALengthOfTwentyWouldLetTheCounterWrap", "0", "20"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        StationRig rig;
        ParameterSet set = CounterSet(rig.dir.Path());
        set.carrierIdOffset = c.offset;
        set.carrierIdLength = c.length;
        rig.Start(set);
        for (int press = 0; press < 2; ++press) rig.PressOne();
        ASSERT_EQ(rig.Told().size(), 2u);
        EXPECT_EQ(rig.Told()[0], CarrierIdLayoutRefusal(set));
        EXPECT_NE(rig.Told()[0].find("Carrier ID Length \"" + std::string(c.length) + "\""),
                  std::string::npos);
        EXPECT_TRUE(rig.sim.CommandLog().empty());
        EXPECT_EQ(rig.station.run.lastCycle.result, CycleResult::SetRefused);
        EXPECT_EQ(rig.Counter(), "7");
        EXPECT_EQ(rig.Record(), "");
    }
}

TEST(SetFaults, CarrierIdZeroWithQuantityZeroStillHasALimit) {
    StationRig rig;
    ParameterSet set = CounterSet(rig.dir.Path());
    set.carrierId = "0";
    rig.Start(set, "999");
    // The operator sets quantity 0 in the Config dialog and saves the set.
    FakeConfigView window;
    ConfigDialogModel dialog(window);
    HandOverToConfigDialog(rig.station, dialog);
    dialog.Start();
    dialog.set.quantity = "0";
    window.messages.Answer(MsgAnswer::Yes);  // replace the stored set
    dialog.Save();
    ASSERT_TRUE(dialog.saved);
    ASSERT_TRUE(dialog.Accept());
    TakeOverFromConfigDialog(rig.station, dialog);
    EXPECT_EQ(rig.station.settings.carrierIdMax, "0");

    rig.PressOne();  // carrier ID 0 is the work order's only one
    EXPECT_EQ(rig.Told(), std::vector<std::string>{});
    rig.sim.ClearLog();
    rig.PressOne();
    EXPECT_EQ(rig.Told(), std::vector<std::string>{kMaximumReachedMessage});
    EXPECT_TRUE(rig.sim.CommandLog().empty());
    EXPECT_EQ(rig.Counter(), "1");
    EXPECT_EQ(rig.Rows(), 21);
}

TEST(SetFaults, SetNamesOf239To251BytesAreSavedAndStartedWith) {
    for (std::size_t size : {239u, 245u, 251u}) {
        SCOPED_TRACE(size);
        StationRig rig;
        rig.setName = std::string(size, 'n');
        ParameterSet set = CounterSet(rig.dir.Path());
        set.carrierId = "123";
        rig.Start(set);
        EXPECT_EQ(rig.station.currentSet.carrierId, "123");
        rig.PressOne();
        EXPECT_EQ(rig.Told(), std::vector<std::string>{});
        EXPECT_EQ(rig.Counter(), "124");
        // The counter went into the set file under its long name.
        EXPECT_NE(rig.dir.Read(rig.setName + ".ini").find("Carrier ID=124"), std::string::npos);
    }
    // One byte more does not fit a file name: a clear refusal, nothing written.
    TempDir dir;
    NameList names;
    RecordingMessageView view;
    EXPECT_EQ(SaveSet(dir.Path(), std::string(252, 'n'), ParameterSet{}, names, view),
              SaveSetResult::Failed);
    ASSERT_EQ(view.messages.Texts().size(), 1u);
    EXPECT_NE(view.messages.Texts()[0].find("251"), std::string::npos) << view.messages.Texts()[0];
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(SetFaults, NamesBeyondLatin1OrWithALineBreakAreRefusedNotChanged) {
    struct Case { const char* scenario; std::string name; bool fitsFile; };
    const Case cases[] = {
        // The window found characters no byte of the file's encoding holds.
        {"BeyondLatin1", "Wafer ?", false},
        {"LineFeed", "Wafer\nA", true},
        {"CarriageReturn", "Wafer\rA", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        StationRig rig;
        rig.Start(CounterSet(rig.dir.Path()));
        const std::string settings = rig.dir.Read("Tagwright.ini");
        FakeConfigView window;
        ConfigDialogModel dialog(window);
        HandOverToConfigDialog(rig.station, dialog);
        dialog.Start();
        dialog.nameText = c.name;
        dialog.nameFitsFile = c.fitsFile;
        dialog.Save();
        EXPECT_FALSE(dialog.saved);
        EXPECT_EQ(window.messages.Texts().size(), 1u);
        EXPECT_EQ(dialog.ListedNames(), std::vector<std::string>{kSetName});
        EXPECT_FALSE(fs::exists(rig.dir / (c.name + ".ini")));
        EXPECT_EQ(rig.dir.Read("Tagwright.ini"), settings);
    }
}

TEST(SetFaults, RemovingANameKeepsTheNamesAfterAGapInAHandEditedList) {
    StationRig rig;
    rig.dir.Write("Tagwright.ini",
                  "[Auto]\r\nSelectConfig=1\r\nPruefablauf_ist=Line\r\nPruefablaeufe=4\r\n"
                  "Pruefablauf_0=Line\r\nPruefablauf_1=A\r\nPruefablauf_3=C\r\n");
    StartUp(rig.station);
    FakeConfigView window;
    ConfigDialogModel dialog(window);
    HandOverToConfigDialog(rig.station, dialog);
    dialog.nameText = "A";
    dialog.Delete();
    // The gap stays a gap; the name after it stays listed.
    EXPECT_EQ(dialog.ListedNames(), (std::vector<std::string>{"Line", "", "C"}));
    TakeOverFromConfigDialog(rig.station, dialog);
    ASSERT_TRUE(ShutDown(rig.station));
    const std::string saved = rig.dir.Read("Tagwright.ini");
    EXPECT_NE(saved.find("=C\r\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("=A\r\n"), std::string::npos) << saved;
}

}  // namespace
}  // namespace tagwright::test
