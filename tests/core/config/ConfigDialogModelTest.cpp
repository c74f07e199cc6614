#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/ConfigDialogModel.h"
#include "config/SetStore.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

using C = ConfigControl;
using Texts = std::vector<std::string>;
const Texts kCheckMessage = {"Carrier ID Offset + Carrier ID Length must be under 16."};

// The dialog's window for tests: what the operator typed is already in the
// model when an entry point runs, so taking the values does nothing; the rest
// is recorded and answered from a script.
class FakeConfigView : public ConfigDialogView {
public:
    void TakeFieldValues() override {}
    void ShowFieldValues() override {}
    void UpdateControl(ConfigControl) override {}
    void RebuildNameChoices() override { ++rebuilds; }
    void SetFocus(ConfigControl control, bool selectAll) override {
        focus.push_back(control);
        lastSelectAll = selectAll;
    }
    void StartLoadTimer(int ms) override { timerStarts.push_back(ms); }
    void StopLoadTimer() override { ++timerStops; }
    std::optional<std::string> AskFileName(const FileDialogRequest& request) override {
        fileRequests.push_back(request);
        return fileAnswer;
    }
    bool RunPages317(Pages317Data& data) override { return pages317(data); }
    MsgAnswer ShowMessage(const MessageRequest& request) override {
        return messages.Show(request);
    }

    int rebuilds = 0;
    std::vector<ConfigControl> focus;
    bool lastSelectAll = false;
    std::vector<int> timerStarts;
    int timerStops = 0;
    std::vector<FileDialogRequest> fileRequests;
    std::optional<std::string> fileAnswer;
    std::function<bool(Pages317Data&)> pages317;
    ScriptedMessages messages;
};

class ConfigDialogModelTest : public ::testing::Test {
protected:
    ConfigDialogModelTest() {
        model.setDirectory = dir.Path();
        // Recognisable bytes everywhere, so that any byte a rule touches shows.
        model.set.hex.fill("11");
        model.set.ascii.fill("\x11");
    }

    void Layout(const std::string& offset, const std::string& length, const std::string& id = "") {
        model.set.carrierIdOffset = offset;
        model.set.carrierIdLength = length;
        model.set.carrierId = id;
    }
    Texts Hex(int first, int last) const {
        return {model.set.hex.begin() + first, model.set.hex.begin() + last + 1};
    }
    Rgb Colour(int byte) const {
        const Rgb hex = model.Control(HexEdit(byte)).background;
        return hex == model.Control(AsciiEdit(byte)).background ? hex : colour::Red;
    }
    bool OkEnabled() const { return model.Control(C::Ok).enabled; }
    Texts Listed() const { return model.ListedNames(); }

    TempDir dir;
    FakeConfigView view;
    ConfigDialogModel model{view};
};

// --- carrier ID layout --------------------------------------------------------

TEST_F(ConfigDialogModelTest, CheckCutsTheLengthAndClampsValuesOutOfRange) {
    struct Case {
        std::string offset, length, wantOffset, wantLength;
        bool message;
    };
    for (const Case& c : {Case{"10", "8", "10", "6", true}, Case{"8", "8", "8", "8", false},
                          Case{"", "", "", "", false}, Case{"-3", "5", "0", "5", true},
                          Case{"4", "-1", "4", "0", true}, Case{"20", "2", "16", "0", true},
                          Case{"2", "40", "2", "14", true}}) {
        SCOPED_TRACE(c.offset + "/" + c.length);
        view.messages.Clear();
        Layout(c.offset, c.length);
        model.CarrierIdEditCompleted(C::CarrierIdLength);  // Enter or leaving the field
        EXPECT_EQ(model.set.carrierIdOffset, c.wantOffset);
        EXPECT_EQ(model.set.carrierIdLength, c.wantLength);
        EXPECT_EQ(view.messages.Texts(), c.message ? kCheckMessage : Texts{});
        EXPECT_FALSE(OkEnabled());
    }
    EXPECT_TRUE(view.focus.empty());  // Enter does not move the focus; Tab cycles
    for (C c : {C::CarrierIdOffset, C::CarrierIdLength, C::CarrierId}) model.CarrierIdEditTabbed(c);
    EXPECT_EQ(view.focus, (std::vector<C>{C::CarrierIdLength, C::CarrierId, C::CarrierIdOffset}));
}

