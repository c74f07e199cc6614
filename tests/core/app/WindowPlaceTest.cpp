// The main window's place in the settings file: read back as written, and a
// damaged section is not taken.

#include <gtest/gtest.h>

#include "core/app/WindowPlace.h"

namespace tagwright::test {
namespace {

TEST(WindowPlaceTest, RoundTripAndDamagedSections) {
    IniFile file = IniFile::Parse("");
    EXPECT_FALSE(LoadWindowPlace(file).known);
    SaveWindowPlace(file, {});
    EXPECT_EQ(file.Get(kWindowPlaceSection, "Left"), "");

    const WindowPlace place{true, -12, 40, 799, 461};
    SaveWindowPlace(file, place);
    EXPECT_EQ(LoadWindowPlace(file), place);

    struct Case {
        const char* key;
        const char* value;
    };
    for (const Case& c : {Case{"Width", "0"}, Case{"Height", "-3"}, Case{"Left", "12px"},
                          Case{"Top", ""}, Case{"Width", "x"}}) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        IniFile damaged = file;
        damaged.Set(kWindowPlaceSection, c.key, c.value);
        EXPECT_FALSE(LoadWindowPlace(damaged).known);
    }
}

}  // namespace
}  // namespace tagwright::test
