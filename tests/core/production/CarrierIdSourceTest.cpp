#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "core/config/ParameterSet.h"
#include "core/production/CarrierIdSource.h"
#include "core/app/Station.h"
#include "support/FakeClock.h"
#include "support/FileSizeLimit.h"
#include "support/RecordingMainView.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

using Texts = std::vector<std::string>;
constexpr char kFixed[] = "46 46 46 46 46 46 46 46";  // the set's fixed bytes, "F"
const std::string kHeader = "Carrier ID;done;\r\n";

class CarrierIdTest : public ::testing::Test {
protected:
    CarrierIdTest() {
        view.Attach(station);
        ResetSet();
        set().carrierIdOffset = "0";
        set().carrierIdLength = "4";
    }
    ParameterSet& set() { return station.currentSet; }
    void ResetSet() {
        for (std::size_t k = 0; k < kImageBytes; ++k) set().hex[k] = k < 16 ? "46" : "2D";
        DeriveAsciiTexts(set());
        for (int p = 1; p <= 2; ++p) station.image.FieldText(p) = kFixed;
    }
    // The carrier ID area's byte texts, flagged when a byte beyond it changed.
    std::string AreaHex() const {
        std::string out;
        const ParameterSet& s = station.currentSet;
        for (std::size_t k = 0; k < 16; ++k) out += (k ? " " : "") + s.hex[k];
        for (std::size_t k = 16; k < kImageBytes; ++k) {
            if (s.hex[k] != "2D" || s.ascii[k] != "-") return out + " and beyond";
        }
        return out;
    }
    void List(const std::string& name, std::string_view bytes) {
        set().csvFileName = dir.Write(name, bytes).string();
    }

    TempDir dir;
    FakeClock clock;
    RecordingMainView view;
    Station station{view, clock};
};

TEST_F(CarrierIdTest, NextAndMaxFieldsStepWithWrapAndClampWhenLeft) {
    // length, value, delta (> 0 is the down arrow; 99: the field is left), result
    const std::tuple<const char*, const char*, int, const char*> cases[] = {
        {"4", "9999", -1, "0"}, {"4", "0", 1, "9999"}, {"4", "007", 99, "7"},
        {"4", "-1", 99, "9999"}, {"0", "5", 99, "0"},
        {"25", "99999999999999999999", 99, "18446744073709551615"},  // the limit never wraps
    };
    for (const auto& [length, value, delta, expected] : cases) {
        set().carrierIdLength = length;
        station.nextFieldText = value;
        delta == 99 ? CommitNext(station) : StepNext(station, delta);
        EXPECT_EQ(station.currentCarrierId + "|" + station.nextFieldText,
                  std::string(expected) + "|" + expected)
            << length << " " << value << " " << delta;
    }
    ResetSet();
    set().carrierIdLength = "4";
    station.nextFieldText = "41";
    StepNext(station, -1);
    EXPECT_EQ(station.image.FieldText(1), "30 30 34 32 46 46 46 46");

    // The max field keeps the same rules, but leaves the ID alone and composes nothing.
    station.image.FieldText(1) = kFixed;
    station.settings.carrierIdMax = "-1";
    CommitMax(station);
    EXPECT_EQ(station.settings.carrierIdMax, "9999");
    EXPECT_EQ(station.currentCarrierId, "42");
    EXPECT_EQ(station.image.FieldText(1), kFixed);
}

