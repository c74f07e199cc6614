#include <gtest/gtest.h>

#include <csignal>
#include <set>

#include <sys/resource.h>
#include <sys/stat.h>

#include "base/AtomicFile.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Names(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
    return names;
}

fs::perms Mode(const fs::path& p) { return fs::status(p).permissions(); }

TEST(AtomicFile, WritesBytesExactlyAndLeavesOnlyTheTarget) {
    TempDir dir;
    const std::string bytes("a\0b\r\n\xF6\xFF\r", 8);
    ASSERT_TRUE(WriteFileAtomically(dir / "x.ini", bytes));
    EXPECT_EQ(ReadWholeFile(dir / "x.ini"), bytes);
    ASSERT_TRUE(WriteFileAtomically(dir / "x.ini", "second"));
    EXPECT_EQ(ReadWholeFile(dir / "x.ini"), "second");
    EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"x.ini"});
}

TEST(AtomicFile, NewFileTakesTheUmaskAndAnOldFileKeepsItsBits) {
    TempDir dir;
    const mode_t previous = ::umask(022);
    const bool a = WriteFileAtomically(dir / "a", "1");
    ::umask(077);
    const bool b = WriteFileAtomically(dir / "b", "1");
    ::umask(previous);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(Mode(dir / "a"), fs::perms(0644));
    EXPECT_EQ(Mode(dir / "b"), fs::perms(0600));

    fs::permissions(dir / "a", fs::perms(0640));
    ASSERT_TRUE(WriteFileAtomically(dir / "a", "2"));
    EXPECT_EQ(Mode(dir / "a"), fs::perms(0640));
}

TEST(AtomicFile, ReplacesTheFileALinkPointsAt) {
    TempDir dir;
    dir.Write("real.ini", "old");
    fs::create_symlink("real.ini", dir / "link.ini");
    ASSERT_TRUE(WriteFileAtomically(dir / "link.ini", "new"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.ini"));
    EXPECT_EQ(dir.Read("real.ini"), "new");
}

// Root ignores permission bits, so the failures are made in other ways.
TEST(AtomicFile, FailureNamesThePathAndLeavesEverythingAsItWas) {
    TempDir dir;
    fs::create_directory(dir / "taken");
    dir.Write("taken/inside", "keep");
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(dir / "taken", "x", &error));
    EXPECT_NE(error.find((dir / "taken").string()), std::string::npos) << error;
    EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
    EXPECT_EQ(dir.Read("taken/inside"), "keep");

    error.clear();
    EXPECT_FALSE(WriteFileAtomically(dir / "missing" / "x.ini", "x", &error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;

    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
    EXPECT_FALSE(WriteFileAtomically(dir / "pipe", "x", &error));
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));

    EXPECT_EQ(Names(dir.Path()), (std::set<std::string>{"pipe", "taken"}));
}

TEST(AtomicFile, WriteErrorKeepsTheOldFileAndRemovesTheTemporary) {
    TempDir dir;
    dir.Write("set.ini", "old content");
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 16;  // writes beyond 16 bytes fail with EFBIG
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool written = WriteFileAtomically(dir / "set.ini", std::string(100000, 'x'), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_NE(error.find("set.ini"), std::string::npos) << error;
    EXPECT_EQ(dir.Read("set.ini"), "old content");
    EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"set.ini"});
}

TEST(AtomicFile, ReadWholeFileGivesNothingForMissingFilesAndDirectories) {
    TempDir dir;
    EXPECT_EQ(ReadWholeFile(dir / "none"), std::nullopt);
    EXPECT_EQ(ReadWholeFile(dir.Path()), std::nullopt);
    EXPECT_EQ(ReadWholeFile(dir.Write("empty", "")), std::string());
}

}  // namespace
}  // namespace tagwright::test
