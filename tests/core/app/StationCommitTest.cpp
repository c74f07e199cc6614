#include <gtest/gtest.h>

#include "core/app/Station.h"
#include "core/app/WindowCommands.h"
#include "AppRig.h"

namespace tagwright::test {
namespace {

using Kind = ViewEvent::Kind;
using Colours = std::vector<Rgb>;

class StationCommit : public ::testing::Test, protected PlainStation {};

TEST_F(StationCommit, ValidTextsAreReshapedStoredInBothFormsAndTurnGreen) {
    const std::tuple<PageFormat, const char*, const char*, const char*> cases[] = {
        // format, typed, hex form, ASCII form (which the field shows after an ASCII commit)
        {PageFormat::Ascii, "ABCDEFGH", "41 42 43 44 45 46 47 48", "A B C D E F G H"},
        {PageFormat::Hex, "4142434445464748", "41 42 43 44 45 46 47 48", "A B C D E F G H"},
        // As a read of a page holding 0x00 and 0x20 shows it: written back unchanged.
        {PageFormat::Ascii, "A NUL C D E F G H", "41 00 43 44 45 46 47 48", "A NUL C D E F G H"},
    };
    // Page 5 is another's: never touched, never redrawn.
    station.image.FieldText(5) = "untouched";
    station.window.SetBackground(PageField(5), colour::Red, false);
    for (const auto& [format, typed, hex, ascii] : cases) {
        SCOPED_TRACE(typed);
        view.ClearRecord();
        station.image.format = format;
        view.Type(4, typed);
        EXPECT_TRUE(CommitPageText(station, 4));
        EXPECT_EQ(station.image.hexText[3] + "|" + station.image.asciiText[3],
                  std::string(hex) + "|" + ascii);
        EXPECT_TRUE(station.image.pageCommitted && view.messages.Shown().empty());
        EXPECT_EQ(view.Backgrounds(PageField(4)), (Colours{colour::White, colour::Green}));
        ASSERT_EQ(view.shownPages.size(), 1u);  // the reshaped text is shown
        EXPECT_EQ(view.shownPages[0][3], format == PageFormat::Hex ? hex : ascii);
        EXPECT_EQ(view.shownPages[0][4], "untouched");
        EXPECT_TRUE(view.Backgrounds(PageField(5)).empty());
    }
    EXPECT_FALSE(CommitPageText(station, 0) || CommitPageText(station, 18));
}

TEST_F(StationCommit, InvalidTextTurnsRedAndTellsOnceBetweenOneTakeAndOneShow) {
    station.image.format = PageFormat::Hex;
    view.Type(3, "41 42 43 44 45 46 47 4g");
    EXPECT_FALSE(CommitPageText(station, 3));
    EXPECT_EQ(view.Kinds(), (std::vector<Kind>{Kind::Take, Kind::Redraw, Kind::Redraw,
                                               Kind::Message, Kind::Show}));
    EXPECT_EQ(view.Backgrounds(PageField(3)), (Colours{colour::White, colour::Red}));
    EXPECT_EQ(view.messages.Texts().at(0), PageCodec::PageTextMessage(3, PageFormat::Hex));
    // Kept, with both forms, for the operator to mend.
    EXPECT_EQ(station.image.hexText[2] + "|" + station.image.asciiText[2],
              "41 42 43 44 45 46 47 4g|A B C D E F G @");
    EXPECT_TRUE(station.image.pageCommitted);

    for (PageFormat f : {PageFormat::Hex, PageFormat::Ascii}) {  // an emptied field too
        view.ClearRecord();
        station.image.format = f;
        station.image.FieldText(1) = "41";
        view.Type(1, "");
        EXPECT_FALSE(CommitPageText(station, 1));
        EXPECT_EQ(station.window.Control(PageField(1)).background, colour::Red);
        EXPECT_EQ(view.messages.Texts(), std::vector<std::string>{PageCodec::PageTextMessage(1, f)});
    }
}

}  // namespace
}  // namespace tagwright::test
