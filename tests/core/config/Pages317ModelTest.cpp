// The Pages 3-17 dialog's rules: committing and refusing byte texts, the
// focus moving on, switching between HEX and ASCII, the boxes, and what OK
// hands back.

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "config/ByteText.h"
#include "config/Pages317Model.h"
#include "support/ScriptedMessages.h"

namespace tagwright::test {
namespace {

// Simulates the dialog: texts typed into fields reach the model when it
// takes the field values; every call is counted.
class FakePagesView : public Pages317View {
public:
    void TakeFieldValues() override {
        for (auto& [k, text] : typed) model->Shown(k) = text;
        typed.clear();
    }
    void ShowFieldValues() override {
        for (int k = Pages317Model::kFirstByte; k <= Pages317Model::kLastByte; ++k) {
            fields[k] = model->Shown(k);
        }
    }
    void ShowImages() override {}
    void FocusByte(int k) override { focus.push_back(k); }
    void RepaintWindow() override { ++repaints; }
    MsgAnswer ShowMessage(const MessageRequest& r) override { return messages.Show(r); }

    Pages317Model* model = nullptr;
    std::map<int, std::string> typed;
    std::map<int, std::string> fields;  // what the fields show after the last refresh
    std::vector<int> focus;
    int repaints = 0;
    ScriptedMessages messages;
};

// Every byte b as HEX and ASCII: 0x41 + (b % 26), i.e. "A".."Z".
Pages317Data Letters(int mode) {
    Pages317Data d;
    for (std::size_t b = 0; b < d.hex.size(); ++b) {
        d.ascii[b] = std::string(1, static_cast<char>(0x41 + b % 26));
        d.hex[b] = ByteText::AsciiToHex(d.ascii[b]);
    }
    d.mode = mode;
    d.editPage[4] = true;  // page 5
    d.lockPage[16] = true;  // page 17
    return d;
}

class Pages317ModelTest : public ::testing::Test {
protected:
    void Start(int mode) {
        input = Letters(mode);
        model = std::make_unique<Pages317Model>(input, view);
        view.model = model.get();
        view.ShowFieldValues();
    }
    // The operator types TEXT into byte k's field and presses Enter.
    void Commit(int k, const std::string& text) {
        view.typed[k] = text;
        model->CommitByte(k);
    }
    std::vector<std::string> Messages() const { return view.messages.Texts(); }

    static std::string HexMessage(int k) {
        return "change byte " + std::to_string(k) +
               " to a length of 2 hexadecimal (0,1,2,3,4,5,6,7,8,9,A,B,C,D,E,F) characters\r\n"
               "character must be in printable range between 0x20 and 0x7E\r\nor can be 0x00";
    }
    static std::string AsciiMessage(int k) {
        return "change byte " + std::to_string(k) + " to a length of 1 character of 'NUL'";
    }

