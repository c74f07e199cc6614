#include "reader-sim/VirtualReader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <future>

#include "reader-sim/ReaderLogic.h"
#include "reader-sim/TransponderFile.h"
#include "sim/StationPort.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

namespace fs = std::filesystem;
using sim::Faults;
using sim::Options;
using sim::Transponder;
using Lines = std::vector<std::string>;

class VirtualReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        options_.transponder.pages[0] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
        options_.transponder.locked[4] = true;  // page 5
    }

    // Starts the Reader and opens the station's port.
    void Begin() { r_ = std::make_unique<RunningReader>(options_); }

    Options options_;
    std::unique_ptr<RunningReader> r_;
};

TEST_F(VirtualReaderTest, AnswersEachCommandAndRefusesBadOnesOrWithoutTransponder) {
    options_.torValue = 37;
    options_.transponder.uid = "CAFE0042";
    Begin();
    r_->Play({
        {"TOR", "37"}, {"rd 1", "0011223344556677"}, {"RD 17", "0000000000000000"},
        {"RD 0", "ERR"}, {"RD 18", "ERR"}, {"HELLO", "ERR"},
        // Written in lower case, read back in upper case.
        {"WD 2 a1b2c3d4e5f60718", "ACK"}, {"RD 2", "A1B2C3D4E5F60718"},
        {"WD 3 A1B2C3D4E5F6071G", "ERR"},
        {"WD 5 FFFFFFFFFFFFFFFF", "NAK"},  // locked from the start
        {"LD 6", "ACK"}, {"WD 6 FFFFFFFFFFFFFFFF", "NAK"}, {"RUID", "CAFE0042"},
    });
    const Transponder t = r_->reader.GetTransponder();
    for (int i = 2; i < 17; ++i) EXPECT_EQ(t.pages[i], Transponder{}.pages[i]) << "page " << i + 1;
    for (int i = 0; i < 17; ++i) EXPECT_EQ(t.locked[i], i == 4 || i == 5) << "page " << i + 1;

    r_->reader.SetPresent(false);
    r_->port->Send("TOR\rRD 1\rRUID\rWD 1 FFFFFFFFFFFFFFFF\rLD 1\rRD 99\r");
    EXPECT_EQ(r_->port->ReadUntil("ERR\r"), "37\rNo Read\rNo Read\rNAK\rNAK\rERR\r");
    EXPECT_FALSE(r_->reader.GetTransponder().locked[0]);
}

TEST_F(VirtualReaderTest, LogsCommandLinesAndRawBytesExactly) {
    Begin();
    // A station ending lines with CR LF, and a command split across writes.
    const std::string sent = "RD 1\r\nTOR\rWD 3 0011223344556677\rRU";
    r_->port->Send(sent);
    r_->port->Send("ID\r");
    ASSERT_TRUE(r_->reader.WaitForCommands(4, kPatience));
    EXPECT_EQ(r_->reader.CommandLog(), (Lines{"RD 1", "TOR", "WD 3 0011223344556677", "RUID"}));
    EXPECT_EQ(r_->reader.ReceivedBytes(), sent + "ID\r");
}

TEST_F(VirtualReaderTest, FaultsHitOnlyTheirCommandAndUnsolicitedBytesGoFirst) {
    Begin();
    r_->reader.NoAnswerTo(2);
    r_->reader.ReplaceAnswer(3, "#09\r");
    r_->reader.ReplaceAnswer(4, std::string(300, '7') + "\r");  // longer than any real line
    r_->reader.DropLineMidReply(5);
    // 2: no answer, yet written; 5: half a reply and no CR, so the next one runs on.
    r_->port->Send("TOR\rWD 2 0102030405060708\rRD 1\rRUID\rRD 1\rTOR\r");
    EXPECT_EQ(r_->port->ReadUntil("0011223310\r"),
              "10\r#09\r" + std::string(300, '7') + "\r0011223310\r");
    EXPECT_EQ(r_->port->Ask("RD 2"), "0102030405060708\r");
    r_->reader.SendUnsolicited("XX");
    EXPECT_EQ(r_->port->Ask("TOR"), "XX10\r");
    EXPECT_EQ(r_->reader.CommandLog().size(), 8u);
}

