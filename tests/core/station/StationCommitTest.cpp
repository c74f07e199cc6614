#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "station/Station.h"
#include "support/FakeClock.h"
#include "support/RecordingMainView.h"

namespace tagwright::test {
namespace {

using Kind = ViewEvent::Kind;

class StationCommit : public ::testing::Test {
protected:
    StationCommit() { view.Attach(station); }

    RecordingMainView view;
    FakeClock clock;
    Station station{view, clock};
};

TEST_F(StationCommit, ValidTextsAreReshapedStoredInBothFormsAndTurnGreen) {
    struct Case {
        PageFormat format;
        std::string typed, field, hex, ascii;
    };
    const Case cases[] = {
        {PageFormat::Ascii, "ABCDEFGH", "A B C D E F G H", "41 42 43 44 45 46 47 48",
         "A B C D E F G H"},
        {PageFormat::Hex, "4142434445464748", "41 42 43 44 45 46 47 48",
         "41 42 43 44 45 46 47 48", "A B C D E F G H"},
        // As a read of a page holding 0x00 and 0x20 shows it: written back unchanged.
        {PageFormat::Ascii, "A NUL C D E F G H", "A NUL C D E F G H", "41 00 43 44 45 46 47 48",
         "A NUL C D E F G H"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        view.ClearRecord();
        station.image.format = c.format;
        view.Type(4, c.typed);
        EXPECT_TRUE(station.CommitPageText(4));
        EXPECT_EQ(station.image.FieldText(4), c.field);
        EXPECT_EQ(station.image.hexText[3], c.hex);
        EXPECT_EQ(station.image.asciiText[3], c.ascii);
        EXPECT_TRUE(station.image.pageCommitted);
        EXPECT_EQ(view.Backgrounds(PageField(4)), (std::vector<Rgb>{colour::White, colour::Green}));
        EXPECT_TRUE(view.messages.Shown().empty());
        ASSERT_EQ(view.shownPages.size(), 1u);
        EXPECT_EQ(view.shownPages[0][3], c.field);
    }
}

TEST_F(StationCommit, InvalidTextTurnsRedAndTellsOnceAfterShowingIt) {
    station.image.format = PageFormat::Hex;
    view.Type(3, "41 42 43 44 45 46 47 4g");
    EXPECT_FALSE(station.CommitPageText(3));

    EXPECT_EQ(view.Kinds(), (std::vector<Kind>{Kind::Take, Kind::Redraw, Kind::Show, Kind::Redraw,
                                               Kind::Message}));
    EXPECT_EQ(view.Backgrounds(PageField(3)), (std::vector<Rgb>{colour::White, colour::Red}));
    ASSERT_EQ(view.messages.Shown().size(), 1u);
    const MessageRequest& m = view.messages.Shown()[0];
    EXPECT_EQ(m.text, PageCodec::PageTextMessage(3, PageFormat::Hex));
    EXPECT_EQ(m.caption, "");  // the application's name
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
    // Kept, with both forms, for the operator to mend.
    EXPECT_EQ(station.image.hexText[2], "41 42 43 44 45 46 47 4g");
    EXPECT_EQ(station.image.asciiText[2], "A B C D E F G @");
    EXPECT_TRUE(station.image.pageCommitted);
}

TEST_F(StationCommit, EmptyFieldIsRedInEitherFormat) {
    for (PageFormat f : {PageFormat::Hex, PageFormat::Ascii}) {
        view.ClearRecord();
        station.image.format = f;
        station.image.FieldText(1) = "41";
        view.Type(1, "");  // the operator cleared the field before pressing Enter
        EXPECT_FALSE(station.CommitPageText(1));
            EXPECT_EQ(station.Control(PageField(1)).background, colour::Red);
        EXPECT_EQ(view.messages.Texts(), std::vector<std::string>{PageCodec::PageTextMessage(1, f)});
    }
}

TEST_F(StationCommit, CommitTouchesOnlyItsOwnPage) {
    station.image.format = PageFormat::Ascii;
    station.image.FieldText(2) = "untouched";
    station.SetBackground(PageField(2), colour::Red, false);
    EXPECT_TRUE(view.events.empty());  // stored, not redrawn
    view.Type(1, "ABCDEFGH");
    station.CommitPageText(1);
    EXPECT_EQ(station.image.FieldText(2), "untouched");
    EXPECT_EQ(station.Control(PageField(2)).background, colour::Red);
    EXPECT_FALSE(station.CommitPageText(0));
    EXPECT_FALSE(station.CommitPageText(18));
}

TEST_F(StationCommit, SwitchingFormatConvertsEveryPageAndEndsFocusOnPage17) {
    station.image.format = PageFormat::Hex;
    for (int p = 1; p <= kPageCount; ++p) station.image.FieldText(p) = "41 42 00 44 20 46 47 48";
    station.image.FieldText(5) = "4 1 42 43 44 45 46 47 48";  // uncommitted, badly grouped
    station.SetBackground(PageField(5), colour::Red);
    view.ClearRecord();

    station.SetPageFormat(PageFormat::Ascii);
    EXPECT_EQ(station.image.format, PageFormat::Ascii);
    EXPECT_EQ(station.image.FieldText(1), "A B NUL D   F G H");
    EXPECT_EQ(station.image.asciiText[0], "A B NUL D   F G H");
    EXPECT_EQ(station.image.FieldText(5), "\x04 \x01 B C D E F G H");
    EXPECT_EQ(station.Control(PageField(5)).background, colour::Red);  // no check on a switch
    EXPECT_TRUE(view.messages.Shown().empty());
    std::vector<MainControl> trail;
    for (int p = 1; p <= kPageCount; ++p) trail.push_back(PageField(p));
    EXPECT_EQ(view.FocusTrail(), trail);
    EXPECT_EQ(station.Focus(), PageField(17));
    ASSERT_EQ(view.shownPages.size(), 17u);
    for (int p = 1; p <= kPageCount; ++p) {
        EXPECT_EQ(view.shownPages[p - 1][p - 1], station.image.FieldText(p)) << p;
    }
    for (const auto& e : view.events) EXPECT_NE(e.kind, Kind::Redraw);

    // Back to Hex: the ASCII field text is kept as it stood, the HEX form derived.
    station.image.FieldText(2) = "ABCDEFGH";
    station.SetPageFormat(PageFormat::Hex);
    EXPECT_EQ(station.image.FieldText(2), "41");
    EXPECT_EQ(station.image.asciiText[1], "ABCDEFGH");
    EXPECT_EQ(station.image.FieldText(5), "04 01 42 43 44 45 46 47");
}

TEST_F(StationCommit, ChoosingTheCurrentFormatChangesNothing) {
    station.image.format = PageFormat::Ascii;
    station.image.FieldText(3) = "ABCDEFGH";
    station.SetPageFormat(PageFormat::Ascii);
    EXPECT_EQ(station.image.FieldText(3), "ABCDEFGH");
    EXPECT_EQ(station.image.hexText[2], "");
    EXPECT_TRUE(view.events.empty());
}

TEST(TransponderImage, DerivesTheOtherFormFromStoredFieldTexts) {
    TransponderImage image;
    image.FieldText(17) = "zz";
    image.DeriveFormsFromFieldTexts();
    EXPECT_EQ(image.hexText[16], "zz");
    EXPECT_EQ(image.asciiText[16], "3");
    image.format = PageFormat::Ascii;
    image.FieldText(1) = "A NUL";
    image.DeriveFormsFromFieldTexts();
    EXPECT_EQ(image.asciiText[0], "A NUL");
    EXPECT_EQ(image.hexText[0], "41 00");
}

}  // namespace
}  // namespace tagwright::test
