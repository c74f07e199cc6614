// The carrier ID list edited by hand: no refused character reaches a
// transponder, and a path that names no file never stops the window.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "StationRig.h"

namespace tagwright::test {
namespace {

const std::string kHeader = "Carrier ID;done;\r\n";

// The carrier ID on the transponder now: the first four bytes of page 1.
std::string IdOnTag(const StationRig& rig) {
    const auto page = rig.sim.GetTransponder().pages[0];
    return std::string(page.begin(), page.begin() + 4);
}

TEST(ListFileFaults, AListEditedByHandOrNamingNoFileNeverStopsTheStation) {
    const std::string refusal =
        "The carrier ID in line 3 of the carrier ID list file holds a character that a carrier "
        "ID must not hold (a control character, a blank, a byte above 0x7E, or one of < > & \" ').";
    TempDir other;
    const fs::path fifo = other / "ids.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case { std::string text; fs::path path; std::string told; };  // no told: programmed
    const Case cases[] = {
        {kHeader + "0000;X;\r\n00\t1;\r\n0002;\r\n", {}, refusal},
        {kHeader + "0000;X;\r\n00<1;\r\n0002;\r\n", {}, refusal},
        // A pipe nobody writes to would block a read for ever; /dev/zero never ends.
        {"", fifo, fifo.string()},
        {"", "/dev/zero", "/dev/zero"},
        {kHeader + "\r\n\r\n0001;\r\n0002;\r\n", {}, ""},  // empty lines are skipped
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + c.path.string());
        StationRig rig;
        const fs::path list = c.path.empty() ? rig.dir.Write("ids.csv", c.text) : c.path;
        rig.Start(ListSet(rig.dir.Path(), list));
        rig.PressOne();
        if (c.told.empty()) {
            EXPECT_EQ(rig.Told(), Texts{});
            EXPECT_EQ(IdOnTag(rig), "0001");
            EXPECT_EQ(ReadBytes(list), kHeader + "\r\n\r\n0001;X;\r\n0002;\r\n");
            continue;
        }
        const std::string wrong = std::string(kWrongListFormatMessage) + "\r\n";
        ASSERT_EQ(rig.Told().size(), 2u);
        EXPECT_EQ(rig.Told()[0].rfind(wrong, 0), 0u);
        EXPECT_NE(rig.Told()[0].find(c.told), std::string::npos) << rig.Told()[0];
        EXPECT_EQ(rig.Told()[1], kMaximumReachedMessage);
        EXPECT_TRUE(rig.sim.CommandLog().empty());
        EXPECT_EQ(rig.Record(), "");
        if (c.path.empty()) {
            EXPECT_EQ(rig.Told()[0], wrong + refusal);
            EXPECT_EQ(ReadBytes(list), c.text);
        }
    }
}

}  // namespace
}  // namespace tagwright::test
