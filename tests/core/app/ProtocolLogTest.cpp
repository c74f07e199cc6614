// The protocol log: its line form (day first, two digits each), the move to
// the next file above the size limit, and a log that cannot be written.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/app/ProtocolLog.h"
#include "core/app/Station.h"
#include "support/FakeClock.h"
#include "support/RecordingMainView.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

namespace fs = std::filesystem;

class ProtocolLogTest : public ::testing::Test {
protected:
    void SetUp() override { view.Attach(station); }

    std::string Read(int n) const { return dir.Read("IntProt_" + std::to_string(n) + ".txt"); }

    TempDir dir;
    CurrentDirectory cwd{dir.Path()};
    RecordingMainView view;
    FakeClock clock{{2027, 3, 1, 21, 7, 3}};  // "01/03/27;21:07:03"
    Station station{view, clock};
};

TEST_F(ProtocolLogTest, AppendsThenMovesOnAboveTheLimitAndNeverGoesBack) {
    dir.Write("IntProt_0.txt", "earlier\r\n");
    EXPECT_TRUE(WriteProtocolLine(station, "One"));
    EXPECT_EQ(Read(0), "earlier\r\n01/03/27;21:07:03;One\r\n");
    fs::resize_file(dir / "IntProt_0.txt", kProtocolLogLimit);  // sparse; at the limit is fine
    EXPECT_TRUE(WriteProtocolLine(station, "One"));
    EXPECT_EQ(station.logIndex, 0);

    fs::resize_file(dir / "IntProt_0.txt", kProtocolLogLimit + 1);
    dir.Write("IntProt_1.txt", "");
    fs::resize_file(dir / "IntProt_1.txt", kProtocolLogLimit + 1);
    EXPECT_TRUE(WriteProtocolLine(station, "One"));
    EXPECT_EQ(station.logIndex, 2);
    EXPECT_EQ(Read(2), "01/03/27;21:07:03;One\r\n");

    fs::remove(dir / "IntProt_0.txt");
    fs::remove(dir / "IntProt_1.txt");
    EXPECT_TRUE(WriteProtocolLine(station, "Two"));
    EXPECT_EQ(Read(2), "01/03/27;21:07:03;One\r\n01/03/27;21:07:03;Two\r\n");
    EXPECT_FALSE(fs::exists(dir / "IntProt_0.txt"));
}

TEST_F(ProtocolLogTest, AnUnwritableLogIsReportedOncePerRunAndEndsTheSearch) {
    fs::create_directory(dir / "IntProt_0.txt");
    station.pendingMessage = "record file message";
    EXPECT_FALSE(WriteProtocolLine(station, "One"));
    EXPECT_EQ(station.logIndex, 0);
    ASSERT_TRUE(station.pendingMessage);
    EXPECT_EQ(station.pendingMessage->rfind("record file message\r\n", 0), 0u);
    EXPECT_NE(station.pendingMessage->find("IntProt_0.txt"), std::string::npos);
    EXPECT_TRUE(station.protocolLogFailureReported);

    station.pendingMessage.reset();
    EXPECT_FALSE(WriteProtocolLine(station, "One"));
    EXPECT_FALSE(station.pendingMessage);
}

}  // namespace
}  // namespace tagwright::test
