#include <gtest/gtest.h>

#include "core/config/SetStore.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

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

TEST(SetCarrierId, ChangesOnlyThatKey) {
    struct Case {
        const char* name;
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"hand-written file keeps every other byte", kHandWritten,
         "; counter set\n[Work order Setup]\r\nPart number = PN-7 \r\n"
         "[semi e99 carrier id setup]\nCarrier ID Offset=0\ncarrier id=42\n"
         "Lock Carrier ID=1\n[Log]\r\nExtra=kept"},
        {"key on the last line without a line end",
         "[SEMI E99 Carrier ID Setup]\r\nCarrier ID=7", "[SEMI E99 Carrier ID Setup]\r\nCarrier ID=42"},
        {"missing key is added to its section",
         "[SEMI E99 Carrier ID Setup]\r\nCarrier ID Length=4\r\n[Log]\r\n",
         "[SEMI E99 Carrier ID Setup]\r\nCarrier ID Length=4\r\nCarrier ID=42\r\n[Log]\r\n"},
        {"missing file gets the one key", "", "[SEMI E99 Carrier ID Setup]\r\nCarrier ID=42\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (!c.before.empty()) dir.Write("Line 1.ini", c.before);
        std::string error;
        EXPECT_TRUE(WriteSetCarrierId(dir.Path(), "Line 1", "42", &error)) << error;
        EXPECT_EQ(dir.Read("Line 1.ini"), c.after);
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
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2)
        << "the temporary file is removed";

    error.clear();
    EXPECT_FALSE(WriteSetCarrierId(dir / "not a directory", "Line 1", "42", &error));
    EXPECT_NE(error.find("Not a directory"), std::string::npos) << error;

    error.clear();
    EXPECT_FALSE(WriteSetCarrierId(dir.Path(), "../Line 1", "42", &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace tagwright::test