TEST_F(VirtualReaderTest, DelayedReplyArrivesIntactAndStopCutsADelayShort) {
    options_.replyDelay = std::chrono::milliseconds(30);
    Begin();
    EXPECT_EQ(r_->port->Ask("RD 1"), "0011223344556677\r");
    r_->reader.SetReplyDelay(std::chrono::hours(1));
    r_->port->Send("TOR\r");
    ASSERT_TRUE(r_->reader.WaitForCommands(2, kPatience));
    // A hang here means Stop sleeps through the delay.
    auto stopped = std::async(std::launch::async, [&] { r_->reader.Stop(); });
    ASSERT_EQ(stopped.wait_for(std::chrono::seconds(60)), std::future_status::ready);
}

TEST_F(VirtualReaderTest, LinkPointsAtTheLineAndNeverReplacesAFileOrSomeoneElsesLink) {
    TempDir dir;
    const std::string link = (dir / "ttyReader").string();
    ASSERT_EQ(::symlink("/nonexistent/stale", link.c_str()), 0);
    const auto file = dir.Write("notalink", "keep me");
    Begin();
    std::string error;
    EXPECT_FALSE(r_->reader.CreateLink(file.string(), &error));
    EXPECT_NE(error.find("not a symbolic link"), std::string::npos) << error;
    EXPECT_EQ(dir.Read("notalink"), "keep me");

    ASSERT_TRUE(r_->reader.CreateLink(link, &error)) << error;  // a stale one goes
    EXPECT_EQ(fs::read_symlink(link).string(), r_->reader.SlavePath());
    r_->reader.Stop();
    EXPECT_FALSE(fs::is_symlink(link));

    // Another Reader took the name meanwhile: ours must not remove theirs.
    Begin();
    ASSERT_TRUE(r_->reader.CreateLink(link, &error)) << error;
    fs::remove(link);
    fs::create_symlink("/dev/null", link);
    r_->reader.Stop();
    EXPECT_TRUE(fs::is_symlink(link));
}

TEST_F(VirtualReaderTest, StateFileFollowsEveryChangeBeforeTheReply) {
    TempDir dir;
    options_.stateFile = (dir / "reader.state").string();
    options_.transponder.uid = "0A0B0C0D";
    Begin();
    Transponder saved;
    std::string error;
    for (const char* command : {"WD 2 FEDCBA9876543210", "LD 2"}) {
        EXPECT_EQ(r_->port->Ask(command), "ACK\r");
        ASSERT_TRUE(sim::LoadTransponderFile(options_.stateFile, &saved, &error)) << error;
        EXPECT_EQ(sim::FormatTransponder(saved),
                  sim::FormatTransponder(r_->reader.GetTransponder()));
    }
    EXPECT_TRUE(saved.locked[1]);
    // No temporary file left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(TransponderFile, RoundTripsAndRejectsMalformedText) {
    Transponder t;
    t.pages[0] = {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01, 0x02, 0x03};
    t.pages[16] = {0xFF, 0xFE, 0xFD, 0xFC, 0xFB, 0xFA, 0xF9, 0xF8};
    t.locked[16] = true;
    t.uid = "1234ABCD";
    const std::string text = sim::FormatTransponder(t);
    EXPECT_EQ(text.substr(0, 19), "DEADBEEF00010203 0\n");
    EXPECT_NE(text.find("\nFFFEFDFCFBFAF9F8 1\nUID 1234ABCD\n"), std::string::npos);
    std::string crlf;  // read back as written, or as an editor on another system saved it
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& form : {text, crlf}) {
        Transponder back;
        ASSERT_TRUE(sim::ParseTransponder(form, &back));
        EXPECT_EQ(sim::FormatTransponder(back), text);
    }

    std::string bad = text;
    bad[15] = 'G';
    Transponder untouched = t;
    std::string error;
    EXPECT_FALSE(sim::ParseTransponder(bad, &untouched, &error));
    EXPECT_EQ(error.rfind("line 1:", 0), 0u) << error;
    EXPECT_EQ(sim::FormatTransponder(untouched), text);
}

