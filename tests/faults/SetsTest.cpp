// Sets and names through the Config dialog's model: quantity 0 still has a
// limit, and a name is either kept as typed or refused with a reason, never
// changed or lost. (Hand-edited layouts: the station scenarios (tests/e2e/StationScenarios.cpp).)

#include <gtest/gtest.h>

#include <string>

#include "StationRig.h"

namespace tagwright::test {
namespace {

TEST(SetFaults, CarrierIdZeroWithQuantityZeroStillHasALimit) {
    StationRig rig;
    ParameterSet set = CounterSet(rig.dir.Path());
    set.carrierId = "0";
    rig.Start(set);
    // The operator sets quantity 0 in the Config dialog and saves the set.
    FakeConfigView window;
    ConfigDialogModel dialog(window);
    HandOverToConfigDialog(rig.station, dialog);
    dialog.Start();
    dialog.set.quantity = "0";
    window.messages.Answer(MsgAnswer::Yes);  // replace the stored set
    dialog.Save();
    ASSERT_TRUE(dialog.Accept());
    TakeOverFromConfigDialog(rig.station, dialog);
    rig.PressOne();  // carrier ID 0 is the work order's only one
    EXPECT_EQ(rig.Told(), Texts{});
    rig.sim.ClearLog();
    rig.PressOne();
    EXPECT_EQ(rig.Told(), Texts{kMaximumReachedMessage});
    EXPECT_TRUE(rig.sim.CommandLog().empty());
    EXPECT_EQ(rig.Counter(), "1");
    EXPECT_EQ(rig.Rows(), 21);
}

TEST(SetFaults, TheLongestSetNameIsSavedAndStartedWith) {
    StationRig rig;
    rig.setName = std::string(kMaxSetNameBytes, 'n');
    ParameterSet set = CounterSet(rig.dir.Path());
    set.carrierId = "123";
    rig.Start(set);
    rig.PressOne();
    EXPECT_EQ(rig.Told(), Texts{});
    // The counter went into the set file under its long name.
    EXPECT_NE(rig.dir.Read(rig.setName + ".ini").find("Carrier ID=124"), std::string::npos);
}

TEST(SetFaults, NamesBeyondLatin1OrWithALineBreakAreRefusedNotChanged) {
    // "Wafer ?" is what the window made of characters the file cannot hold.
    for (const auto& [name, fitsFile] : {std::pair{"Wafer ?", false}, {"Wafer\nA", true}}) {
        SCOPED_TRACE(name);
        StationRig rig;
        rig.Start(CounterSet(rig.dir.Path()));
        const std::string settings = rig.dir.Read("Tagwright.ini");
        FakeConfigView window;
        ConfigDialogModel dialog(window);
        HandOverToConfigDialog(rig.station, dialog);
        dialog.Start();
        dialog.nameText = name;
        dialog.nameFitsFile = fitsFile;
        dialog.Save();
        EXPECT_FALSE(dialog.saved);
        EXPECT_EQ(window.messages.Texts().size(), 1u);
        EXPECT_EQ(dialog.ListedNames(), Texts{kSetName});
        EXPECT_FALSE(fs::exists(rig.dir / (std::string(name) + ".ini")));
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
    EXPECT_EQ(dialog.ListedNames(), (Texts{"Line", "", "C"}));
    TakeOverFromConfigDialog(rig.station, dialog);
    ASSERT_TRUE(ShutDown(rig.station));
    const std::string saved = rig.dir.Read("Tagwright.ini");
    EXPECT_NE(saved.find("=C\r\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("=A\r\n"), std::string::npos) << saved;
}

}  // namespace
}  // namespace tagwright::test