// Texts that never passed the check (a hand-edited set file) must not reach
// beyond byte 15 in any rule.
TEST_F(ConfigDialogModelTest, RulesNeverTouchBytesBeyondPage2WhateverTheTexts) {
    struct Case {
        std::string offset, length;
        std::size_t idBytes;
    };
    for (const Case& c : {Case{"12", "10", 4}, Case{"-4", "8", 8}, Case{"30", "3", 0},
                          Case{"0", "99", 16}}) {
        SCOPED_TRACE(c.offset + "/" + c.length);
        Layout(c.offset, c.length, "XXXXXXXXXXXXXXXXXXXX");
        model.Fill();
        model.ByteEditConfirmed(HexEdit(15));
        model.set.lockCarrierId = false;
        model.Clicked(C::LockCarrierId);
        EXPECT_EQ(Hex(16, 23), Texts(8, "11"));
        EXPECT_EQ(model.set.carrierId, std::string(c.idBytes, 'X'));
    }
}

TEST_F(ConfigDialogModelTest, FillPadsThePlacedIdentifierAndClearsAroundIt) {
    Layout("2", "5", "ABC");
    model.FillPressed();
    EXPECT_EQ(Hex(0, 7), (Texts{"00", "00", "30", "30", "41", "42", "43", "00"}));
    EXPECT_EQ(Texts(model.set.ascii.begin(), model.set.ascii.begin() + 8),
              (Texts{"NUL", "NUL", "0", "0", "A", "B", "C", "NUL"}));
    EXPECT_EQ(Hex(8, 15), Texts(8, "11"));  // the ID ends within page 1
    EXPECT_EQ(model.set.carrierId, "ABC");  // the field keeps the unpadded text
    for (int j = 0; j < 16; ++j) {
        const bool id = j >= 2 && j <= 6;
        EXPECT_EQ(Colour(j), id ? colour::CarrierIdGreen : colour::White) << j;
        EXPECT_EQ(model.set.fixByte[static_cast<std::size_t>(j)], !id) << j;
        EXPECT_EQ(model.Control(FixByteBox(j)).imageOn, !id) << j;
    }
    EXPECT_FALSE(OkEnabled());

    // Reaching into page 2 clears the rest of page 2 as well; a longer ID is cut.
    Layout("6", "4", "WXYZ!");
    model.Fill();
    EXPECT_EQ(Hex(0, 15), (Texts{"00", "00", "00", "00", "00", "00", "57", "58", "59", "5A",
                                 "00", "00", "00", "00", "00", "00"}));
    EXPECT_EQ(Colour(9), colour::CarrierIdGreen);
    EXPECT_EQ(Colour(10), colour::White);
}

TEST_F(ConfigDialogModelTest, FixDataOnEmptiesTheLayoutKeepsBytesAndOffRestoresTheCounter) {
    model.set.useCsvFile = true;
    Layout("2", "5", "ABC");
    model.Clicked(C::FixData);
    EXPECT_TRUE(model.set.useFixData);
    EXPECT_FALSE(model.set.useDecimalCounter || model.set.useCsvFile);
    EXPECT_EQ(model.set.carrierIdOffset + model.set.carrierIdLength + model.set.carrierId, "");
    for (int j = 0; j < 16; ++j) EXPECT_TRUE(model.Control(FixByteBox(j)).imageOn);
    EXPECT_FALSE(model.Control(C::Fill).enabled);
    EXPECT_FALSE(model.Control(C::CarrierId).enabled);
    EXPECT_EQ(model.Control(C::CarrierIdOffset).background, colour::DisabledBackground);
    model.Fill();
    EXPECT_EQ(Hex(0, 15), Texts(16, "11"));  // fixed data stays as it is

    model.set.fixByte[3] = false;
    model.Clicked(C::FixData);
    EXPECT_TRUE(model.set.useDecimalCounter);
    EXPECT_FALSE(model.set.useFixData || model.set.useCsvFile || model.set.fixByte[3]);
    EXPECT_TRUE(model.Control(C::Fill).enabled && model.Control(C::CarrierId).enabled);
    EXPECT_EQ(model.Control(C::CarrierId).background, colour::White);

    // The counter and the list exclude each other; leaving the counter
    // empties the carrier ID.
    model.set.carrierId = "7";
    model.Clicked(C::DecimalCounter);
    EXPECT_TRUE(model.set.useCsvFile);
    EXPECT_EQ(model.set.carrierId, "");
    model.Clicked(C::CsvFile);
    EXPECT_TRUE(model.set.useDecimalCounter);
    EXPECT_FALSE(OkEnabled());
}

