#include <gtest/gtest.h>

#include <string>

#include "core/app/WindowCommands.h"
#include "core/config/SetStore.h"
#include "AppRig.h"

namespace tagwright::test {
namespace {

// A station started on a hand-edited counter set.
struct StartedStation : PlainStation {
    void StartWith(const std::string& offset, const std::string& length) {
        dir.Write("Tagwright.ini",
                  "[Auto]\r\nSelectConfig=1\r\nPruefablauf_ist=Line\r\nPruefablaeufe=1\r\n"
                  "Pruefablauf_0=Line\r\nCarrier ID Max=999\r\n");
        ParameterSet set;
        for (std::size_t k = 0; k < kImageBytes; ++k) set.hex[k] = "46";
        DeriveAsciiTexts(set);
        set.useDecimalCounter = set.typeTI = set.logEnabled = true;
        set.carrierIdOffset = offset;
        set.carrierIdLength = length;
        set.carrierId = "7";
        set.logFileName = (dir / "record.xml").string();
        NameList names;
        RecordingMessageView quiet;
        ASSERT_EQ(SaveSet(dir.Path(), "Line", set, names, quiet), SaveSetResult::Saved);
        StartUp(station);
    }
    std::vector<std::string> Told() const { return view.messages.Texts(); }
};

// That no cycle runs with such a set is a fault scenario of its own; how
// each value is cut is the set's own rule.
TEST(SetAtLoad, OnlyALayoutThatDoesNotFitTheAreaIsToldAtStart) {
    const std::string head = "Carrier ID Offset + Carrier ID Length must be under 16.\r\n"
                             "The parameter set holds ";
    const std::string tail = ".\r\nNothing is programmed with it: mend it in the Config dialog.";
    struct Case { const char* offset; const char* length; std::string named; };
    const Case cases[] = {
        {"10", "10", "Carrier ID Length \"10\" does not fit, \"6\" would"},
        {"17", "3",
         "Carrier ID Offset \"17\" does not fit, \"16\" would; "
         "Carrier ID Length \"3\" does not fit, \"0\" would"},
        {"13", "3", ""},  // fits, up to the area's end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.offset) + "+" + c.length);
        StartedStation s;
        s.StartWith(c.offset, c.length);
        if (c.named.empty()) {
            for (const std::string& told : s.Told()) {
                EXPECT_EQ(told.find("Carrier ID Offset"), std::string::npos) << told;
            }
            continue;
        }
        ASSERT_FALSE(s.Told().empty());
        EXPECT_EQ(s.Told().back(), head + c.named + tail);
    }
}

}  // namespace
}  // namespace tagwright::test
