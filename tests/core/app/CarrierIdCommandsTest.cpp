#include <gtest/gtest.h>

#include "core/app/CarrierIdCommands.h"
#include "core/app/Station.h"
#include "core/config/ParameterSet.h"
#include "core/production/CarrierIdSource.h"
#include "AppRig.h"

namespace tagwright::test {
namespace {

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

}  // namespace
}  // namespace tagwright::test