// --- byte edits -----------------------------------------------------------------

TEST_F(ConfigDialogModelTest, ByteCommitConvertsRecoloursAndMovesAlongTheRow) {
    Layout("2", "3", "ABC");
    model.Fill();
    model.set.hex[15] = "4a";
    model.ByteEditConfirmed(HexEdit(15));
    EXPECT_EQ(model.set.ascii[15], "J");
    EXPECT_EQ(view.focus.back(), HexEdit(0));  // 15 wraps to 0
    EXPECT_TRUE(view.lastSelectAll);
    EXPECT_FALSE(OkEnabled());

    model.set.ascii[3] = "Z";
    model.ByteEditConfirmed(AsciiEdit(3));
    EXPECT_EQ(model.set.hex[3], "5A");
    EXPECT_EQ(view.focus.back(), AsciiEdit(4));
    EXPECT_EQ(model.set.carrierId, "AZC");
    model.set.ascii[2] = "NUL";
    model.ByteEditConfirmed(AsciiEdit(2));
    EXPECT_EQ(model.set.hex[2], "00");
    EXPECT_EQ(model.set.carrierId, "NULZC");

    model.set.useFixData = true;  // no recolouring in fix-data mode
    model.set.ascii[3] = "Q";
    model.ByteEditConfirmed(AsciiEdit(3));
    EXPECT_EQ(model.set.carrierId, "NULZC");
}

// --- check boxes ------------------------------------------------------------------

TEST_F(ConfigDialogModelTest, LockCarrierIdAndThePageLocksFollowEachOther) {
    struct Case {
        std::string offset, length;
        bool page1, page2;
    };
    for (const Case& c : {Case{"8", "8", false, true}, Case{"4", "8", true, true},
                          Case{"0", "4", true, false}}) {
        SCOPED_TRACE(c.offset + "/" + c.length);
        Layout(c.offset, c.length);
        model.Clicked(C::LockCarrierId);
        EXPECT_TRUE(model.set.lockCarrierId);
        EXPECT_EQ(model.set.lockPage[0], c.page1);
        EXPECT_EQ(model.set.lockPage[1], c.page2);
        EXPECT_EQ(model.Control(C::LockPage2).imageOn, c.page2);
        model.Clicked(C::LockCarrierId);
        EXPECT_FALSE(model.set.lockPage[0] || model.set.lockPage[1]);
    }

    // ID in bytes 4-11: it is locked only with both pages.
    Layout("4", "8");
    model.Clicked(C::LockPage1);
    EXPECT_FALSE(model.set.lockCarrierId);
    model.Clicked(C::LockPage2);
    EXPECT_TRUE(model.set.lockCarrierId);
    model.Clicked(C::LockPage2);
    EXPECT_FALSE(model.set.lockCarrierId);
    EXPECT_FALSE(OkEnabled());
}

TEST_F(ConfigDialogModelTest, TransponderTypeIsARadioPairThatLeavesOkAlone) {
    model.Clicked(C::TypeTI);  // neither set: TI shows as chosen and becomes it
    EXPECT_TRUE(model.set.typeTI && !model.set.typeNorvik);
    model.Clicked(C::TypeNorvik);
    EXPECT_TRUE(model.set.typeNorvik && !model.set.typeTI);
    EXPECT_TRUE(model.Control(C::TypeNorvik).imageOn && !model.Control(C::TypeTI).imageOn);
    model.WorkOrderEditConfirmed(C::Quantity);  // work order fields only cycle the focus
    EXPECT_EQ(view.focus.back(), C::OperatorBadgeId);
    EXPECT_TRUE(OkEnabled());
}