TEST_F(CarrierIdTest, ComposeWritesOnlyTheCarrierIdBytesWhateverTheSetFileSays) {
    struct Case {
        PageFormat format;
        const char *offset, *length, *id, *area, *page2;
    };
    const char* untouched = "46 46 46 46 46 46 46 46 46 46 46 46 46 46 46 46";
    const Case cases[] = {
        {PageFormat::Hex, "4", "8", "42", "46 46 46 46 30 30 30 30 30 30 34 32 46 46 46 46",
         "30 30 34 32 46 46 46 46"},
        {PageFormat::Ascii, "0", "10", "42", "30 30 30 30 30 30 30 30 34 32 46 46 46 46 46 46",
         "4 2 F F F F F F"},
        // Hand-edited layouts reaching out of the area.
        {PageFormat::Hex, "-2", "8", "12345678", "33 34 35 36 37 38 46 46 46 46 46 46 46 46 46 46",
         kFixed},
        {PageFormat::Hex, "12", "8", "12345678", "46 46 46 46 46 46 46 46 46 46 46 46 31 32 33 34",
         "46 46 46 46 31 32 33 34"},
        {PageFormat::Hex, "0", "2000000000", "1", "30 30 30 30 30 30 30 30 30 30 30 30 30 30 30 30",
         "30 30 30 30 30 30 30 30"},
        {PageFormat::Hex, "-2147483648", "2147483647", "5", untouched, kFixed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.offset) + "/" + c.length);
        ResetSet();
        station.image.format = c.format;
        set().carrierIdOffset = c.offset;
        set().carrierIdLength = c.length;
        station.currentCarrierId = c.id;
        ComposeDataSet(station);
        EXPECT_EQ(AreaHex(), c.area);
        EXPECT_EQ(station.image.FieldText(2), c.page2);
        // Marking reads the same bytes back, and only those.
        List("ids.csv", kHeader);
        CurrentDataSetProcessed(station);
        EXPECT_EQ(dir.Read("ids.csv"), kHeader);
    }
}

TEST_F(CarrierIdTest, CounterRefusesValuesAboveLimitOrMaxAndAdvancesFromThePreparedValue) {
    set().carrierIdLength = "3";
    station.settings.carrierIdMax = station.currentCarrierId = "7";
    std::uint64_t value = 0;
    ASSERT_TRUE(PrepareCounterDataSet(station, value));
    EXPECT_EQ(station.image.FieldText(1), "30 30 37 46 46 46 46 46");
    station.currentCarrierId = "3";  // the operator spun the field meanwhile
    AdvanceCounter(station, value);
    EXPECT_EQ(station.nextFieldText, "8");

    station.image.FieldText(1) = kFixed;
    EXPECT_FALSE(PrepareCounterDataSet(station, value));
    EXPECT_EQ(view.messages.Texts(), Texts{"Maximum Carrier ID reached."});
    EXPECT_EQ(station.image.FieldText(1), kFixed);  // nothing composed

    // length, max, current: allowed?
    const std::tuple<const char*, const char*, const char*, bool> cases[] = {
        {"4", "", "1", false}, {"2", "500", "100", false}, {"2", "500", "99", true},
    };
    for (const auto& [length, max, current, allowed] : cases) {
        set().carrierIdLength = length;
        station.settings.carrierIdMax = max;
        station.currentCarrierId = current;
        EXPECT_EQ(PrepareCounterDataSet(station, value), allowed) << length << max << current;
    }
}

TEST(CarrierIdList, ScanFindsTheFirstOpenEntryBeforeAnEmptyLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"Carrier ID;done;\r\n0001;X;\r\n0002;;\r\n0003;;\r\n", "0002"},
        {"done;Carrier ID;\r0001;X;\n0002;", "0002"},          // lone CR and LF, no last end
        {"Carrier ID;\r\n0001;;\r\n", ""},                      // no "done;"
        {"0001;;\r\n0002;;\r\n", ""},                           // no header
        {"Carrier ID;done;\r\n0001;X;\r\n\r\n0002;;\r\n", ""},  // empty line first
        {"Carrier ID;done;\r\n0001;x;\r\n", "0001"},  // only "X" is done
        {"Carrier ID;done;\r\n0001\r\n", ""},         // no ";": no carrier ID
    };
    for (const auto& [raw, id] : cases) {
        EXPECT_EQ(FirstOpenEntry(NormaliseLineEnds(raw)), id) << raw;
    }
    EXPECT_EQ(NormaliseLineEnds("a\n\rb\r\nc\r\r\n"), "a\r\n\r\nb\r\nc\r\n\r\n");
}

