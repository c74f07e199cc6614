// The protocol log: its line form (day first, two digits each), the move to
// the next file above the size limit, and a log that cannot be written.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/app/ProtocolLog.h"
#include "core/app/Station.h"
#include "support/FakeClock.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

namespace fs = std::filesystem;

class ProtocolLogTest : public ::testing::Test {
protected:
    bool Write(const char* text) { return WriteProtocolLine(log, run, clock, text); }

    std::string Read(int n) const { return dir.Read("IntProt_" + std::to_string(n) + ".txt"); }

    TempDir dir;
    CurrentDirectory cwd{dir.Path()};
    FakeClock clock{{2027, 3, 1, 21, 7, 3}};  // "01/03/27;21:07:03"
    ProtocolLogState log;
    AutomaticRun run;
};

TEST_F(ProtocolLogTest, AppendsThenMovesOnAboveTheLimitAndNeverGoesBack) {
    dir.Write("IntProt_0.txt", "earlier\r\n");
    EXPECT_TRUE(Write("One"));
    EXPECT_EQ(Read(0), "earlier\r\n01/03/27;21:07:03;One\r\n");
    fs::resize_file(dir / "IntProt_0.txt", kProtocolLogLimit);  // sparse; at the limit is fine
    EXPECT_TRUE(Write("One"));
    EXPECT_EQ(log.index, 0);

    fs::resize_file(dir / "IntProt_0.txt", kProtocolLogLimit + 1);
    dir.Write("IntProt_1.txt", "");
    fs::resize_file(dir / "IntProt_1.txt", kProtocolLogLimit + 1);
    EXPECT_TRUE(Write("One"));
    EXPECT_EQ(log.index, 2);
    EXPECT_EQ(Read(2), "01/03/27;21:07:03;One\r\n");

    fs::remove(dir / "IntProt_0.txt");
    fs::remove(dir / "IntProt_1.txt");
    EXPECT_TRUE(Write("Two"));
    EXPECT_EQ(Read(2), "01/03/27;21:07:03;One\r\n01/03/27;21:07:03;Two\r\n");
    EXPECT_FALSE(fs::exists(dir / "IntProt_0.txt"));
}

TEST_F(ProtocolLogTest, AnUnwritableLogIsReportedOncePerRunAndEndsTheSearch) {
    fs::create_directory(dir / "IntProt_0.txt");
    run.pendingMessage = "record file message";
    EXPECT_FALSE(Write("One"));
    EXPECT_EQ(log.index, 0);
    ASSERT_TRUE(run.pendingMessage);
    EXPECT_EQ(run.pendingMessage->rfind("record file message\r\n", 0), 0u);
    EXPECT_NE(run.pendingMessage->find("IntProt_0.txt"), std::string::npos);
    EXPECT_TRUE(log.failureReported);

    run.pendingMessage.reset();
    EXPECT_FALSE(Write("One"));
    EXPECT_FALSE(run.pendingMessage);
}

}  // namespace
}  // namespace tagwright::test
