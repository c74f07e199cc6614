#include "reader-sim/VirtualReader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <thread>

#include "reader-sim/TransponderFile.h"
#include "sim/StationPort.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

using sim::Options;
using sim::Transponder;
using sim::VirtualReader;

class VirtualReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        options_.transponder.pages[0] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
        options_.transponder.locked[4] = true;  // page 5
    }

    // Starts the Reader and opens the station's port.
    void Begin() {
        reader_ = std::make_unique<VirtualReader>(options_);
        std::string error;
        ASSERT_TRUE(reader_->Start(&error)) << error;
        port_ = std::make_unique<StationPort>(reader_->SlavePath());
        ASSERT_TRUE(port_->IsOpen());
    }

    Options options_;
    std::unique_ptr<VirtualReader> reader_;
    std::unique_ptr<StationPort> port_;
};

struct Step {
    const char* command;
    const char* reply;  // without the line end
};

TEST_F(VirtualReaderTest, AnswersEachCommandAndRefusesBadOnes) {
    options_.torValue = 37;
    options_.transponder.uid = "CAFE0042";
    Begin();
    const Step script[] = {
        {"TOR", "37"},
        {"RD 1", "0011223344556677"},
        {"RD 17", "0000000000000000"},
        {"rd 1", "0011223344556677"},  // keywords in either case
        {"RD 0", "ERR"},
        {"RD 18", "ERR"},
        {"RD", "ERR"},
        {"RD x", "ERR"},
        {"RD 1 2", "ERR"},
        // Written in lower case, read back in upper case.
        {"WD 2 a1b2c3d4e5f60718", "ACK"},
        {"RD 2", "A1B2C3D4E5F60718"},
        {"WD 3 A1B2C3D4E5F6071", "ERR"},     // 15 digits
        {"WD 3 A1B2C3D4E5F607181", "ERR"},   // 17 digits
        {"WD 3 A1B2C3D4E5F6071G", "ERR"},    // not hexadecimal
        {"WD 3 A1B2 C3D4E5F60718", "ERR"},
        {"WD 18 A1B2C3D4E5F60718", "ERR"},
        {"WD 3", "ERR"},
        {"WD 5 FFFFFFFFFFFFFFFF", "NAK"},    // locked from the start
        {"RD 5", "0000000000000000"},
        {"LD 6", "ACK"},
        {"LD 6", "ACK"},                     // locking twice is harmless
        {"WD 6 FFFFFFFFFFFFFFFF", "NAK"},
        {"LD 18", "ERR"},
        {"RUID", "CAFE0042"},
        {"RUID 1", "ERR"},
        {"HELLO", "ERR"},
        {"", "ERR"},
    };
    for (const Step& s : script)
        EXPECT_EQ(port_->Ask(s.command), std::string(s.reply) + "\r") << s.command;

    const Transponder t = reader_->GetTransponder();
    EXPECT_EQ(sim::FormatPageHex(t.pages[1]), "A1B2C3D4E5F60718");
    EXPECT_EQ(sim::FormatPageHex(t.pages[2]), "0000000000000000");
    EXPECT_EQ(sim::FormatPageHex(t.pages[4]), "0000000000000000");
    EXPECT_EQ(sim::FormatPageHex(t.pages[5]), "0000000000000000");
    for (int i = 0; i < 17; ++i) EXPECT_EQ(t.locked[i], i == 4 || i == 5) << "page " << i + 1;
}

TEST_F(VirtualReaderTest, WithoutTransponderReadsFailAndWritesAreRefused) {
    options_.present = false;
    Begin();
    EXPECT_EQ(port_->Ask("TOR"), "10\r");
    EXPECT_EQ(port_->Ask("RD 1"), "No Read\r");
    EXPECT_EQ(port_->Ask("RUID"), "No Read\r");
    EXPECT_EQ(port_->Ask("WD 1 FFFFFFFFFFFFFFFF"), "NAK\r");
    EXPECT_EQ(port_->Ask("LD 1"), "NAK\r");
    EXPECT_EQ(port_->Ask("RD 99"), "ERR\r");
    EXPECT_FALSE(reader_->GetTransponder().locked[0]);

    reader_->SetPresent(true);
    EXPECT_EQ(port_->Ask("RD 1"), "0011223344556677\r");
}

TEST_F(VirtualReaderTest, CrLfModeEndsEveryReplyWithCrLf) {
    options_.lineEnd = "\r\n";
    Begin();
    port_->Send("TOR\rRUID\rWD 1 00\r");
    EXPECT_EQ(port_->ReadUntil("\r\n"), "10\r\n");
    EXPECT_EQ(port_->ReadUntil("\r\n"), "1A2B3C4D\r\n");
    EXPECT_EQ(port_->ReadUntil("\r\n"), "ERR\r\n");
}

