#include <gtest/gtest.h>

#include <chrono>
#include <set>

#include <unistd.h>

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
    // The temporary name stays short whatever the target is called.
    const std::string longName = std::string(250, 's') + ".ini";
    ASSERT_TRUE(WriteFileAtomically(dir / longName, "long"));
    EXPECT_EQ(ReadWholeFile(dir / longName), "long");
    EXPECT_EQ(Names(dir.Path()), (std::set<std::string>{"link.ini", "x.ini", "y.ini", longName}));

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

// Each must return at once with a message naming the file and the reason:
// a pipe would block the window, /dev/zero would fill the memory.
TEST(AtomicFile, ReadRefusesWhatIsNoSaneRegularFile) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
    fs::create_directory(dir / "folder");
    fs::resize_file(dir.Write("huge", ""), kMaxWholeFileSize + 1);
    const std::pair<fs::path, std::string> cases[] = {
        {dir / "pipe", "not a regular file"},
        {"/dev/zero", "not a regular file"},
        {dir / "folder", "Is a directory"},
        {dir / "huge", "larger than 64 MiB"},
        {dir / "missing", "No such file or directory"},
    };
    for (const auto& [path, reason] : cases) {
        std::string error;
        EXPECT_EQ(ReadWholeFile(path, &error), std::nullopt) << path;
        EXPECT_NE(error.find("\"" + path.string() + "\""), std::string::npos) << error;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
    fs::resize_file(dir / "huge", kMaxWholeFileSize);
    EXPECT_EQ(ReadWholeFile(dir / "huge").value_or("").size(), kMaxWholeFileSize);
}

// A link is followed only to a regular file of the link's owner; the tests
// run as root, so the link can be given to another user.
TEST(AtomicFile, LinksToOtherOwnersOrNonFilesAreRefused) {
    TempDir dir;
    dir.Write("victim", "keep");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
    fs::create_symlink(dir / "victim", dir / "planted.ini");
    const bool otherOwner = ::lchown((dir / "planted.ini").c_str(), 4321, 4321) == 0;
    fs::create_symlink(dir / "nowhere", dir / "dangling.ini");
    fs::create_symlink(dir / "pipe", dir / "topipe.ini");
    const std::pair<std::string, std::string> cases[] = {
        {"dangling.ini", "link to a missing file"},
        {"topipe.ini", "link to something other than a regular file"},
        {"planted.ini", "link to a file of another owner"},
    };
    for (const auto& [name, reason] : cases) {
        if (name == "planted.ini" && !otherOwner) continue;
        std::string error;
        EXPECT_FALSE(WriteFileAtomically(dir / name, "evil", &error)) << name;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
        EXPECT_TRUE(fs::is_symlink(dir / name));
    }
    EXPECT_EQ(dir.Read("victim"), "keep");
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
    if (otherOwner) {
        std::string error;
        EXPECT_EQ(ReadWholeFile(dir / "planted.ini", &error), std::nullopt);
        EXPECT_NE(error.find("another owner"), std::string::npos) << error;
    }
}

TEST(AtomicFile, StaleTemporaryFilesOfOursAreRemoved) {
    TempDir dir;
    const std::string old[] = {".tw-a1B2c3", ".tw-abcd1234", "set.ini.tmp-k3j4h5g6",
                               ".tw-toolong123", "set.ini", "x.tmp-ABCDEFGH", ".tw-"};
    const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const std::string& name : old) fs::last_write_time(dir.Write(name, "x"), longAgo);
    dir.Write(".tw-fresh123", "x");  // a save that may still be under way
    fs::create_directory(dir / ".tw-folder");
    fs::last_write_time(dir / ".tw-folder", longAgo);

    EXPECT_EQ(RemoveStaleTempFiles(dir.Path()), 3);
    EXPECT_EQ(Names(dir.Path()),
              (std::set<std::string>{".tw-toolong123", "set.ini", "x.tmp-ABCDEFGH", ".tw-",
                                     ".tw-fresh123", ".tw-folder"}));
    EXPECT_EQ(RemoveStaleTempFiles(dir / "missing"), 0);
}

}  // namespace
}  // namespace tagwright::test
