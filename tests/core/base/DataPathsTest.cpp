#include "core/base/DataPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TempDir.h"

namespace tagwright {
namespace {

namespace fs = std::filesystem;

using test::TempDir;

struct RuleCase {
    const char* what;
    const char* exeDir;     // below the temporary directory
    const char* xdgConfig;  // "" for unset; "~" marks a path below the temporary directory
    const char* xdgData;
    FileRule rule;
    const char* configDir;  // expected, below the temporary directory
    const char* dataDir;
};

// The install marks its tree; only a program with the mark beside it
// moves its files to the XDG directories.
TEST(DataPathsTest, MarkedInstallUsesXdgDirectoriesAndAnyOtherTheWorkingDirectory) {
    const RuleCase cases[] = {
        {"installed, variables unset", "usr/bin", "", "", FileRule::UserDirectories,
         "home/.config/tagwright", "home/.local/share/tagwright"},
        {"installed, variables set", "usr/bin", "~cfg", "~data", FileRule::UserDirectories,
         "cfg/tagwright", "data/tagwright"},
        {"installed, relative variables ignored", "usr/bin", "rel", "rel",
         FileRule::UserDirectories, "home/.config/tagwright", "home/.local/share/tagwright"},
        {"installed tree moved elsewhere", "opt/tw/bin", "", "", FileRule::UserDirectories,
         "home/.config/tagwright", "home/.local/share/tagwright"},
        {"build tree", "build/bin", "~cfg", "~data", FileRule::WorkingDirectory, "", ""},
        {"marker is a directory", "odd/bin", "", "", FileRule::WorkingDirectory, "", ""},
    };
    TempDir tmp;
    const fs::path root = tmp.Path();
    for (const char* dir : {"usr/bin", "opt/tw/bin", "build/bin", "odd/bin", "home"}) {
        fs::create_directories(root / dir);
    }
    for (const char* prefix : {"usr", "opt/tw"}) {
        const fs::path marker = InstalledMarker(root / prefix / "bin");
        fs::create_directories(marker.parent_path());
        std::ofstream(marker) << "installed\n";
    }
    fs::create_directories(InstalledMarker(root / "odd/bin"));
    const auto expand = [&](const char* v) -> std::string {
        return v[0] == '~' ? (root / (v + 1)).string() : v;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const DataPathsInput input{root / c.exeDir, expand(c.xdgConfig), expand(c.xdgData),
                                   (root / "home").string()};
        const DataPaths paths = ResolveDataPaths(input);
        EXPECT_EQ(paths.rule, c.rule);
        EXPECT_EQ(paths.configDirectory, *c.configDir ? root / c.configDir : fs::path());
        EXPECT_EQ(paths.dataDirectory, *c.dataDir ? root / c.dataDir : fs::path());
    }
    EXPECT_EQ(InstalledMarker("/usr/bin"), fs::path("/usr/share/tagwright/installed"));
}

TEST(DataPathsTest, WithoutSetUpEverythingStaysInTheWorkingDirectoryAndIsDescribed) {
    std::error_code ec;
    EXPECT_EQ(StationSettingsDirectory(ec), fs::current_path());
    EXPECT_EQ(StationJournalDirectory(ec), fs::current_path());
    EXPECT_EQ(StationRecordDirectory("/some/where"), fs::path("/some/where"));
    EXPECT_NE(DescribeDataPaths({}).find("working directory"), std::string::npos);
    const std::string text = DescribeDataPaths(
        {FileRule::UserDirectories, "/h/.config/tagwright", "/h/.local/share/tagwright"});
    EXPECT_NE(text.find("/h/.config/tagwright"), std::string::npos) << text;
    EXPECT_NE(text.find("/h/.local/share/tagwright"), std::string::npos) << text;
}

}  // namespace
}  // namespace tagwright
