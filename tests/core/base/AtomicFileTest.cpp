#include <gtest/gtest.h>

#include <set>

#include <sys/stat.h>

#include "core/base/AtomicFile.h"
#include "support/FileSizeLimit.h"
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

TEST(AtomicFile, WritesBytesExactlyKeepsModesAndLinksAndLeavesOnlyTheTarget) {
    TempDir dir;
    const std::string bytes("a\0b\r\n\xF6\xFF\r", 8);
    const mode_t previous = ::umask(077);
    const bool written = WriteFileAtomically(dir / "x.ini", bytes);
    ::umask(022);
    const bool other = WriteFileAtomically(dir / "y.ini", "");
    ::umask(previous);
    ASSERT_TRUE(written && other);
    EXPECT_EQ(ReadWholeFile(dir / "x.ini"), bytes);
    EXPECT_EQ(Mode(dir / "x.ini"), fs::perms(0600));  // a new file takes the umask
    EXPECT_EQ(Mode(dir / "y.ini"), fs::perms(0644));

    fs::permissions(dir / "x.ini", fs::perms(0640));
    fs::create_symlink("x.ini", dir / "link.ini");
    ASSERT_TRUE(WriteFileAtomically(dir / "link.ini", "second"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.ini"));
    EXPECT_EQ(ReadWholeFile(dir / "x.ini"), "second");
    EXPECT_EQ(Mode(dir / "x.ini"), fs::perms(0640));
    EXPECT_EQ(Names(dir.Path()), (std::set<std::string>{"link.ini", "x.ini", "y.ini"}));

    EXPECT_EQ(ReadWholeFile(dir / "none"), std::nullopt);
    EXPECT_EQ(ReadWholeFile(dir.Path()), std::nullopt);
    EXPECT_EQ(ReadWholeFile(dir.Write("empty", "")), std::string());
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

    EXPECT_FALSE(WriteFileAtomically(dir / "missing" / "x.ini", "x", &error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;

    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
    EXPECT_FALSE(WriteFileAtomically(dir / "pipe", "x"));
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));

    // A write error (the file size limit) keeps the old file and removes the temporary.
    dir.Write("set.ini", "old content");
    {
        FileSizeLimit limit(16);
        ASSERT_TRUE(limit.Ok());
        EXPECT_FALSE(WriteFileAtomically(dir / "set.ini", std::string(100000, 'x'), &error));
    }
    EXPECT_NE(error.find("set.ini"), std::string::npos) << error;
    EXPECT_EQ(dir.Read("set.ini"), "old content");
    EXPECT_EQ(Names(dir.Path()), (std::set<std::string>{"pipe", "set.ini", "taken"}));
}

}  // namespace
}  // namespace tagwright::test