// --- file names and the Pages 3-17 dialog ----------------------------------------------

TEST_F(ConfigDialogModelTest, OpenButtonsAskForFilesAndTheLogDefaultsToTheStationDirectory) {
    model.CsvOpenPressed();  // cancelled
    const FileDialogRequest csv = view.fileRequests.at(0);
    EXPECT_EQ(csv.kind, FileDialogRequest::Kind::Open);
    EXPECT_EQ(csv.filter + csv.defaultExtension, "*.csvcsv");
    EXPECT_EQ(csv.initialPath, std::filesystem::current_path().string());
    EXPECT_FALSE(OkEnabled());

    const std::string longPath = "/" + std::string(90, 'd') + "/ids.csv";
    view.fileAnswer = longPath;
    model.CsvOpenPressed();
    EXPECT_EQ(model.CsvFileDisplay(), "..." + longPath.substr(longPath.size() - 85));
    EXPECT_EQ(ConfigDialogModel::ShortFileName(std::string(85, 'a')), std::string(85, 'a'));

    model.Clicked(C::Log);
    EXPECT_TRUE(model.Control(C::LogOpen).enabled);
    view.fileAnswer = std::string();  // OK with nothing chosen
    model.LogOpenPressed();
    EXPECT_EQ(view.fileRequests.back().kind, FileDialogRequest::Kind::Save);
    EXPECT_EQ(view.fileRequests.back().filter, "*.xml");
    EXPECT_EQ(model.set.logFileName, (dir.Path() / "zb48_record.xml").string());
    model.Clicked(C::Log);
    EXPECT_FALSE(model.Control(C::LogOpen).enabled);
}

TEST_F(ConfigDialogModelTest, Pages317ResultIsTakenInTheDialogsFormAndLeavesOkAlone) {
    model.set.hexAsciiMode = 1;
    view.pages317 = [](Pages317Data& d) {
        EXPECT_EQ(d.mode, 1);
        d.ascii[20] = "Q";
        d.hex[20] = "stale";  // only the ASCII side counts in ASCII mode
        d.editPage[4] = true;
        d.editPage[0] = true;  // pages 1-2 are not the other dialog's
        return true;
    };
    model.EditPages3to17Pressed();
    EXPECT_EQ(model.set.hex[20], "51");
    EXPECT_TRUE(model.set.editPage[4] && !model.set.editPage[0]);
    EXPECT_TRUE(model.set.writePages3to17);
    EXPECT_TRUE(OkEnabled());

    view.pages317 = [](Pages317Data& d) {
        d.mode = 0;
        d.hex[30] = "4243";
        d.editPage.fill(false);  // never switches "Write Pages 3 - 17" off
        return true;
    };
    model.EditPages3to17Pressed();
    EXPECT_EQ(model.set.hexAsciiMode, 0);
    EXPECT_EQ(model.set.ascii[30], "BC");
    EXPECT_TRUE(model.set.writePages3to17);
}

// --- name list and set files ---------------------------------------------------------

TEST_F(ConfigDialogModelTest, SaveWritesTheFilledSetListsTheNameAndReenablesOk) {
    model.names.Add("First");
    Layout("0", "6", "123");
    model.Control(C::Ok).enabled = false;
    model.nameText = "Second";
    model.Save();
    EXPECT_EQ(Listed(), (Texts{"First", "Second"}));
    EXPECT_EQ(view.rebuilds, 1);
    EXPECT_TRUE(OkEnabled() && model.saved && model.savePressed);
    EXPECT_EQ(LoadSet(dir.Path(), "Second", true).hex[5], "33");  // filled before writing

    // A listed name asks before it overwrites; No writes nothing.
    model.saved = false;
    model.Control(C::Ok).enabled = false;
    model.set.partNumber = "P-2";
    view.messages.Answer(MsgAnswer::No);
    model.Save();
    EXPECT_EQ(view.messages.Texts(), Texts{"This parameter set already exists.\r\nOverwrite it?"});
    EXPECT_FALSE(OkEnabled() || model.saved);
    EXPECT_EQ(LoadSet(dir.Path(), "Second", false).partNumber, "");
    view.messages.Answer(MsgAnswer::Yes);
    model.Save();
    EXPECT_EQ(LoadSet(dir.Path(), "Second", false).partNumber, "P-2");
    EXPECT_EQ(view.rebuilds, 1);  // a listed name does not rebuild the list
}

