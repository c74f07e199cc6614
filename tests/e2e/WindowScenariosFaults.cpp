// The window against what goes wrong on a line: a Reader that sends what
// no good Reader sends, files left or planted in the station's folder, a
// settings file edited by hand. A tag counts only when it was really
// programmed, and what the window saves is what it read.

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include <QTest>

#include "e2e/ScenarioMain.h"
#include "e2e/WindowRig.h"
#include "gui/main/MainWindow.h"

using namespace tagwright;
using namespace tagwright::test;
using enum tagwright::MainControl;

namespace fs = std::filesystem;

namespace {

const std::string kCounter = "Decimal counter=1\r\n";
const std::string kBurned =
    "The carrier ID 0005 is not used again: the failed cycle may have written it to the "
    "transponder.";

// The set "Line" with 17 pages of "F" beside the ID, all written; PAGE3
// as page 3's digits.
std::string AllPages(const ScenarioDir& dir, const std::string& page3) {
    return SetIni(kCounter,
                  "[Transponder type]\r\nNorvik=1\r\n[Log]\r\nLog=1\r\nfile name=" +
                      dir.Path("record.xml").string() +
                      "\r\n[Pages 3-17]\r\nWrite Pages 3-17=1\r\n",
                  17, {}, {{3, page3}}, "46");
}

bool StartOn(WindowRig& s, const std::string& set) {
    s.Write("Line.ini", set);
    s.Settings(1, "Line", "Carrier ID Max=20\r\n");
    return s.Start();
}

}  // namespace

