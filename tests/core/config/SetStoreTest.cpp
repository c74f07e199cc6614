#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "core/config/SetStore.h"
#include "support/FileSizeLimit.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

using Names = std::vector<std::string>;
const std::string kOverwrite = "This parameter set already exists.\r\nOverwrite it?";

NameList ListOf(const Names& names) {
    NameList list;
    std::copy(names.begin(), names.end(), list.slots.begin());
    list.count = static_cast<int>(names.size());
    return list;
}

Names Listed(const NameList& list) { return {list.slots.begin(), list.slots.begin() + list.count}; }

ParameterSet SampleSet() {
    ParameterSet s;
    s.partNumber = "P\xE4rt 1";
    s.quantity = "100";
    s.carrierId = " 0123 ";
    s.useDecimalCounter = s.lockCarrierId = s.typeNorvik = s.writePages3to17 = true;
    s.logEnabled = s.fixByte[0] = s.fixByte[15] = s.editPage[16] = s.lockPage[9] = true;
    s.logFileName = "/data/record.xml";
    for (int k = 0; k < 136; ++k) s.hex[static_cast<std::size_t>(k)] = std::to_string(k % 100);
    DeriveAsciiTexts(s);
    return s;
}

class SetStoreTest : public ::testing::Test {
protected:
    SaveSetResult Save(const std::string& name, NameList& names) {
        return SaveSet(dir.Path(), name, SampleSet(), names, view);
    }
    const std::vector<MessageRequest>& Shown() { return view.messages.Shown(); }

    TempDir dir;
    RecordingMessageView view;
};

TEST_F(SetStoreTest, SaveWritesEveryKeyInOrderAndLoadReadsThemBack) {
    NameList names = ListOf({"alpha"});
    ASSERT_EQ(Save("beta", names), SaveSetResult::Saved);
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(Listed(names), (Names{"alpha", "beta"}));
    EXPECT_EQ(dir.Read("beta.ini"),
              ReadBytes(std::filesystem::path(TW_CONFIG_TEST_DATA) / "sample_set.ini"));
    EXPECT_EQ(LoadSet(dir.Path(), "beta", true), SampleSet());
    // The Config dialog's load leaves the carrier ID to the dialog.
    EXPECT_EQ(LoadSet(dir.Path(), "beta", false).carrierId, "");
}

TEST_F(SetStoreTest, LoadsAHandWrittenFile) {
    dir.Write("hand.ini",
              "[Page 1]\r\nhex 05=4a\r\nHEX 06=A\r\nHEX 07=00\r\nEdit Page 1=1\r\n"
              "[Data Source]\r\nDecimal counter=1\r\ncsv file=yes\r\n"
              "[Transponder type]\r\nTI=0\r\nNorvik=0\r\n");
    const ParameterSet s = LoadSet(dir.Path(), "hand", true);
    EXPECT_EQ(s.hex[5] + s.ascii[5] + s.ascii[6] + s.ascii[7], "4aJ\x0A" "NUL");
    EXPECT_EQ(s.hex[20] + s.ascii[20], "NUL");
    EXPECT_TRUE(s.editPage[0] && s.useDecimalCounter);
    EXPECT_FALSE(s.useCsvFile || s.typeTI || s.typeNorvik);  // only "1" is on
}

TEST_F(SetStoreTest, WriteChecksDefaultWhereTheFileLacksThemAndLeaveOtherKeysAlone) {
    const std::tuple<const char*, bool, int> cases[] = {  // the file's checks, verify, retries
        {nullptr, true, 2},  // no section at all
        {"", true, 2},
        {"Verify after write=0\r\nRetries=0\r\n", false, 0},
        {"Verify after write=1\r\nRetries=5\r\n", true, 5},
        {"Retries=9\r\n", true, 5},
        {"Verify after write=yes\r\nRetries=-1\r\n", true, 2},
    };
    const std::string others = "[Data Source]\r\nDecimal counter=1\r\n[Transponder type]\r\n"
                               "Norvik=1\r\n[Page 3]\r\nHEX 16=41\r\nLock Page 3=1\r\n";
    dir.Write("old.ini", others);
    const ParameterSet old = LoadSet(dir.Path(), "old", true);
    for (const auto& [checks, verify, retries] : cases) {
        dir.Write("set.ini", checks ? others + "[Write checks]\r\n" + checks : others);
        ParameterSet s = LoadSet(dir.Path(), "set", true);
        EXPECT_TRUE(s.verifyAfterWrite == verify && s.retries == retries)
            << (checks ? checks : "no section");
        s.verifyAfterWrite = old.verifyAfterWrite;
        s.retries = old.retries;
        EXPECT_EQ(s, old) << "the other keys are left alone";
    }
    const ParameterSet fresh = LoadSet(dir.Path(), "never saved", true);  // a new set
    EXPECT_TRUE(fresh.verifyAfterWrite && fresh.retries == 2);
}