TEST_F(ConfigDialogModelTest, RefusedSavesTellTheOperatorAndChangeNothing) {
    for (const std::string name : {"", ".", "..", "a/b", "a\\b"}) {
        SCOPED_TRACE(name);
        view.messages.Clear();
        model.nameText = name;
        model.Save();
        ASSERT_EQ(view.messages.Texts().size(), 1u);
        EXPECT_NE(view.messages.Texts()[0].find("not a valid name"), std::string::npos);
        EXPECT_TRUE(model.savePressed);
    }
    for (int i = 0; i < kNameSlots; ++i) model.names.Add("n" + std::to_string(i));
    view.messages.Clear();
    model.nameText = "one too many";
    model.Save();
    ASSERT_EQ(view.messages.Texts().size(), 1u);
    EXPECT_NE(view.messages.Texts()[0].find("full"), std::string::npos);
    EXPECT_EQ(model.names.count, kNameSlots);
    EXPECT_FALSE(model.saved);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST_F(ConfigDialogModelTest, DeleteClosesTheGapEmptiesTheNameAndKeepsTheFile) {
    for (const char* n : {"a", "b", "c", "d", "e"}) {
        model.nameText = n;
        model.Save();
    }
    model.nameText = "c";
    model.Delete();
    EXPECT_EQ(Listed(), (Texts{"a", "b", "d", "e"}));
    EXPECT_EQ(model.names.slots[4], "");
    EXPECT_EQ(model.nameText, "");
    EXPECT_TRUE(std::filesystem::exists(SetFilePath(dir.Path(), "c")));
}

TEST_F(ConfigDialogModelTest, LoadKeepsCarrierIdAndFormatAndAPickWaitsForTheTimer) {
    dir.Write("Line 4.ini",
              "[Work order Setup]\nPart number=PN-7\n"
              "[SEMI E99 Carrier ID Setup]\nCarrier ID Offset=0\nCarrier ID Length=4\n"
              "Carrier ID=9999\n[Transponder type]\nTI=0\nNorvik=0\n"
              "[Page 1]\nHEX 05=4a\n[Page 3]\nHEX 20=A\n[Log]\nLog=1\n");
    dir.Write("Fixed.ini", "[Work order Setup]\nQuantity=5\n[Data Source]\nfix data=1\n");
    model.nameText = "Line 4";
    model.set.carrierId = "12";
    model.set.hexAsciiMode = 1;
    model.Start();
    EXPECT_EQ(model.set.partNumber, "PN-7");
    EXPECT_EQ(model.set.carrierId, "12");
    EXPECT_EQ(model.set.hexAsciiMode, 1);
    EXPECT_EQ(Hex(0, 5), (Texts{"30", "30", "31", "32", "00", "00"}));  // the fill ran
    EXPECT_EQ(model.set.ascii[20], "\x0A");
    EXPECT_EQ(model.set.ascii[21], "NUL");  // missing key
    EXPECT_TRUE(model.Control(C::TypeTI).imageOn && !model.Control(C::TypeNorvik).imageOn);
    EXPECT_TRUE(model.Control(C::LogOpen).enabled);

    model.Clicked(C::EditPage1);
    ASSERT_FALSE(OkEnabled());
    model.nameText = "Fixed";  // what the pick puts into the box
    model.NamePicked();
    EXPECT_EQ(view.timerStarts, std::vector<int>{500});
    EXPECT_EQ(model.set.quantity, "");
    model.LoadTimerFired();
    EXPECT_EQ(view.timerStops, 1);
    EXPECT_EQ(model.set.quantity, "5");
    EXPECT_FALSE(model.Control(C::Fill).enabled);
    EXPECT_FALSE(OkEnabled());  // a load leaves OK as it was
    view.messages.Answer(MsgAnswer::Yes);
    model.Save();
    EXPECT_TRUE(model.Accept());
}

}  // namespace
}  // namespace tagwright::test
