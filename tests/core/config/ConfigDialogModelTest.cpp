#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/base/CText.h"
#include "core/base/DataPaths.h"
#include "core/config/ConfigDialogModel.h"
#include "core/config/SetStore.h"
#include "support/FakeConfigView.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

using C = ConfigControl;
using Texts = std::vector<std::string>;
constexpr const char* kOffsetLengthRefusal =
    "Carrier ID Offset + Carrier ID Length must be under 16.";

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
    // The HEX texts of bytes first..last, blank-separated.
    std::string Row(int first, int last) const {
        std::string row = model.set.hex[static_cast<std::size_t>(first)];
        for (int k = first + 1; k <= last; ++k) row += " " + model.set.hex[std::size_t(k)];
        return row;
    }
    bool OkEnabled() const { return model.Control(C::Ok).enabled; }

    TempDir dir;
    FakeConfigView view;
    ConfigDialogModel model{view};
};

// Texts that never passed the check (a hand-edited set file) must not reach
// beyond byte 15 in any rule; the check then cuts them back and says so.
TEST_F(ConfigDialogModelTest, OffsetAndLengthAreClampedInEveryRuleAndCutBackByTheCheck) {
    struct Case { std::string offset, length, wantOffset, wantLength; };
    for (const Case& c : {Case{"10", "8", "10", "6"}, Case{"8", "8", "8", "8"},
                          Case{"-3", "5", "0", "5"}, Case{"4", "-1", "4", "0"},
                          Case{"20", "2", "16", "0"}, Case{"0", "99", "0", "16"}}) {
        SCOPED_TRACE(c.offset + "/" + c.length);
        Layout(c.offset, c.length, "XXXXXXXXXXXXXXXXXXXX");
        model.Fill();
        model.ByteEditConfirmed(HexEdit(15));
        model.set.lockCarrierId = false;
        model.Clicked(C::LockCarrierId);
        EXPECT_EQ(Row(16, 23), "11 11 11 11 11 11 11 11");
        EXPECT_EQ(model.set.carrierId, std::string(std::size_t(Atol(c.wantLength)), 'X'));

        view.messages.Clear();
        model.CarrierIdEditCompleted(C::CarrierIdLength);
        EXPECT_EQ(model.set.carrierIdOffset + "/" + model.set.carrierIdLength,
                  c.wantOffset + "/" + c.wantLength);
        const bool changed = c.offset != c.wantOffset || c.length != c.wantLength;
        ASSERT_EQ(view.messages.Texts().size(), changed ? 1u : 0u);
        if (changed) {
            const std::string told = view.messages.Texts()[0];
            EXPECT_EQ(told.rfind(kOffsetLengthRefusal, 0), 0u) << told;
            const std::string key = c.length != c.wantLength ? "Length" : "Offset";
            const std::string& was = c.length != c.wantLength ? c.length : c.offset;
            EXPECT_NE(told.find(key + " \"" + was + "\""), std::string::npos) << told;
        }
        EXPECT_FALSE(OkEnabled());
    }
}

TEST_F(ConfigDialogModelTest, FillPlacesThePaddedIdAndByteCommitsReadItBack) {
    Layout("2", "5", "ABC");
    model.FillPressed();
    // The ID ends within page 1, so page 2 keeps its fixed data.
    EXPECT_EQ(Row(0, 15), "00 00 30 30 41 42 43 00 11 11 11 11 11 11 11 11");
    EXPECT_EQ(model.set.ascii[0] + model.set.ascii[3] + model.set.ascii[6], "NUL0C");
    EXPECT_EQ(model.set.carrierId, "ABC");  // the field keeps the unpadded text
    for (std::size_t j = 0; j < 16; ++j) EXPECT_EQ(model.set.fixByte[j], j < 2 || j > 6) << j;

    // A byte commit converts and reads the ID back, "NUL" included.
    model.set.ascii[2] = "NUL";
    model.set.ascii[3] = "Z";
    for (C edit : {AsciiEdit(2), AsciiEdit(3)}) model.ByteEditConfirmed(edit);
    EXPECT_EQ(model.set.carrierId, "NULZABC");
}