TEST(NameListRules, AddAndDelete) {
    NameList list = ListOf({"a", "b", "c", "d", "e"});
    EXPECT_EQ(list.Add("c") + list.Find("C"), 2 - 1);  // names are case-sensitive
    for (const char* name : {"c", "zzz"}) DeleteName(list, name);
    EXPECT_EQ(Listed(list), (Names{"a", "b", "d", "e"}));

    // A hand-edited gap is filled without losing the names above it, and a
    // delete below a gap keeps the names after it.
    list = ListOf({"a", "", "c"});
    EXPECT_EQ(list.Add("b"), 1);
    EXPECT_EQ(Listed(list), (Names{"a", "b", "c"}));
    list = ListOf({"a", "b", "", "d"});
    DeleteName(list, "a");
    EXPECT_EQ(Listed(list), (Names{"b", "", "d"}));
}

TEST_F(SetStoreTest, ExistingFileIsReplacedOnlyWhenTheOperatorSaysYes) {
    const std::string old = "[Work order Setup]\r\nQuantity=5\r\n[Extra]\r\nkeep=me\r\n";
    dir.Write("old.ini", old);
    NameList names = ListOf({"x"});
    view.messages.Answer(MsgAnswer::No);
    EXPECT_EQ(Save("old", names), SaveSetResult::Declined);
    EXPECT_EQ(dir.Read("old.ini"), old);
    EXPECT_EQ(Listed(names), Names{"x"});
    EXPECT_EQ(Shown().at(0).buttons, MsgButtons::YesNo);

    view.messages.Answer(MsgAnswer::Yes);
    EXPECT_EQ(Save("old", names), SaveSetResult::Saved);
    EXPECT_EQ(LoadSet(dir.Path(), "old", true).quantity, "100");
    EXPECT_NE(dir.Read("old.ini").find("keep=me"), std::string::npos);
    EXPECT_EQ(Listed(names), (Names{"x", "old"}));
    EXPECT_EQ(view.messages.Texts(), (Names{kOverwrite, kOverwrite}));
}