TEST_F(VirtualReaderTest, LogsCommandLinesAndRawBytesExactly) {
    Begin();
    // A station ending lines with CR LF, and a command split across writes.
    const std::string sent = "RD 1\r\nTOR\rWD 3 0011223344556677\rRU";
    port_->Send(sent);
    port_->Send("ID\r");
    ASSERT_TRUE(reader_->WaitForCommands(4, kPatience));
    EXPECT_EQ(reader_->CommandLog(),
              (std::vector<std::string>{"RD 1", "TOR", "WD 3 0011223344556677", "RUID"}));
    EXPECT_EQ(reader_->ReceivedBytes(), sent + "ID\r");
    for (int i = 0; i < 4; ++i) port_->ReadLine();

    // ClearLog restarts the log and the numbering that faults refer to.
    reader_->ClearLog();
    EXPECT_TRUE(reader_->CommandLog().empty());
    EXPECT_EQ(reader_->ReceivedBytes(), "");
    reader_->ReplaceAnswer(1, "first\r");
    EXPECT_EQ(port_->Ask("LD 9"), "first\r");
    EXPECT_TRUE(reader_->GetTransponder().locked[8]);  // a faulted command still acts
    EXPECT_EQ(port_->Ask("LD 9"), "ACK\r");            // and a fault fires once
    EXPECT_EQ(reader_->CommandLog(), (std::vector<std::string>{"LD 9", "LD 9"}));
}

TEST_F(VirtualReaderTest, SilentReplacedAndDroppedRepliesHitOnlyTheirCommand) {
    Begin();
    reader_->NoAnswerTo(2);
    reader_->ReplaceAnswer(3, "#09\r");
    reader_->ReplaceAnswer(4, std::string(300, '7') + "\r");  // longer than any real line
    reader_->DropLineMidReply(5);
    EXPECT_EQ(port_->Ask("TOR"), "10\r");
    port_->Send("WD 2 0102030405060708\r");  // 2: no answer, yet written
    EXPECT_EQ(port_->Ask("RD 1"), "#09\r");
    EXPECT_EQ(port_->Ask("RUID"), std::string(300, '7') + "\r");
    // 5: half of "0011223344556677" and no CR, so the next reply runs on.
    port_->Send("RD 1\r");
    EXPECT_EQ(port_->Ask("TOR"), "0011223310\r");
    EXPECT_EQ(port_->Ask("RD 2"), "0102030405060708\r");
    EXPECT_EQ(reader_->CommandLog().size(), 7u);
}

TEST_F(VirtualReaderTest, UnsolicitedBytesGoAheadOfLaterReplies) {
    Begin();
    reader_->SendUnsolicited("XX");
    EXPECT_EQ(port_->Ask("TOR"), "XX10\r");
    reader_->SendUnsolicited("ACK\r");
    EXPECT_EQ(port_->ReadLine(), "ACK\r");
    EXPECT_EQ(reader_->CommandLog().size(), 1u);
}

TEST_F(VirtualReaderTest, DelayedReplyArrivesIntact) {
    options_.replyDelay = std::chrono::milliseconds(30);
    Begin();
    EXPECT_EQ(port_->Ask("RD 1"), "0011223344556677\r");
    reader_->SetReplyDelay(std::chrono::milliseconds(0));
    reader_->SetTorValue(255);
    EXPECT_EQ(port_->Ask("TOR"), "255\r");
}

TEST_F(VirtualReaderTest, StopCutsAPendingDelayShort) {
    options_.replyDelay = std::chrono::hours(1);
    Begin();
    port_->Send("TOR\r");
    ASSERT_TRUE(reader_->WaitForCommands(1, kPatience));
    // A hang here means Stop sleeps through the delay.
    auto stopped = std::async(std::launch::async, [&] { reader_->Stop(); });
    ASSERT_EQ(stopped.wait_for(std::chrono::seconds(60)), std::future_status::ready);
}

TEST_F(VirtualReaderTest, StationMayCloseAndReopenItsPort) {
    Begin();
    EXPECT_EQ(port_->Ask("TOR"), "10\r");
    port_->Close();
    StationPort again(reader_->SlavePath());
    ASSERT_TRUE(again.IsOpen());
    EXPECT_EQ(again.Ask("RUID"), "1A2B3C4D\r");
}

TEST_F(VirtualReaderTest, HangUpIsSeenByTheStation) {
    Begin();
    EXPECT_EQ(port_->Ask("TOR"), "10\r");
    reader_->HangUp();

    pollfd p{port_->Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, static_cast<int>(kPatience.count())), 1);
    EXPECT_NE(p.revents & POLLHUP, 0);
    errno = 0;
    EXPECT_EQ(::write(port_->Fd(), "TOR\r", 4), -1);
    EXPECT_EQ(errno, EIO);
    char c;
    const ssize_t n = ::read(port_->Fd(), &c, 1);
    EXPECT_TRUE(n == 0 || (n == -1 && errno == EIO)) << n;
    // The device is gone, as an unplugged adapter.
    StationPort again(reader_->SlavePath());
    EXPECT_FALSE(again.IsOpen());

    reader_->SendUnsolicited("late");  // harmless now
    reader_->HangUp();
    reader_->Stop();
}