TEST_F(ConfigDialogModelTest, FixDataOnEmptiesTheLayoutKeepsBytesAndOffRestoresTheCounter) {
    model.set.useCsvFile = true;
    Layout("2", "5", "ABC");
    model.Clicked(C::FixData);
    EXPECT_FALSE(model.set.useDecimalCounter || model.set.useCsvFile);
    EXPECT_EQ(model.set.carrierIdOffset + model.set.carrierIdLength + model.set.carrierId, "");
    EXPECT_EQ(std::count(model.set.fixByte.begin(), model.set.fixByte.end(), true), 16);
    model.Fill();
    EXPECT_EQ(Row(0, 15), "11 11 11 11 11 11 11 11 11 11 11 11 11 11 11 11");  // left alone
    model.set.carrierId = "kept";
    model.ByteEditConfirmed(AsciiEdit(0));  // fixed bytes are not read back as the ID
    EXPECT_EQ(model.set.carrierId, "kept");

    model.set.fixByte[3] = false;
    model.Clicked(C::FixData);
    EXPECT_TRUE(model.set.useDecimalCounter);
    EXPECT_FALSE(model.set.useFixData || model.set.useCsvFile || model.set.fixByte[3]);

    model.Clicked(C::DecimalCounter);  // the counter and the list exclude each other
    EXPECT_TRUE(model.set.useCsvFile && !model.set.useDecimalCounter);
}

TEST_F(ConfigDialogModelTest, LockCarrierIdAndThePageLocksFollowEachOther) {
    struct Case { std::string offset, length; bool page1, page2; };
    for (const Case& c : {Case{"8", "8", false, true}, Case{"4", "8", true, true},
                          Case{"0", "4", true, false}}) {
        SCOPED_TRACE(c.offset + "/" + c.length);
        Layout(c.offset, c.length);
        model.Clicked(C::LockCarrierId);
        EXPECT_EQ(model.set.lockPage[0], c.page1);
        EXPECT_EQ(model.Control(C::LockPage2).imageOn && model.set.lockPage[1], c.page2);
        model.Clicked(C::LockCarrierId);
        EXPECT_FALSE(model.set.lockPage[0] || model.set.lockPage[1]);
    }

    Layout("4", "8");  // ID in bytes 4-11: it is locked only with both pages
    model.Clicked(C::LockPage1);
    EXPECT_FALSE(model.set.lockCarrierId);
    model.Clicked(C::LockPage2);
    EXPECT_TRUE(model.set.lockCarrierId);
}

TEST_F(ConfigDialogModelTest, TheRecordFileShownIsTheOneRowsGoToWhateverTheSetNames) {
    // A file dialog left with nothing chosen falls back to the station directory.
    model.Clicked(C::Log);
    view.fileAnswer = std::string();
    model.LogOpenPressed();
    EXPECT_EQ(view.fileRequests.back().initialPath, std::filesystem::current_path().string());
    EXPECT_EQ(model.set.logFileName, (dir.Path() / "zb48_record.xml").string());

    const std::string recordDir = StationRecordDirectory(dir.Path()).string();
    const std::pair<std::string, std::string> cases[] = {  // chosen, shown
        {"", recordDir + "/Tagwright.xml"},  // none chosen: the fallback
        {"run7.xml", recordDir + "/run7.xml"},
        {"/srv/records/run7.xml", "/srv/records/run7.xml"},
    };
    for (const auto& [chosen, shown] : cases) {
        model.set.logFileName = chosen;
        EXPECT_EQ(model.LogFileDisplay(), ConfigDialogModel::ShortFileName(shown));
        EXPECT_EQ(model.set.logFileName, chosen) << "the set keeps what was chosen";
    }
}

TEST_F(ConfigDialogModelTest, Pages317ResultIsTakenInTheDialogsFormAndLeavesOkAlone) {
    model.set.hexAsciiMode = 1;
    view.pages317 = [](Pages317Data& d) {
        EXPECT_EQ(d.mode, 1);
        d.ascii[20] = "Q";
        d.hex[20] = "stale";  // only the ASCII side counts in ASCII mode
        d.editPage[4] = d.editPage[0] = true;  // pages 1-2 are not the other dialog's
        return true;
    };
    model.EditPages3to17Pressed();
    EXPECT_EQ(model.set.hex[20], "51");
    EXPECT_TRUE(model.set.editPage[4] && !model.set.editPage[0] && model.set.writePages3to17);
    EXPECT_TRUE(OkEnabled());
}

