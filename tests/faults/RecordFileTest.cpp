// The record file and the carrier ID list shared by stations on one host,
// as forked processes taking IDs as fast as they can: no row whose append
// reported success is ever lost. (A damaged or foreign record file and a
// full disk: the station scenarios (tests/e2e/StationScenarios.cpp).)

#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <string>

#include "StationRig.h"

namespace tagwright::test {
namespace {

bool WellFormed(const std::string& bytes) {
    xmlDocPtr doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "r.xml", nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    xmlFreeDoc(doc);
    return doc != nullptr;
}

// Page 1's HEX text for a carrier ID of up to eight digits at byte 0.
std::string Page1Of(const std::string& digits) {
    std::string hex;
    for (std::size_t k = 0; k < 8; ++k) {
        hex += k < digits.size() ? "3" + digits.substr(k, 1) + " " : "46 ";
    }
    return hex.substr(0, hex.size() - 1);
}

// Two stations on one host take their carrier IDs from one list and append
// their rows to one record file, each on its own Reader, until the list is
// used up: no entry is programmed twice, no row is lost.
TEST(SharedFileFaults, TwoStationsSharingOneListAndOneRecordFileLoseNothing) {
    constexpr int kEntries = 800;
    TempDir shared;
    std::string text = "Carrier ID;done;\r\n";
    for (int id = 1001; id <= 1000 + kEntries; ++id) text += std::to_string(id) + ";\r\n";
    const fs::path list = shared.Write("ids.csv", text), record = shared / "record.xml";
    ASSERT_TRUE(RunStations(2, [&](int) {
        StationRig rig;
        ParameterSet set = ListSet(rig.dir.Path(), list);
        set.logFileName = record.string();
        rig.Start(set);
        for (int i = 0; i <= kEntries && rig.Told().empty(); ++i) rig.PressOne();
        return rig.Told().size() == 2 && rig.Told().back() == kMaximumReachedMessage;
    }));
    EXPECT_EQ(Occurrences(ReadBytes(list), ";X;"), static_cast<std::size_t>(kEntries));
    const std::string bytes = ReadBytes(record);
    EXPECT_TRUE(WellFormed(bytes));
    int notOnce = 0;
    for (int id = 1001; id <= 1000 + kEntries; ++id) {
        notOnce += Occurrences(bytes, Page1Of(std::to_string(id))) != 1;
    }
    EXPECT_EQ(notOnce, 0);
    // The first row of each station brings its parameter block.
    EXPECT_EQ(ReadRowCount(record), kEntries + 2 * 20);
}

}  // namespace
}  // namespace tagwright::test