TEST_F(VirtualReaderTest, ConcurrentSettingsNeverGarbleAReply) {
    options_.torValue = 12;
    Begin();
    std::atomic<bool> done{false};
    std::thread changer([&] {
        for (int i = 0; !done; ++i) {
            reader_->SetTorValue(i % 2 == 0 ? 12 : 34);
            reader_->SetPresent(i % 3 != 0);
            Transponder t = reader_->GetTransponder();
            t.pages[0][0] = static_cast<std::uint8_t>(i);
            reader_->SetTransponder(t);
            std::this_thread::yield();
        }
    });
    for (int i = 0; i < 100; ++i) {
        const std::string tor = port_->Ask("TOR");
        EXPECT_TRUE(tor == "12\r" || tor == "34\r") << tor;
        const std::string rd = port_->Ask("RD 1");
        EXPECT_TRUE(rd == "No Read\r" || (rd.size() == 17 && rd.substr(2) == "11223344556677\r"))
            << rd;
    }
    done = true;
    changer.join();
}

// --- Links ------------------------------------------------------------------

TEST_F(VirtualReaderTest, LinkPointsAtTheLineAndGoesAwayOnStop) {
    TempDir dir;
    const std::string link = (dir / "ttyReader").string();
    ASSERT_TRUE(::symlink("/nonexistent/stale", link.c_str()) == 0);
    Begin();
    std::string error;
    ASSERT_TRUE(reader_->CreateLink(link, &error)) << error;
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), reader_->SlavePath());
    {
        StationPort viaLink(link);
        ASSERT_TRUE(viaLink.IsOpen());
        EXPECT_EQ(viaLink.Ask("TOR"), "10\r");
    }
    reader_->Stop();
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST_F(VirtualReaderTest, LinkNeverReplacesAFileOrSomeoneElsesLink) {
    TempDir dir;
    const auto file = dir.Write("notalink", "keep me");
    Begin();
    std::string error;
    EXPECT_FALSE(reader_->CreateLink(file.string(), &error));
    EXPECT_NE(error.find("not a symbolic link"), std::string::npos) << error;
    EXPECT_EQ(dir.Read("notalink"), "keep me");

    // Another Reader took the name meanwhile: ours must not remove theirs.
    const std::string link = (dir / "ttyReader").string();
    ASSERT_TRUE(reader_->CreateLink(link, &error)) << error;
    std::filesystem::remove(link);
    std::filesystem::create_symlink("/dev/null", link);
    reader_->Stop();
    EXPECT_TRUE(std::filesystem::is_symlink(link));

    VirtualReader stopped;
    EXPECT_FALSE(stopped.CreateLink(link, &error));
}

// --- The transponder kept in a file -------------------------------------------

TEST_F(VirtualReaderTest, StateFileFollowsEveryChangeBeforeTheReply) {
    TempDir dir;
    options_.stateFile = (dir / "reader.state").string();
    options_.transponder.uid = "0A0B0C0D";
    Begin();
    EXPECT_EQ(port_->Ask("WD 2 FEDCBA9876543210"), "ACK\r");
    Transponder saved;
    std::string error;
    ASSERT_TRUE(sim::LoadTransponderFile(options_.stateFile, &saved, &error)) << error;
    EXPECT_EQ(sim::FormatPageHex(saved.pages[1]), "FEDCBA9876543210");
    EXPECT_FALSE(saved.locked[1]);

    EXPECT_EQ(port_->Ask("LD 2"), "ACK\r");
    ASSERT_TRUE(sim::LoadTransponderFile(options_.stateFile, &saved, &error)) << error;
    EXPECT_TRUE(saved.locked[1]);
    EXPECT_TRUE(saved.locked[4]);
    EXPECT_EQ(saved.uid, "0A0B0C0D");
    EXPECT_EQ(sim::FormatTransponder(saved), sim::FormatTransponder(reader_->GetTransponder()));
    // No temporary file left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);
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

    Transponder back;
    ASSERT_TRUE(sim::ParseTransponder(text, &back));
    EXPECT_EQ(sim::FormatTransponder(back), text);
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ASSERT_TRUE(sim::ParseTransponder(crlf, &back));
    EXPECT_EQ(sim::FormatTransponder(back), text);

    const std::string page = "0000000000000000 0\n";
    std::string pages16;
    for (int i = 0; i < 16; ++i) pages16 += page;
    const struct {
        std::string text;
        const char* line;
    } bad[] = {
        {pages16 + page, "line 18"},                          // no UID line
        {pages16 + "000000000000000 0\nUID 1\n", "line 17"},  // 15 digits
        {pages16 + "000000000000000G 0\nUID 1\n", "line 17"},
        {pages16 + "0000000000000000 2\nUID 1\n", "line 17"},
        {pages16 + page + "UID \n", "line 18"},               // empty UID
        {pages16 + page + "UID 1\nmore\n", "line 19"},
        {pages16 + "UID 1\n", "line 17"},
    };
    for (const auto& b : bad) {
        Transponder untouched = t;
        std::string error;
        EXPECT_FALSE(sim::ParseTransponder(b.text, &untouched, &error));
        EXPECT_EQ(error.rfind(b.line, 0), 0u) << error;
        EXPECT_EQ(sim::FormatTransponder(untouched), text);
    }
}

}  // namespace
}  // namespace tagwright::test
