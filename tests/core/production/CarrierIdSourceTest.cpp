#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "core/config/ParameterSet.h"
#include "core/production/CarrierIdSource.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

// A set whose carrier ID area holds "F" and whose other bytes hold "-".
ParameterSet FixedSet(const char* offset, const char* length) {
    ParameterSet set;
    for (std::size_t k = 0; k < kImageBytes; ++k) set.hex[k] = k < 16 ? "46" : "2D";
    DeriveAsciiTexts(set);
    set.carrierIdOffset = offset;
    set.carrierIdLength = length;
    return set;
}

// The carrier ID area's byte texts, flagged when a byte beyond it changed.
std::string AreaHex(const ParameterSet& s) {
    std::string out;
    for (std::size_t k = 0; k < 16; ++k) out += (k ? " " : "") + s.hex[k];
    for (std::size_t k = 16; k < kImageBytes; ++k) {
        if (s.hex[k] != "2D" || s.ascii[k] != "-") return out + " and beyond";
    }
    return out;
}

TEST(CarrierIdCounter, StepsWrapAndTypedValuesClampToTheLimit) {
    // length, value, delta (> 0 is the down arrow; 99: the field is left), result
    const std::tuple<int, const char*, int, const char*> cases[] = {
        {4, "9999", -1, "0"}, {4, "0", 1, "9999"}, {4, "007", 99, "7"},
        {4, "-1", 99, "9999"}, {0, "5", 99, "0"},
        {25, "99999999999999999999", 99, "18446744073709551615"},  // the limit never wraps
    };
    for (const auto& [length, value, delta, expected] : cases) {
        const std::uint64_t limit = CounterLimit(length);
        EXPECT_EQ(delta == 99 ? ClampCounterText(value, limit) : StepCounterText(value, limit, delta),
                  expected)
            << length << " " << value << " " << delta;
    }
    // length, max, current: the value a cycle may program
    const std::tuple<const char*, const char*, const char*, bool> limits[] = {
        {"3", "7", "7", true}, {"3", "7", "8", false}, {"4", "", "1", false},
        {"2", "500", "100", false}, {"2", "500", "99", true},
    };
    for (const auto& [length, max, current, allowed] : limits) {
        const auto value = CounterValueToProgram(current, FixedSet("0", length), max);
        EXPECT_EQ(value.has_value(), allowed) << length << max << current;
        if (value) {
            EXPECT_EQ(*value, std::stoull(current));
        }
    }
}

TEST(CarrierIdArea, ComposeWritesOnlyTheSpanWhateverTheSetFileSays) {
    struct Case {
        const char *offset, *length, *id, *area, *page2Ascii, *readBack;
    };
    const char* untouched = "46 46 46 46 46 46 46 46 46 46 46 46 46 46 46 46";
    const Case cases[] = {
        {"4", "8", "42", "46 46 46 46 30 30 30 30 30 30 34 32 46 46 46 46", "0 0 4 2 F F F F",
         "00000042"},
        {"0", "10", "42", "30 30 30 30 30 30 30 30 34 32 46 46 46 46 46 46", "4 2 F F F F F F",
         "0000000042"},
        // Hand-edited layouts reaching out of the area: clamped to it.
        {"-2", "8", "12345678", "33 34 35 36 37 38 46 46 46 46 46 46 46 46 46 46",
         "F F F F F F F F", "345678"},
        {"12", "8", "12345678", "46 46 46 46 46 46 46 46 46 46 46 46 31 32 33 34",
         "F F F F 1 2 3 4", "1234"},
        {"0", "2000000000", "1", "30 30 30 30 30 30 30 30 30 30 30 30 30 30 30 30",
         "0 0 0 0 0 0 0 0", "0000000000000000"},
        {"-2147483648", "2147483647", "5", untouched, "F F F F F F F F", ""},
        {"3", "0", "5", untouched, "F F F F F F F F", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.offset) + "/" + c.length);
        ParameterSet set = FixedSet(c.offset, c.length);
        ComposeCarrierId(set, c.id);
        EXPECT_EQ(AreaHex(set), c.area);
        EXPECT_EQ(SetPageText(set, 2, PageFormat::Ascii), c.page2Ascii);
        EXPECT_EQ(ComposedCarrierId(set), c.readBack);
        const CarrierIdSpan span = SpanOf(set);
        EXPECT_TRUE(0 <= span.first && span.first <= span.end && span.end <= 16);
    }
    EXPECT_EQ(SetPageText(FixedSet("0", "1"), 3, PageFormat::Hex), "2D 2D 2D 2D 2D 2D 2D 2D");
}

