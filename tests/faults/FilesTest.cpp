// Files in general: a planted link, the leftovers of a killed save, a NUL
// byte in a hand-edited file, and the page of eight blanks.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>

#include "StationRig.h"

namespace tagwright::test {
namespace {

TEST(FileFaults, ALinkPlantedAtTheSettingsFileNeverRedirectsTheSave) {
    TempDir elsewhere;
    const fs::path fifo = elsewhere / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path foreign = elsewhere.Write("someone-elses.ini", "[Auto]\r\nkept\r\n");
    // Only root can give a file to someone else.
    const bool foreignOwned = ::chown(foreign.c_str(), 4242, 4242) == 0;
    for (const fs::path& target : {fifo, foreign}) {
        if (target == foreign && !foreignOwned) continue;
        SCOPED_TRACE(target);
        StationRig rig;
        fs::create_symlink(target, rig.dir / "Tagwright.ini");
        StartUp(rig.station);  // reads nothing from the link, never blocks
        rig.view.messages.Clear();
        EXPECT_FALSE(ShutDown(rig.station));
        ASSERT_EQ(rig.Told().size(), 1u);
        EXPECT_EQ(rig.Told()[0].rfind("The station settings could not be saved.\r\n", 0), 0u);
    }
    EXPECT_EQ(ReadBytes(foreign), "[Auto]\r\nkept\r\n");
    EXPECT_TRUE(fs::is_fifo(fifo));
}

// A save or a record file rewrite killed between write and rename leaves a
// temporary file of ours; the next start removes it, in the settings folder
// and in the folder the current set's rows go to. Which names count as ours
// and stale is the file layer's rule.
TEST(FileFaults, TemporaryFilesLeftByAKilledSaveAreRemovedAtStart) {
    StationRig rig;
    const fs::path records = rig.dir / "records";
    fs::create_directory(records);
    ParameterSet set = CounterSet(rig.dir.Path());
    set.logFileName = (records / "record.xml").string();
    rig.WriteSettings();
    NameList names;
    RecordingMessageView quiet;
    ASSERT_EQ(SaveSet(rig.dir.Path(), kSetName, set, names, quiet), SaveSetResult::Saved);
    const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
    const auto leave = [&](const fs::path& path, bool old) {
        std::ofstream(path) << "half a file";
        if (old) fs::last_write_time(path, longAgo);
        return path;
    };
    std::vector<fs::path> gone, kept;
    for (const fs::path& dir : {rig.dir.Path(), records}) {
        gone.push_back(leave(dir / ".tw-a1b2c3d4", true));
        kept.push_back(leave(dir / ".tw-e5f6g7h8", false));  // another station saving now
        kept.push_back(leave(dir / ".tw-notours!", true));
        kept.push_back(leave(dir / ".tw-0therusr", true));
        if (::chown(kept.back().c_str(), 4242, 4242) != 0) kept.pop_back();  // root only
    }
    StartUp(rig.station);
    for (const fs::path& p : gone) EXPECT_FALSE(fs::exists(p)) << p;
    for (const fs::path& p : kept) EXPECT_TRUE(fs::exists(p)) << p;
}

TEST(FileFaults, ANulByteInTheSettingsFileReadsAndSavesTheSameEveryTime) {
    // Manual mode: page 5's field text comes from the settings file.
    std::string saved = std::string("[Auto]\r\nSelectConfig=0\r\n[Data]\r\nP5=AB") +
                        std::string(1, '\0') + "CD\r\n";
    std::string page5;
    for (int start = 0; start < 3; ++start) {
        SCOPED_TRACE(start);
        StationRig rig;
        rig.dir.Write("Tagwright.ini", saved);
        StartUp(rig.station);
        if (start == 0) page5 = rig.station.image.FieldText(5);
        EXPECT_EQ(rig.station.image.FieldText(5), page5);
        ASSERT_TRUE(ShutDown(rig.station));
        const std::string now = rig.dir.Read("Tagwright.ini");
        EXPECT_NE(now.find("P5=" + page5 + "\r\n"), std::string::npos);
        if (start > 0) {
            EXPECT_EQ(now, saved);  // from the first save on, the same bytes
        }
        saved = now;
    }
}

TEST(FileFaults, APageOfEightBlanksInAsciiViewIsProgrammed) {
    StationRig rig;
    ParameterSet set = CounterSet(rig.dir.Path());
    for (std::size_t k = 16; k < 24; ++k) set.hex[k] = "20";  // page 3
    DeriveAsciiTexts(set);
    set.writePages3to17 = true;
    rig.Start(set);
    FormatButtonClicked(rig.station, PageFormat::Ascii);
    for (int press = 0; press < 2; ++press) rig.PressOne();
    EXPECT_EQ(rig.Told(), Texts{});
    EXPECT_EQ(rig.Counter(), "9");
    const auto page3 = rig.sim.GetTransponder().pages[2];
    EXPECT_EQ(std::string(page3.begin(), page3.end()), std::string(8, ' '));
    EXPECT_EQ(Occurrences(rig.Record(), ">20 20 20 20 20 20 20 20<"), 2u);
}

}  // namespace
}  // namespace tagwright::test