    FakePagesView view;
    Pages317Data input;
    std::unique_ptr<Pages317Model> model;
};

TEST_F(Pages317ModelTest, HexCommitsAcceptOrRefuseEachText) {
    struct Case {
        const char* typed;
        bool accepted;
        const char* hex;  // stored when accepted
        const char* ascii;
    };
    const Case cases[] = {
        {"4g", false, "", ""},  // a bad digit (its nibble would give 0x40, in range)
        {"1F", false, "", ""},  // below 0x20
        {"7F", false, "", ""},  // above 0x7E
        {"4", false, "", ""},   // length
        {"041", false, "", ""},
        {"", false, "", ""},
        {"00", true, "00", "NUL"},
        {"7e", true, "7E", "~"},
        {"4a", true, "4A", "J"},
    };
    for (const Case& c : cases) {
        Start(0);
        Commit(20, c.typed);
        if (c.accepted) {
            EXPECT_TRUE(Messages().empty()) << c.typed;
            EXPECT_EQ(model->Hex(20), c.hex) << c.typed;
            EXPECT_EQ(model->Ascii(20), c.ascii) << c.typed;
            EXPECT_EQ(view.fields[20], c.hex) << c.typed;
        } else {
            EXPECT_EQ(Messages(), std::vector<std::string>{HexMessage(20)}) << c.typed;
            EXPECT_EQ(model->Hex(20), input.hex[20]) << c.typed;
            EXPECT_EQ(model->Ascii(20), input.ascii[20]) << c.typed;
            EXPECT_EQ(view.fields[20], c.typed) << c.typed;  // kept for mending
        }
        EXPECT_EQ(view.focus, std::vector<int>{21}) << c.typed;  // moves on either way
        view.focus.clear();
        view.messages.Clear();
    }
}

TEST_F(Pages317ModelTest, AsciiCommitsTakeOneCharacterOrNul) {
    struct Case {
        const char* typed;
        bool accepted;
        const char* hex;
    };
    const Case cases[] = {
        {"AB", false, ""}, {"", false, ""}, {"nul", false, ""}, {"NULL", false, ""},
        {"NUL", true, "00"}, {"A", true, "41"}, {" ", true, "20"}, {"\xE4", true, "E4"},
    };
    for (const Case& c : cases) {
        Start(1);
        Commit(40, c.typed);
        if (c.accepted) {
            EXPECT_TRUE(Messages().empty()) << c.typed;
            EXPECT_EQ(model->Ascii(40), c.typed);
            EXPECT_EQ(model->Hex(40), c.hex);
        } else {
            EXPECT_EQ(Messages(), std::vector<std::string>{AsciiMessage(40)}) << c.typed;
            EXPECT_EQ(model->Ascii(40), input.ascii[40]);
            EXPECT_EQ(model->Hex(40), input.hex[40]);
            EXPECT_EQ(view.fields[40], c.typed);
        }
        view.messages.Clear();
    }
}

TEST_F(Pages317ModelTest, FocusMovesToTheNextByteAndWrapsFromTheLastToTheFirst) {
    Start(0);
    Commit(16, "41");
    Commit(23, "41");   // page 3's last byte: on to page 4
    Commit(134, "zz");  // refused, still moves
    Commit(135, "41");
    EXPECT_EQ(view.focus, (std::vector<int>{17, 24, 135, 16}));
    view.messages.Clear();
    // Bytes outside the dialog's range are not its to commit.
    model->CommitByte(15);
    model->CommitByte(136);
    EXPECT_EQ(view.focus.size(), 4U);
}

TEST_F(Pages317ModelTest, SwitchingFormsConvertsEveryShownByteBothWays) {
    Start(0);
    view.typed[16] = "41";
    view.typed[17] = "00";
    view.typed[18] = "4g";   // uncommitted and invalid: converted unchecked
    view.typed[19] = "414";  // odd length: "0" in front, two characters
    model->SwitchToAscii();
    EXPECT_TRUE(model->AsciiMode());
    EXPECT_EQ(view.fields[16], "A");
    EXPECT_EQ(view.fields[17], "NUL");
    EXPECT_EQ(model->Hex(17), "00");
    EXPECT_EQ(model->Hex(18), "4g");
    EXPECT_EQ(model->Ascii(18), "@");
    EXPECT_EQ(model->Ascii(19), "\x04\x14");
    EXPECT_EQ(view.fields[135], input.ascii[135]);
    EXPECT_EQ(model->Hex(5), input.hex[5]);  // pages 1-2 untouched
    EXPECT_EQ(view.repaints, 1);
    EXPECT_TRUE(Messages().empty());

    view.typed[20] = "AB";  // two characters: four HEX digits, unchecked
    model->SwitchToHex();
    EXPECT_FALSE(model->AsciiMode());
    EXPECT_EQ(view.fields[16], "41");
    EXPECT_EQ(view.fields[17], "00");
    EXPECT_EQ(model->Ascii(17), "NUL");
    EXPECT_EQ(view.fields[20], "4142");
    EXPECT_EQ(model->Ascii(20), "AB");
    EXPECT_EQ(view.fields[135], input.hex[135]);
    EXPECT_EQ(view.repaints, 2);
}

TEST_F(Pages317ModelTest, OkHandsBackCommitsSwitchesAndBoxesButNotUncommittedEdits) {
    Start(0);
    view.typed[30] = "50";  // typed, never committed
    Commit(20, "7e");
    EXPECT_EQ(view.fields[30], "50");  // still in its field
    model->ToggleEdit(3);
    model->ToggleEdit(5);   // was on
    model->ToggleLock(17);  // was on
    model->ToggleLock(9);
    model->ToggleEdit(9);
    model->ToggleEdit(9);
    model->ToggleEdit(2);   // not in this dialog
    model->ToggleLock(18);
    const Pages317Data out = model->Accept();

    EXPECT_EQ(out.hex[20], "7E");
    EXPECT_EQ(out.ascii[20], "~");
    EXPECT_EQ(out.hex[30], input.hex[30]);
    EXPECT_EQ(out.ascii[30], input.ascii[30]);
    EXPECT_EQ(out.mode, 0);
    std::array<bool, kPageCount> edit{};
    edit[2] = true;
    std::array<bool, kPageCount> lock{};
    lock[8] = true;
    EXPECT_EQ(out.editPage, edit);
    EXPECT_EQ(out.lockPage, lock);
    for (int b = 0; b < kImageBytes; ++b) {
        if (b == 20) continue;
        EXPECT_EQ(out.hex[static_cast<std::size_t>(b)], input.hex[static_cast<std::size_t>(b)]);
    }

    // After a switch the uncommitted text did change form and goes back.
    Start(1);
    view.typed[30] = "x";
    model->SwitchToHex();
    const Pages317Data switched = model->Accept();
    EXPECT_EQ(switched.mode, 0);
    EXPECT_EQ(switched.ascii[30], "x");
    EXPECT_EQ(switched.hex[30], "78");
}

}  // namespace
}  // namespace tagwright::test