TEST(CarrierIdList, ScanFindsTheFirstOpenEntrySkippingEmptyLines) {
    const std::pair<const char*, const char*> cases[] = {
        {"Carrier ID;done;\r\n0001;X;\r\n0002;;\r\n0003;;\r\n", "0002"},
        {"done;Carrier ID;\r0001;X;\n0002;", "0002"},          // lone CR and LF, no last end
        {"Carrier ID;\r\n0001;;\r\n", ""},                      // no "done;"
        {"0001;;\r\n0002;;\r\n", ""},                           // no header
        {"Carrier ID;done;\r\n0001;X;\r\n\r\n0002;;\r\n", "0002"},  // empty line skipped
        {"Carrier ID;done;\r\n\r\n\r\n0002;;\r\n", "0002"},          // empty first lines
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
        {"Carrier ID;done;\r\n\r\n0002;;\r\n", "Carrier ID;done;\r\n\r\n0002;X;;\r\n"},
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

TEST(CarrierIdList, TheFileIsReplacedWithCrLfOnlyWhenAnEntryIsMarked) {
    TempDir dir;
    const auto list = dir.Write("ids.csv", "Carrier ID;done;x\n0001;X;a\n0002;;b\xE4\n\n0009;;\n");
    EXPECT_EQ(ReadFirstOpenEntry(list), "0002");
    EXPECT_EQ(MarkEntryInFile(list, "0007"), CsvMarkResult::NotFound);
    EXPECT_EQ(dir.Read("ids.csv"), "Carrier ID;done;x\n0001;X;a\n0002;;b\xE4\n\n0009;;\n");
    EXPECT_EQ(MarkEntryInFile(list, "0002"), CsvMarkResult::Marked);
    EXPECT_EQ(dir.Read("ids.csv"),
              "Carrier ID;done;x\r\n0001;X;a\r\n0002;X;;b\xE4\r\n\r\n0009;;\r\n");
    EXPECT_EQ(ReadFirstOpenEntry(list), "0009");
    EXPECT_EQ(MarkEntryInFile(list, "0009"), CsvMarkResult::Marked);
    EXPECT_EQ(ReadFirstOpenEntry(list), "");
    // Replaced as a whole: nothing is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

    EXPECT_EQ(MarkEntryInFile(dir / "missing.csv", "0002"), CsvMarkResult::Unreadable);
    EXPECT_EQ(ReadFirstOpenEntry(dir / "missing.csv"), "");
    // A disk too full for the write-back.
    const auto full = dir.Write("full.csv", "Carrier ID;done;\n0002;;\n");
    std::string error;
    {
        FileSizeLimit limit(16);
        EXPECT_EQ(MarkEntryInFile(full, "0002", &error), CsvMarkResult::WriteFailed);
    }
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(dir.Read("full.csv"), "Carrier ID;done;\n0002;;\n");
}

TEST(CarrierIdList, EntriesWithRefusedCharactersAreNotTakenAndTheLineIsNamed) {
    const std::pair<std::string, bool> cases[] = {  // ID, taken
        {"0002", true},      {"A-Z_9.!", true},   {"00\t2", false},  {"\x01" "002", false},
        {"000\x7F", false}, {"00\xC4" "2", false}, {"00<2", false},  {"00&2", false},
        {"00 2", false},     {"00>2", false},
    };
    TempDir dir;
    for (const auto& [id, taken] : cases) {
        const auto list = dir.Write("ids.csv", "Carrier ID;done;\n0001;X;\n\n" + id + ";;\n");
        std::string error;
        EXPECT_EQ(ReadFirstOpenEntry(list, &error), taken ? id : "") << id;
        EXPECT_EQ(error.empty(), taken) << id;
        if (!taken) {
            EXPECT_NE(error.find("line 4 "), std::string::npos) << error;
        }
    }
    // A path that is no regular file is refused with its reason, without blocking.
    std::string error;
    EXPECT_EQ(ReadFirstOpenEntry(dir.Path(), &error), "");
    EXPECT_NE(error.find(dir.Path().string()), std::string::npos) << error;
}

// A take marks its entry at once; one the set cannot hold stays open.
TEST(CarrierIdList, AnEntryThatDoesNotFitTheSetIsNeitherTakenNorMarked) {
    TempDir dir;
    const auto list = dir.Write("short.csv", "Carrier ID;done;\n01;;\n");
    EXPECT_EQ(TakeFirstOpenEntry(list, FixedSet("0", "4")), "");
    EXPECT_EQ(dir.Read("short.csv"), "Carrier ID;done;\n01;;\n");
}

TEST(CarrierIdList, EveryMarkFailureNamesTheCarrierIdAndTheConsequence) {
    for (CsvMarkResult r :
         {CsvMarkResult::NotFound, CsvMarkResult::Unreadable, CsvMarkResult::WriteFailed}) {
        const std::string told = MarkFailureMessage(r, "0002", "ids.csv", "disk full");
        EXPECT_NE(told.find("The carrier ID 0002 has been programmed, but "), std::string::npos);
        EXPECT_NE(told.find("could not be marked as done"), std::string::npos) << told;
        EXPECT_NE(told.find("same carrier ID again"), std::string::npos) << told;
        EXPECT_EQ(told.find("disk full") != std::string::npos, r == CsvMarkResult::WriteFailed);
    }
    EXPECT_TRUE(EntryFitsSet("0002", FixedSet("0", "4")));
    EXPECT_FALSE(EntryFitsSet("02", FixedSet("0", "4")));
    EXPECT_FALSE(EntryFitsSet("", FixedSet("0", "0")));
}

}  // namespace
}  // namespace tagwright::test