TEST_F(SetStoreTest, RefusesBadNamesAFullListAndAnUnwritableDirectory) {
    dir.Write("..ini", "old");
    dir.Write("new.ini", "old");
    const std::string longest(kMaxSetNameBytes, 'n');
    const std::pair<std::string, std::string> cases[] = {
        {"", "not a valid name"}, {"..", "not a valid name"}, {"a/b", "not a valid name"},
        {"a\\b", "not a valid name"}, {"two\r\nlines", "line break"}, {"a\nb", "line break"},
        {"a\rb", "line break"}, {longest + "n", "at most 251 characters"},
    };
    for (const auto& [name, why] : cases) {
        view.messages.Clear();
        NameList names = ListOf({"a"});
        EXPECT_EQ(Save(name, names), SaveSetResult::Failed) << name;
        ASSERT_EQ(view.messages.Texts().size(), 1u) << name;
        EXPECT_NE(view.messages.Texts()[0].find(why), std::string::npos) << name;
        EXPECT_EQ(Listed(names), Names{"a"});
    }
    view.messages.Clear();
    NameList full;
    for (int i = 0; i < kNameSlots; ++i) full.Add(std::to_string(i));
    EXPECT_EQ(Save("new", full), SaveSetResult::Failed);
    EXPECT_EQ(full.count, kNameSlots);
    EXPECT_EQ(view.messages.Texts().size(), 1u);
    EXPECT_NE(Shown()[0].text.find("full"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
    EXPECT_EQ(dir.Read("..ini") + dir.Read("new.ini"), "oldold");
    EXPECT_EQ(Save("7", full), SaveSetResult::Saved);  // a listed name still saves
    NameList names = ListOf({"a"});
    EXPECT_EQ(Save(longest, names), SaveSetResult::Saved);  // the longest name still fits

    view.messages.Clear();
    EXPECT_EQ(SaveSet(dir.Write("plain", "x") / "d", "b", SampleSet(), names, view),
              SaveSetResult::Failed);
    EXPECT_EQ(view.messages.Texts(), Names{"Fehler beim Speichern des Pr\xFC" "fablaufes"});
    EXPECT_EQ(Listed(names), (Names{"a", longest}));
}

TEST(LastCarrierId, IsFirstPlusQuantityMinusOneWithoutWrapping) {
    const std::tuple<const char*, const char*, std::uint64_t> cases[] = {
        {"200", "23", 222}, {"0", "1", 0}, {"0", "0", 0}, {"5", "0", 4},
        {"18446744073709551614", "1", 18446744073709551614u},
        {"18446744073709551614", "2", 18446744073709551615u},
        {"18446744073709551614", "3", 18446744073709551615u},
        {"10", "18446744073709551615", 18446744073709551615u},
    };
    for (const auto& [first, quantity, last] : cases) {
        EXPECT_EQ(LastCarrierId(first, quantity), last) << first << " + " << quantity;
    }
}

// A set file as an operator's editor may leave it: LF and CR LF mixed, a
// comment, odd spacing, unknown keys and no line end at the very end.
const std::string kHandWritten =
    "; counter set\n"
    "[Work order Setup]\r\n"
    "Part number = PN-7 \r\n"
    "[semi e99 carrier id setup]\n"
    "Carrier ID Offset=0\n"
    "  carrier id =  41\n"
    "Lock Carrier ID=1\n"
    "[Log]\r\n"
    "Extra=kept";

// Where the key is missing the file is written whole.
TEST(SetCarrierId, AMissingKeyOrFileIsAdded) {
    const std::pair<std::string, std::string> cases[] = {  // before ("": no file), after
        {"[SEMI E99 Carrier ID Setup]\r\nCarrier ID Length=4\r\n[Log]\r\n",
         "[SEMI E99 Carrier ID Setup]\r\nCarrier ID Length=4\r\nCarrier ID=42\r\n[Log]\r\n"},
        {"", "[SEMI E99 Carrier ID Setup]\r\nCarrier ID=42\r\n"},
    };
    for (const auto& [before, after] : cases) {
        TempDir dir;
        if (!before.empty()) dir.Write("Line 1.ini", before);
        std::string error;
        EXPECT_TRUE(WriteSetCarrierId(dir.Path(), "Line 1", "42", &error)) << error;
        EXPECT_EQ(dir.Read("Line 1.ini"), after);
        EXPECT_EQ(LoadSet(dir.Path(), "Line 1", true).carrierId, "42");
    }
}

TEST(SetCarrierId, AFailedWriteLeavesTheFileAndSaysWhy) {
    TempDir dir;
    dir.Write("Line 1.ini", kHandWritten);
    dir.Write("not a directory", "x");
    std::string error;
    {
        FileSizeLimit full(16);  // the disk is full for the temporary file
        EXPECT_FALSE(WriteSetCarrierId(dir.Path(), "Line 1", "42", &error));
    }
    EXPECT_NE(error.find("Line 1.ini"), std::string::npos) << error;
    EXPECT_EQ(dir.Read("Line 1.ini"), kHandWritten);

    error.clear();
    EXPECT_FALSE(WriteSetCarrierId(dir / "not a directory", "Line 1", "42", &error));
    EXPECT_NE(error.find("Not a directory"), std::string::npos) << error;

    error.clear();
    EXPECT_FALSE(WriteSetCarrierId(dir.Path(), "../Line 1", "42", &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace tagwright::test
