// The carrier ID list shared by stations or edited by hand: no entry is
// programmed twice, no refused character reaches a transponder, and a path
// that names no file never stops the window.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <set>
#include <string>

#include "Processes.h"
#include "StationRig.h"

namespace tagwright::test {
namespace {

namespace fs = std::filesystem;

const std::string kHeader = "Carrier ID;done;\r\n";

// A list set: four-character carrier IDs from the list file at byte 0.
ParameterSet ListSet(const fs::path& dir, const fs::path& list) {
    ParameterSet set = CounterSet(dir);
    set.useDecimalCounter = false;
    set.useCsvFile = true;
    set.csvFileName = list.string();
    set.carrierIdLength = "4";
    return set;
}

std::string Entries(int first, int count) {
    std::string text = kHeader;
    for (int id = first; id < first + count; ++id) {
        std::string digits = std::to_string(id);
        text += std::string(4 - digits.size(), '0') + digits + ";\r\n";
    }
    return text;
}

// The carrier ID on the transponder now: the first four bytes of page 1.
std::string IdOnTag(const StationRig& rig) {
    const sim::Transponder tag = rig.Tag();
    const auto& page = tag.pages[0];
    return std::string(page.begin(), page.begin() + 4);
}

TEST(ListFileFaults, TwoStationsSharingOneListNeverProgramTheSameEntry) {
    constexpr int kEntries = 30;
    TempDir shared;
    const fs::path list = shared.Write("ids.csv", Entries(1, kEntries));
    // Each station notes the IDs its transponders got, until the list is used up.
    const bool ran = RunStations(2, [&](int child) {
        StationRig rig;
        rig.Start(ListSet(rig.dir.Path(), list));
        std::ofstream used(shared / ("used" + std::to_string(child)));
        for (int i = 0; i <= kEntries; ++i) {
            rig.PressOne();
            if (!rig.Told().empty()) break;
            used << IdOnTag(rig) << "\n";
        }
        return rig.Told().size() == 2 && rig.Told().back() == kMaximumReachedMessage;
    });
    ASSERT_TRUE(ran);
    std::multiset<std::string> programmed;
    for (int child = 0; child < 2; ++child) {
        std::ifstream in(shared / ("used" + std::to_string(child)));
        for (std::string id; std::getline(in, id);) programmed.insert(id);
    }
    EXPECT_EQ(programmed.size(), static_cast<std::size_t>(kEntries));
    for (const std::string& id : programmed) EXPECT_EQ(programmed.count(id), 1u) << id;
    const std::string marked = ReadBytes(list);
    EXPECT_EQ(Occurrences(marked, ";X;"), static_cast<std::size_t>(kEntries));
}

TEST(ListFileFaults, IdsWithControlOrMarkupCharactersAreRefusedNamingTheLine) {
    const std::string refusal =
        "The carrier ID in line 3 of the carrier ID list file holds a character that a carrier "
        "ID must not hold (a control character, a blank, a byte above 0x7E, or one of < > & \" ').";
    for (const std::string id : {"00\t1", "00\x01" "1", "00\x7F" "1", "00\xC4" "1", "00<1", "00&1"}) {
        SCOPED_TRACE(id);
        StationRig rig;
        const std::string text = kHeader + "0000;X;\r\n" + id + ";\r\n0002;\r\n";
        const fs::path list = rig.dir.Write("ids.csv", text);
        rig.Start(ListSet(rig.dir.Path(), list));
        const sim::Transponder before = rig.Tag();
        rig.PressOne();
        EXPECT_EQ(rig.Told(), (std::vector<std::string>{
                                  std::string(kWrongListFormatMessage) + "\r\n" + refusal,
                                  kMaximumReachedMessage}));
        EXPECT_TRUE(rig.sim.CommandLog().empty());
        EXPECT_EQ(rig.Tag().pages, before.pages);
        EXPECT_EQ(ReadBytes(list), text);
        EXPECT_EQ(rig.Record(), "");
    }
}

TEST(ListFileFaults, AnEmptyFirstLineAfterTheHeaderIsSkipped) {
    StationRig rig;
    const fs::path list = rig.dir.Write("ids.csv", kHeader + "\r\n\r\n0001;\r\n0002;\r\n");
    rig.Start(ListSet(rig.dir.Path(), list));
    rig.PressOne();
    EXPECT_EQ(rig.Told(), std::vector<std::string>{});
    EXPECT_EQ(IdOnTag(rig), "0001");
    EXPECT_EQ(ReadBytes(list), kHeader + "\r\n\r\n0001;X;\r\n0002;\r\n");
    EXPECT_EQ(rig.Rows(), 21);
}

// A pipe nobody writes to would block a read for ever; /dev/zero never ends.
TEST(ListFileFaults, AListPathNamingAFifoOrADeviceIsRefusedWithoutBlocking) {
    TempDir other;
    const fs::path fifo = other / "ids.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const fs::path& list : {fifo, fs::path("/dev/zero")}) {
        SCOPED_TRACE(list);
        StationRig rig;
        rig.Start(ListSet(rig.dir.Path(), list));
        rig.PressOne();
        ASSERT_EQ(rig.Told().size(), 2u);
        EXPECT_EQ(rig.Told()[0].rfind(std::string(kWrongListFormatMessage) + "\r\n", 0), 0u);
        EXPECT_NE(rig.Told()[0].find(list.string()), std::string::npos) << rig.Told()[0];
        EXPECT_TRUE(rig.sim.CommandLog().empty());
        EXPECT_EQ(rig.Record(), "");
    }
}

}  // namespace
}  // namespace tagwright::test
