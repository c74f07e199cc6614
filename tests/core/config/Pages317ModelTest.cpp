#include <gtest/gtest.h>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/domain/ByteText.h"
#include "core/config/Pages317Model.h"
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
    void RepaintWindow() override {}
    MsgAnswer ShowMessage(const MessageRequest& r) override { return messages.Show(r); }

    Pages317Model* model = nullptr;
    std::map<int, std::string> typed;
    std::vector<int> focus;
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
        {0, "041"}, {0, "00", "00", "NUL"}, {0, "7e", "7E", "~"},
        {1, "AB"}, {1, "nul"}, {1, "NUL", "00", "NUL"}, {1, "\xE4", "E4", "\xE4"},
        // Both forms take every byte, control bytes included.
        {0, "1f", "1F", "\x1F"}, {1, "\x1F", "1F", "\x1F"}, {0, "7F", "7F", "\x7F"},
        {1, "\x7F", "7F", "\x7F"}, {0, "9b", "9B", "\x9B"}, {1, "\x9B", "9B", "\x9B"},
        {0, "E4", "E4", "\xE4"},
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
    view.typed = {{17, "00"}, {18, "4g"}, {19, "414"}};
    model->SwitchToAscii();
    EXPECT_EQ(model->Shown(17), "NUL");
    EXPECT_EQ(model->Hex(18) + model->Ascii(18), "4g@");  // invalid, converted anyway
    EXPECT_EQ(model->Ascii(19), "\x04\x14");              // odd length: "0" in front
    EXPECT_EQ(model->Hex(5), input.hex[5]);  // pages 1-2 untouched
    view.typed[20] = "AB";  // two characters: four HEX digits, unchecked
    model->SwitchToHex();
    EXPECT_EQ(model->Shown(17) + model->Shown(20), "004142");
}

TEST_F(Pages317ModelTest, OkHandsBackOnlyThisDialogsBoxesAndSwitchedTexts) {
    Start(0);
    for (int page : {3, 5, 9, 9, 2}) model->ToggleEdit(page);  // 5 was on; 2 is not ours
    for (int page : {17, 9, 18}) model->ToggleLock(page);      // 17 was on
    const Pages317Data out = model->Accept();
    std::array<bool, kPageCount> edit{}, lock{};
    edit[2] = lock[8] = true;
    EXPECT_EQ(out.editPage, edit);
    EXPECT_EQ(out.lockPage, lock);

    // After a switch the uncommitted text did change form and goes back.
    Start(1);
    view.typed[30] = "x";
    model->SwitchToHex();
    const Pages317Data switched = model->Accept();
    EXPECT_EQ(switched.mode, 0);
    EXPECT_EQ(switched.ascii[30] + switched.hex[30], "x78");
}

TEST(ByteText, ConversionsFollowTheByteTextRulesAndEveryByteRoundTrips) {
    using P = std::pair<std::string, std::string>;
    for (const P& c : {P{"NUL", "00"}, P{"\xE4", "E4"}, P{"NULL", "4E554C4C"}}) {
        EXPECT_EQ(ByteText::AsciiToHex(c.first), c.second) << c.first;
    }
    // One byte: the first two characters, "0" in front of a shorter text.
    for (const P& c : {P{"4a", "J"}, P{"A", "\x0A"}, P{"", "NUL"}, P{"4A7", "J"}, P{"G1", "\x01"}}) {
        EXPECT_EQ(ByteText::HexToAsciiByte(c.first), c.second) << c.first;
    }
    // Several bytes: an odd text gets its "0" at the front, not the back.
    EXPECT_EQ(ByteText::HexToAscii("14243") + ByteText::HexToAscii("4100"), "\x01" "BCANUL");
    for (int b = 0; b < 256; ++b) {
        const std::string ascii = ByteText::ByteToAscii(static_cast<unsigned char>(b));
        EXPECT_EQ(ByteText::HexToAsciiByte(ByteText::AsciiToHex(ascii)), ascii) << b;
    }
}

}  // namespace
}  // namespace tagwright::test