TEST_F(ConfigDialogModelTest, SaveEnablesOkOnlyWhenWrittenRefusalsChangeNothingDeleteKeepsFiles) {
    model.names.Add("First");
    Layout("0", "6", "123");
    model.nameText = "Second";
    // A new name is written at once; overwriting asks first and No writes nothing.
    using Ask = std::optional<MsgAnswer>;
    for (Ask ask : {Ask(), Ask(MsgAnswer::No), Ask(MsgAnswer::Yes)}) {
        model.saved = model.Control(C::Ok).enabled = false;
        model.set.partNumber += "P";
        if (ask) view.messages.Answer(*ask);
        model.Save();
        EXPECT_EQ(OkEnabled() && model.saved, ask != MsgAnswer::No);
        EXPECT_EQ(LoadSet(dir.Path(), "Second", false).partNumber,
                  ask == MsgAnswer::No ? "P" : model.set.partNumber);
    }
    EXPECT_EQ(LoadSet(dir.Path(), "Second", true).hex[5], "33");  // filled before writing
    EXPECT_EQ(model.ListedNames(), (Texts{"First", "Second"}));

    model.Delete();  // the name leaves the list and the box; the file stays
    EXPECT_EQ(model.ListedNames(), Texts{"First"});
    EXPECT_EQ(model.nameText, "");
    EXPECT_TRUE(std::filesystem::exists(SetFilePath(dir.Path(), "Second")));

    // A refused save (the list is full) leaves OK off.
    for (int i = 1; i < kNameSlots; ++i) model.names.Add("n" + std::to_string(i));
    model.saved = model.Control(C::Ok).enabled = false;
    model.nameText = "one too many";
    model.Save();
    EXPECT_FALSE(model.saved || OkEnabled());
}

// A hand-edited set, written before the write checks existed, whose ID
// would lose its significant digits: cut back as it loads, the operator
// told which key held what; the carrier ID and the format stay.
TEST_F(ConfigDialogModelTest, LoadCutsBackKeepsTheIdShowsTheSetAndChangesWaitForSave) {
    dir.Write("Hand.ini", "[Work order Setup]\nPart number=PN-7\n[SEMI E99 Carrier ID Setup]\n"
                          "Carrier ID Offset=10\nCarrier ID Length=10\nCarrier ID=9999\n");
    model.nameText = "Hand";
    model.set.carrierId = "7";
    model.set.hexAsciiMode = 1;
    model.Clicked(C::EditPage1);
    model.Start();
    EXPECT_EQ(model.set.carrierIdOffset + "/" + model.set.carrierIdLength, "10/6");
    EXPECT_EQ(view.messages.Texts(),
              Texts{std::string(kOffsetLengthRefusal) +
                    "\r\nCarrier ID Length \"10\" was changed to \"6\"."});
    EXPECT_EQ(model.set.partNumber + "|" + model.set.carrierId, "PN-7|7");
    EXPECT_EQ(model.set.hexAsciiMode, 1);
    EXPECT_EQ(Row(10, 15), "30 30 30 30 30 37");  // the fill ran
    // Neither type set in the file: TI shows as chosen.
    EXPECT_TRUE(model.Control(C::TypeTI).imageOn && !model.Control(C::TypeNorvik).imageOn);
    EXPECT_TRUE(model.Control(C::VerifyAfterWrite).imageOn);
    EXPECT_FALSE(OkEnabled() || model.Accept());  // a load leaves OK as it was

    model.Control(C::Ok).enabled = true;
    model.Clicked(C::VerifyAfterWrite);
    EXPECT_FALSE(model.set.verifyAfterWrite || model.Control(C::VerifyAfterWrite).imageOn);
    EXPECT_FALSE(OkEnabled());
    model.Control(C::Ok).enabled = true;
    model.RetriesChanged(9);
    EXPECT_EQ(model.set.retries, 5);
    EXPECT_FALSE(OkEnabled());
    view.messages.Answer(MsgAnswer::Yes);
    model.Save();
    const ParameterSet saved = LoadSet(dir.Path(), "Hand", true);
    EXPECT_FALSE(saved.verifyAfterWrite);
    EXPECT_EQ(saved.retries, 5);
    EXPECT_EQ(saved.partNumber, "PN-7");
}

}  // namespace
}  // namespace tagwright::test