// The Reader's own faults, the tag sequence and the bad replies, each as the
// station's end of the line sees them.
std::string Page(const Transponder& t, int page) { return sim::FormatPageHex(t.pages[page - 1]); }

TEST(FaultModes, WritesLocksFailuresAndRemovalMisbehaveAsSet) {
    const std::string kData = "0011223344556677";
    struct Case {
        const char* name;
        Faults faults;
        Script script;
        std::string page3;  // afterwards
        bool locked3;
    };
    Faults drop, flip, fake, fail, silent, removal;
    drop.dropWrite.set(2);
    flip.flipWrite.set(2);
    fake.fakeLock.set(2);
    fail.failNext = 4;
    silent.failNext = 1;
    silent.failSilently = true;
    removal.removeAfterPage = 2;
    const std::string zero(16, '0');
    const Case cases[] = {
        {"drop", drop, {{"WD 3 " + kData, "ACK"}, {"RD 3", zero}, {"WD 4 " + kData, "ACK"}},
         zero, false},
        {"flip", flip, {{"WD 3 " + kData, "ACK"}, {"RD 3", "0011223344556676"}}, "0011223344556676",
         false},
        {"fake lock", fake, {{"LD 3", "ACK"}, {"WD 3 " + kData, "ACK"}}, kData, false},
        {"fail", fail,
         {{"RD 1", "No Read"}, {"WD 3 " + kData, "NAK"}, {"TOR", "ERR"}, {"RUID", "No Read"},
          {"LD 3", "ACK"}},
         zero, true},
        {"silent", silent, {{"WD 3 " + kData, ""}, {"TOR", "10"}, {"RD 3", zero}}, zero, false},
        {"removal", removal,
         {{"WD 1 " + kData, "ACK"}, {"WD 2 " + kData, "ACK"}, {"WD 3 " + kData, "NAK"},
          {"RUID", "No Read"}},
         zero, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Options o;
        o.faults = c.faults;
        RunningReader r(o);
        r.Play(c.script);
        const Transponder t = r.reader.GetTransponder();
        EXPECT_EQ(Page(t, 3), c.page3);
        EXPECT_EQ(t.locked[2], c.locked3);
        EXPECT_EQ(Page(t, 4), c.faults.dropWrite.any() ? kData : Page(t, 4));  // others unhurt
    }
}

TEST(FaultModes, TagsComeAndGoInTurnEachWithItsOwnPages) {
    Options o;
    for (const char* uid : {"00000001", "00000002"}) {
        Transponder t;
        t.uid = uid;
        o.sequence.tags.push_back(t);
    }
    o.sequence.stayCommands = 2;
    o.sequence.gapCommands = 1;
    RunningReader r(o);
    r.Play({{"RUID", "00000001"}, {"WD 1 1111111111111111", "ACK"}, {"RUID", "No Read"},
            {"RUID", "00000002"}, {"RD 1", std::string(16, '0')}, {"RUID", "No Read"},
            {"RUID", "No Read"}, {"RUID", "No Read"}});  // after the last, empty for good
    const std::vector<Transponder> tags = r.reader.SequenceTags();
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(Page(tags[0], 1), "1111111111111111");
    EXPECT_EQ(Page(tags[1], 1), std::string(16, '0'));
}

TEST(FaultModes, TimedSequenceFollowsTheClockOfEachCommand) {
    Options o;
    o.sequence.tags.resize(2);
    o.sequence.tags[1].uid = "00000002";
    o.sequence.stayTime = std::chrono::seconds(3);
    o.sequence.gapTime = std::chrono::seconds(1);
    sim::ReaderLogic logic;
    const auto t0 = std::chrono::steady_clock::time_point{};
    const std::pair<int, const char*> looks[] = {  // ms after the first command, reply
        {0, "1A2B3C4D"}, {2999, "1A2B3C4D"}, {3000, "No Read"}, {3999, "No Read"},
        {4000, "00000002"}, {6999, "00000002"}, {7000, "No Read"}, {60000, "No Read"},
    };
    for (const auto& [ms, reply] : looks) {
        EXPECT_EQ(logic.Respond("RUID", o, t0 + std::chrono::milliseconds(ms)).text, reply) << ms;
    }
}

}  // namespace
}  // namespace tagwright::test
