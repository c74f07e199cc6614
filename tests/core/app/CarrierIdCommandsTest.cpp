#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/app/CarrierIdCommands.h"
#include "core/app/Station.h"
#include "core/config/ParameterSet.h"
#include "core/production/CarrierIdSource.h"
#include "AppRig.h"

namespace tagwright::test {
namespace {

using Texts = std::vector<std::string>;
using Kind = ViewEvent::Kind;
constexpr char kFixed[] = "46 46 46 46 46 46 46 46";  // the set's fixed bytes, "F"

class CarrierIdCommandsTest : public ::testing::Test, protected PlainStation {
protected:
    CarrierIdCommandsTest() {
        for (std::size_t k = 0; k < kImageBytes; ++k) set().hex[k] = k < 16 ? "46" : "2D";
        DeriveAsciiTexts(set());
        set().carrierIdOffset = "0";
        set().carrierIdLength = "4";
        for (int p = 1; p <= 2; ++p) station.image.FieldText(p) = kFixed;
    }
    ParameterSet& set() { return station.currentSet; }
    void List(std::string_view bytes) { set().csvFileName = dir.Write("ids.csv", bytes).string(); }
    // Every entry point takes the fields once when it starts and shows them once at its end.
    void ExpectOneTakeAndOneShow() {
        const auto kinds = view.Kinds();
        ASSERT_FALSE(kinds.empty());
        EXPECT_EQ(kinds.front(), Kind::Take);
        EXPECT_EQ(kinds.back(), Kind::Show);
        EXPECT_EQ(std::count(kinds.begin(), kinds.end(), Kind::Take), 1);
        EXPECT_EQ(std::count(kinds.begin(), kinds.end(), Kind::Show), 1);
    }
};

TEST_F(CarrierIdCommandsTest, NextFieldComposesTheIdAndMaxLeavesItAlone) {
    station.carrierId.nextText = "41";
    StepNext(station, -1);
    ExpectOneTakeAndOneShow();
    EXPECT_EQ(station.carrierId.current + "|" + station.carrierId.nextText, "42|42");
    EXPECT_EQ(view.shownPages.at(0)[0], "30 30 34 32 46 46 46 46");

    station.carrierId.nextText = "-1";  // typed, then the field is left
    CommitNext(station);
    EXPECT_EQ(station.carrierId.current + "|" + station.image.FieldText(1),
              "9999|39 39 39 39 46 46 46 46");

    station.image.FieldText(1) = kFixed;
    station.settings.carrierIdMax = "-1";
    CommitMax(station);
    StepMax(station, -1);
    EXPECT_EQ(station.settings.carrierIdMax, "0");
    EXPECT_EQ(station.carrierId.current, "9999");
    EXPECT_EQ(station.image.FieldText(1), kFixed);
}

TEST_F(CarrierIdCommandsTest, CounterRefusesAboveMaxAndAdvancesFromThePreparedValue) {
    set().carrierIdLength = "3";
    station.settings.carrierIdMax = station.carrierId.current = "7";
    const auto value = PrepareCounterDataSet(station);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(station.image.FieldText(1), "30 30 37 46 46 46 46 46");
    station.carrierId.current = "3";  // the operator spun the field meanwhile
    AdvanceCounter(station, *value);
    EXPECT_EQ(station.carrierId.nextText, "8");

    station.image.FieldText(1) = kFixed;
    EXPECT_FALSE(PrepareCounterDataSet(station).has_value());
    EXPECT_EQ(view.messages.Texts(), Texts{"Maximum Carrier ID reached."});
    EXPECT_EQ(station.image.FieldText(1), kFixed);  // nothing composed
}

TEST_F(CarrierIdCommandsTest, ListEntriesAreTakenComposedAndMarkedByTheComposedBytes) {
    List("Carrier ID;done;\n0001;X;\n0002;;\n0009;;\n");
    station.FailureCount = 3;
    NextDataSet(station);
    ExpectOneTakeAndOneShow();
    EXPECT_EQ(station.FailureCount, 0);
    EXPECT_EQ(station.carrierId.nextText, "0002");
    EXPECT_EQ(view.shownPages.at(0)[0], "30 30 30 32 46 46 46 46");
    // Taken is marked: another station sharing the file goes on with 0009.
    EXPECT_EQ(ReadFirstOpenEntry(set().csvFileName), "0009");

    station.carrierId.current = "0009";  // marking goes by the composed bytes
    view.ClearRecord();
    CurrentDataSetProcessed(station);
    ExpectOneTakeAndOneShow();
    EXPECT_EQ(dir.Read("ids.csv"), "Carrier ID;done;\r\n0001;X;\r\n0002;X;;\r\n0009;;\r\n");
    EXPECT_TRUE(view.messages.Texts().empty());

    // Gone from the list meanwhile: the operator is told, the file stays.
    List("Carrier ID;done;\n0003;;\n");
    CurrentDataSetProcessed(station);
    EXPECT_THAT(view.messages.Texts(), ElementsAre(HasSubstr("0002 has been programmed")));
    EXPECT_EQ(dir.Read("ids.csv"), "Carrier ID;done;\n0003;;\n");
}

TEST_F(CarrierIdCommandsTest, AnUnusableListRaisesFailureCountChangesNothingAndSaysWhy) {
    const std::string wrong = "Next Carrier ID has the wrong format. Check the used csv file.";
    const std::string fifo = (dir.Path() / "fifo.csv").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {  // list, part of the message
        {"Carrier ID;done;\r\n01;;\r\n", ""},  // shorter than the set's length: no more said
        {"Carrier ID;done;\r\n\r\n00<2;;\r\n", "line 3 "},
        {"", "fifo.csv"},  // a FIFO: refused, never waited on
    };
    for (const auto& [bytes, reason] : cases) {
        SCOPED_TRACE(reason);
        if (bytes.empty()) set().csvFileName = fifo; else List(bytes);
        view.messages.Clear();
        station.carrierId.current = "0007";
        NextDataSet(station);
        EXPECT_EQ(station.FailureCount, 1);
        ASSERT_EQ(view.messages.Texts().size(), 1u);
        const std::string told = view.messages.Texts()[0];
        EXPECT_EQ(told.rfind("Next Carrier ID has the wrong format.", 0), 0u) << told;
        EXPECT_TRUE(reason.empty() ? told == wrong : told.find(reason) != std::string::npos)
            << told;
        EXPECT_EQ(station.carrierId.current, "0007");
        EXPECT_EQ(station.image.FieldText(1), kFixed);
    }
}

}  // namespace
}  // namespace tagwright::test