TEST(CarrierIdList, MarkingHitsOnlyTheOpenEntryWhoseIdFieldMatchesExactly) {
    const std::pair<const char*, const char*> cases[] = {  // before, after (nullptr: no match)
        {"Carrier ID;done;\r\n0001;X;\r\n0002;;\r\n0003;;\r\n",
         "Carrier ID;done;\r\n0001;X;\r\n0002;X;;\r\n0003;;\r\n"},
        // Neither inside another ID, nor in the header, another field or a done entry.
        {"Carrier ID;done;note 0002;\r\n10002;;\r\n0001;;0002;\r\n0002;X;\r\n0002;;x\r\n",
         "Carrier ID;done;note 0002;\r\n10002;;\r\n0001;;0002;\r\n0002;X;\r\n0002;X;;x\r\n"},
        {"Carrier ID;done;\r\n0002;", "Carrier ID;done;\r\n0002;X;"},
        {"Carrier ID;done;\r\n\r\n0002;;\r\n", nullptr},  // beyond the empty line
        {"Carrier ID;done;\r\n00021;;\r\n", nullptr},
        {"0002;;\r\n0002;;\r\n", nullptr},  // no header
    };
    for (const auto& [before, after] : cases) {
        std::string text = before;
        EXPECT_EQ(MarkEntryInText(text, "0002"), after != nullptr) << before;
        EXPECT_EQ(text, after != nullptr ? after : before);
    }
    std::string text = "Carrier ID;done;\r\n;;\r\n";
    EXPECT_FALSE(MarkEntryInText(text, ""));
}

TEST_F(CarrierIdTest, ListEntriesAreTakenComposedAndMarkedInTheFileWithCrLf) {
    List("ids.csv", "Carrier ID;done;x\n0001;X;a\n0002;;b\xE4\n\n0009;;\n");
    station.FailureCount = 3;
    NextDataSet(station);
    EXPECT_EQ(station.FailureCount, 0);
    EXPECT_EQ(station.nextFieldText, "0002");
    EXPECT_EQ(station.image.FieldText(1), "30 30 30 32 46 46 46 46");

    station.currentCarrierId = "0009";  // marking goes by the composed bytes
    CurrentDataSetProcessed(station);
    EXPECT_EQ(dir.Read("ids.csv"),
              "Carrier ID;done;x\r\n0001;X;a\r\n0002;X;;b\xE4\r\n\r\n0009;;\r\n");
    EXPECT_EQ(ReadNextCsvEntry(station), "");
    EXPECT_TRUE(view.messages.Texts().empty());
    // Replaced as a whole: nothing is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST_F(CarrierIdTest, UnusableListsRaiseFailureCountAndChangeNothing) {
    const std::pair<const char*, const char*> cases[] = {  // name, bytes (nullptr: none)
        {"ids.csv", "Carrier ID;\r\n0001;;\r\n"}, {"ids.csv", "Carrier ID;done;\r\n01;;\r\n"},
        {"missing.csv", nullptr},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        view.ClearRecord();
        if (bytes != nullptr) dir.Write(name, bytes);
        set().csvFileName = (dir / name).string();
        station.currentCarrierId = "0007";
        station.FailureCount = 0;
        NextDataSet(station);
        EXPECT_EQ(station.FailureCount, 1);
        EXPECT_EQ(view.messages.Texts(),
                  Texts{"Next Carrier ID has the wrong format. Check the used csv file."});
        EXPECT_EQ(station.currentCarrierId, "0007");
        EXPECT_EQ(station.image.FieldText(1), kFixed);
    }
}

TEST_F(CarrierIdTest, AFailedMarkingIsToldAndLeavesTheListAsItWas) {
    // A disk too full for the write-back; then the file is gone; then the
    // entry was marked by hand.
    const std::string fullName = "full.csv";
    const std::pair<std::string, std::string> cases[] = {
        {fullName, "Carrier ID;done;\n0002;;\n"},
        {"gone.csv", ""},
        {"ids.csv", "Carrier ID;done;\n0002;X;\n"},
    };
    List(fullName, "Carrier ID;done;\n0002;;\n");
    NextDataSet(station);
    ASSERT_EQ(station.currentCarrierId, "0002");
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name.size());
        view.ClearRecord();
        List(name, bytes);
        if (bytes.empty()) std::filesystem::remove(dir / name);
        {
            std::optional<FileSizeLimit> full;
            if (name == fullName) full.emplace(16);
            CurrentDataSetProcessed(station);
        }
        ASSERT_EQ(view.messages.Texts().size(), 1u);
        const std::string told = view.messages.Texts()[0];
        EXPECT_NE(told.find("0002 has been programmed"), std::string::npos) << told;
        EXPECT_NE(told.find("could not be marked as done"), std::string::npos) << told;
        EXPECT_EQ(dir.Read(name), bytes);  // LF kept: not written at all
    }
}

}  // namespace
}  // namespace tagwright::test
