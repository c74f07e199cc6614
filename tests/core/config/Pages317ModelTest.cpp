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

// Texts typed into fields reach the model when it takes the field values.
class FakePagesView : public Pages317View {
public:
    void TakeFieldValues() override {
        for (auto& [k, text] : typed) model->Shown(k) = text;
        typed.clear();
    }
    void ShowFieldValues() override {}
    void ShowImages() override {}
    void FocusByte(int k) override { focus.push_back(k); }
    void RepaintWindow() override { ++repaints; }
    MsgAnswer ShowMessage(const MessageRequest& r) override { return messages.Show(r); }

    Pages317Model* model = nullptr;
    std::map<int, std::string> typed;
    std::vector<int> focus;
    int repaints = 0;
    ScriptedMessages messages;
};

class Pages317ModelTest : public ::testing::Test {
protected:
    // Every byte b is 'A' + b % 26; page 5 is marked Edit and page 17 Lock.
    void Start(int mode) {
        for (std::size_t b = 0; b < input.hex.size(); ++b) {
            input.ascii[b] = std::string(1, static_cast<char>('A' + b % 26));
            input.hex[b] = ByteText::AsciiToHex(input.ascii[b]);
        }
        input.mode = mode;
        input.editPage[4] = input.lockPage[16] = true;
        model = std::make_unique<Pages317Model>(input, view);
        view.focus.clear();
        view.messages.Clear();
        view.model = model.get();
    }
    // The operator types TEXT into byte k's field and presses Enter.
    void Commit(int k, const std::string& text) {
        view.typed[k] = text;
        model->CommitByte(k);
    }

    FakePagesView view;
    Pages317Data input;
    std::unique_ptr<Pages317Model> model;
};

TEST_F(Pages317ModelTest, CommitsAcceptOrRefuseEachTextAndMoveOnEitherWay) {
    const std::string hexRefusal =
        "change byte 20 to a length of 2 hexadecimal (0,1,2,3,4,5,6,7,8,9,A,B,C,D,E,F) "
        "characters\r\ncharacter must be in printable range between 0x20 and 0x7E\r\n"
        "or can be 0x00";
    const std::string asciiRefusal = "change byte 20 to a length of 1 character of 'NUL'";
    struct Case { int mode; const char *typed, *hex = nullptr, *ascii = nullptr; };
    const Case cases[] = {
        {0, "4g"},  // a bad digit (its nibble would give 0x40, in range)
        {0, "1F"},  // below 0x20
        {0, "7F"},  // above 0x7E
        {0, "4"}, {0, "041"}, {0, ""}, {0, "00", "00", "NUL"}, {0, "7e", "7E", "~"},
        {0, "4a", "4A", "J"}, {1, "AB"}, {1, ""}, {1, "nul"}, {1, "NULL"},
        {1, "NUL", "00", "NUL"}, {1, " ", "20", " "}, {1, "\xE4", "E4", "\xE4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + " \"" + c.typed + "\"");
        Start(c.mode);
        Commit(20, c.typed);
        const bool accepted = c.hex != nullptr;
        const std::string refusal = c.mode == 0 ? hexRefusal : asciiRefusal;
        EXPECT_EQ(view.messages.Texts(), accepted ? std::vector<std::string>{}
                                                  : std::vector<std::string>{refusal});
        EXPECT_EQ(model->Hex(20), accepted ? c.hex : input.hex[20]);
        EXPECT_EQ(model->Ascii(20), accepted ? c.ascii : input.ascii[20]);
        // A refused text stays in its field for mending.
        EXPECT_EQ(model->Shown(20), !accepted ? c.typed : c.mode == 0 ? c.hex : c.ascii);
        EXPECT_EQ(view.focus, std::vector<int>{21});
    }

    // Page 3's last byte moves on to page 4, the last byte wraps to the first,
    // and bytes outside pages 3-17 are not this dialog's.
    Start(0);
    for (int k : {23, 135, 15, 136}) Commit(k, "41");
    EXPECT_EQ(view.focus, (std::vector<int>{24, 16}));
}

TEST_F(Pages317ModelTest, SwitchingFormsConvertsEveryShownByteUnchecked) {
    Start(0);
    view.typed = {{16, "41"}, {17, "00"}, {18, "4g"}, {19, "414"}};
    model->SwitchToAscii();
    EXPECT_EQ(model->Shown(16) + model->Shown(17), "ANUL");
    EXPECT_EQ(model->Hex(18) + model->Ascii(18), "4g@");  // invalid, converted anyway
    EXPECT_EQ(model->Ascii(19), "\x04\x14");              // odd length: "0" in front
    EXPECT_EQ(model->Shown(135), input.ascii[135]);
    EXPECT_EQ(model->Hex(5), input.hex[5]);  // pages 1-2 untouched
    EXPECT_EQ(view.repaints, 1);
    EXPECT_TRUE(view.messages.Texts().empty());

    view.typed[20] = "AB";  // two characters: four HEX digits, unchecked
    model->SwitchToHex();
    EXPECT_EQ(model->Shown(16) + model->Shown(17) + model->Shown(20), "41004142");
    EXPECT_EQ(model->Ascii(17) + model->Ascii(20), "NULAB");
    EXPECT_EQ(model->Shown(135), input.hex[135]);
    model->SwitchToHex();  // already HEX: nothing converts
    EXPECT_EQ(view.repaints, 2);
}

TEST_F(Pages317ModelTest, OkHandsBackCommitsSwitchesAndBoxesButNotUncommittedEdits) {
    Start(0);
    view.typed[30] = "50";  // typed, never committed
    Commit(20, "7e");
    EXPECT_EQ(model->Shown(30), "50");  // still in its field
    for (int page : {3, 5, 9, 9, 2}) model->ToggleEdit(page);  // 5 was on; 2 is not ours
    for (int page : {17, 9, 18}) model->ToggleLock(page);      // 17 was on
    const Pages317Data out = model->Accept();
    std::array<bool, kPageCount> edit{}, lock{};
    edit[2] = lock[8] = true;
    EXPECT_EQ(out.editPage, edit);
    EXPECT_EQ(out.lockPage, lock);
    EXPECT_EQ(out.mode, 0);
    Pages317Data expected = input;
    expected.hex[20] = "7E";
    expected.ascii[20] = "~";
    EXPECT_EQ(out.hex, expected.hex);
    EXPECT_EQ(out.ascii, expected.ascii);

    // After a switch the uncommitted text did change form and goes back.
    Start(1);
    view.typed[30] = "x";
    model->SwitchToHex();
    const Pages317Data switched = model->Accept();
    EXPECT_EQ(switched.mode, 0);
    EXPECT_EQ(switched.ascii[30] + switched.hex[30], "x78");
}

}  // namespace
}  // namespace tagwright::test