class WindowFaultScenarios : public QObject {
    Q_OBJECT
private slots:
    // Nothing a bad Reader sends is taken for a reply: a UID or page that
    // breaks the line rules fails its step, and no row is recorded.
    void badReplies_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("lineEnd");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QStringList>("told");
        const QString uid = QString::fromStdString(
            "UID can't be read. No or defect transponder on Antenna or wrong transponder type "
            "chosen.");
        // 10 kB without CR, then a UID: the UID is not taken.
        QTest::newRow("long line, UID") << int(sim::BadReply::OverLongLine) << "\r" << "Norvik"
                                        << QStringList{uid};
        // "1A2B<NUL>3C4D" is four digits, not a UID.
        QTest::newRow("NUL, UID") << int(sim::BadReply::NulInside) << "\r" << "Norvik"
                                  << QStringList{uid};
        // The read-back of a page with a NUL does not pass for the page.
        const QString locking = "Error on locking the pages of the transponder.";
        const QString burned = QString::fromStdString(kBurned);
        QTest::newRow("NUL, page") << int(sim::BadReply::NulInside) << "\r" << "TI"
                                   << QStringList{locking, burned};
        // 14 digits with CR LF make 16 bytes, but not a page.
        QTest::newRow("short page") << int(sim::BadReply::ShortPage) << "\r\n" << "TI"
                                    << QStringList{"Page 1 was not written as sent.\r\nWritten: "
                                                   "3030303546464646\r\nRead back: 30303035464646",
                                                   locking, burned};
    }
    void badReplies() {
        QFETCH(int, mode);
        QFETCH(QString, lineEnd);
        QFETCH(QString, type);
        QFETCH(QStringList, told);
        sim::Options reader;
        reader.faults.badReply = static_cast<sim::BadReply>(mode);
        reader.lineEnd = lineEnd.toStdString();
        WindowRig s(reader);
        QVERIFY(StartOn(s, LineSet(s, kCounter, type.toStdString())));
        Texts expected;
        for (const QString& text : told) expected.push_back(text.toStdString());
        for (const std::string& text : expected) s.Answer(text);
        s.Click("  One");
        const bool settled = s.Settle();
        QVERIFY(SameLines(s.messages, expected));
        QVERIFY(settled);
        QVERIFY(s.Read("record.xml").empty());
        QVERIFY(s.Colour(PageField(1)) != QColor(0, 255, 0));
    }

    // Eight blanks shown as ASCII are a page like any other.
    void blanksInAsciiView() {
        WindowRig s;
        QVERIFY(StartOn(s, AllPages(s, "2020202020202020")));
        s.Click(AsciiButton);
        for (const char* uid : {"00000001", "00000002"}) {
            sim::Transponder tag;
            tag.uid = uid;
            s.reader.SetTransponder(tag);
            s.Click("  One");
            QVERIFY(s.Settle());
        }
        QVERIFY(PageHex(s.reader.GetTransponder(), 3) == "2020202020202020");
        QCOMPARE(Occurrences(s.Read("record.xml"), ">20 20 20 20 20 20 20 20<"), std::size_t{2});
        QCOMPARE(s.Text(NextField), QStringLiteral("7"));
    }

    // A save killed between write and rename leaves a temporary file of
    // ours; the start removes the stale ones in the settings folder and in
    // the folder of the set's record file, and nothing else.
    void staleTemporaryFilesRemovedAtStart() {
        WindowRig s;
        fs::create_directory(s.Path("records"));
        s.Write("Line.ini", Replaced(LineSet(s, kCounter), s.Path("record.xml").string(),
                                     s.Path("records/record.xml").string()));
        s.Settings(1, "Line");
        const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
        std::vector<fs::path> gone, kept;
        for (const fs::path& dir : {s.Path(), s.Path("records")}) {
            const auto leave = [&](const char* name, bool old) {
                std::ofstream(dir / name) << "half a file";
                if (old) fs::last_write_time(dir / name, longAgo);
                return dir / name;
            };
            gone.push_back(leave(".tw-a1b2c3d4", true));
            kept.push_back(leave(".tw-e5f6g7h8", false));  // another station saving now
            kept.push_back(leave(".tw-notours!", true));
            kept.push_back(leave(".tw-0therusr", true));
            if (::chown(kept.back().c_str(), 4242, 4242) != 0) kept.pop_back();  // root only
        }
        QVERIFY(s.Start());
        QVERIFY(s.Settle());
        for (const fs::path& p : gone) QVERIFY2(!fs::exists(p), p.c_str());
        for (const fs::path& p : kept) QVERIFY2(fs::exists(p), p.c_str());
    }

    // A link planted at the settings file: the start reads nothing through
    // it and never blocks, the save at the end refuses to follow it.
    void linkAtTheSettingsFile_data() {
        QTest::addColumn<bool>("pipe");
        QTest::newRow("to a pipe") << true;
        QTest::newRow("to someone else's file") << false;
    }
    void linkAtTheSettingsFile() {
        QFETCH(bool, pipe);
        WindowRig s;
        const fs::path target = s.Path(pipe ? "pipe" : "someone-elses.ini");
        if (pipe) {
            QCOMPARE(::mkfifo(target.c_str(), 0600), 0);
        } else {
            s.Write("someone-elses.ini", "[Auto]\r\nkept\r\n");
            if (::chown(target.c_str(), 4242, 4242) != 0) QSKIP("only root gives files away");
        }
        fs::create_symlink(target, s.Path("Tagwright.ini"));
        s.Answer(" konnte nicht ge\xF6" "ffnet werden!\r\nNo port is chosen: choose the "
                 "Reader's port in Interface > Settings.");
        QVERIFY(s.Start());
        QVERIFY(s.Settle());
        s.Window().close();  // its box is the last, not waited for
        QCOMPARE(s.messages.size(), std::size_t{2});
        QVERIFY(s.messages[1].starts_with("The station settings could not be saved.\r\n"));
        if (pipe) {
            QVERIFY(fs::is_fifo(target));
        } else {
            QCOMPARE(s.Read("someone-elses.ini"), std::string("[Auto]\r\nkept\r\n"));
        }
    }

    // A NUL byte in a hand-edited settings file: the window shows the same
    // text at every start and saves the same bytes from the first save on.
    void nulInTheSettingsFile() {
        std::string saved = "[Data]\r\nP5=AB" + std::string(1, '\0') + "CD\r\n";
        QString page5;
        std::string port;  // the last start's, written as the next one's
        for (int start = 0; start < 3; ++start) {
            WindowRig s;
            if (start == 0) {
                s.Settings(0, {}, saved);
            } else {
                s.Write("Tagwright.ini", Replaced(saved, port, s.Port()));
            }
            QVERIFY(s.Start());
            QVERIFY(s.Settle());
            if (start == 0) page5 = s.Text(PageField(5));
            QCOMPARE(s.Text(PageField(5)), page5);
            s.Window().close();
            const std::string now = Replaced(s.Read("Tagwright.ini"), s.Port(), "$PORT");
            QVERIFY(now.find("P5=" + page5.toStdString() + "\r\n") != std::string::npos);
            if (start > 0) QVERIFY(now == Replaced(saved, port, "$PORT"));
            saved = s.Read("Tagwright.ini");
            port = s.Port();
        }
    }
};

TW_SCENARIOS(WindowFaultScenarios)
#include "WindowScenariosFaults.moc"
