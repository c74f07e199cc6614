// tagwright-station against what goes wrong on a line: a set or list
// edited by hand, a record file that is foreign, damaged or meets a full
// disk, a run stopped by SIGTERM, a journal edited behind the station's
// back. Nothing whose success was reported may be lost: record rows, list
// marks, the counter and what the operator is told agree.

#include <sys/stat.h>

#include <filesystem>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "e2e/ScenarioMain.h"
#include "e2e/StationProgram.h"
#include "support/FileSizeLimit.h"

using namespace tagwright;
using namespace tagwright::test;

namespace {

const QStringList kRun{"program", "--set", "Line", "--interval", "10"};
const std::string kMaximum = "Maximum Carrier ID reached.";

// SET as "Line", the station's set.
void Station(StationProgram& s, const std::string& set) { s.LineStation(set, 9999); }

// The line set without locks, so that a tag can be programmed again.
std::string Unlocked(const ScenarioDir& dir, const std::string& source,
                     const std::string& type = "Norvik") {
    return Replaced(Replaced(LineSet(dir, source, type), "Lock Page 1=1", "Lock Page 1=0"),
                    "Lock Page 2=1", "Lock Page 2=0");
}

std::string Counter(const StationProgram& s) {
    return s.Ini("Line.ini", "SEMI E99 Carrier ID Setup", "Carrier ID");
}

// The record file's rows of tags: those with a date.
std::size_t TagRows(const ScenarioDir& s) {
    return Occurrences(Masked(s.Read("record.xml")), ">DD/MM/YY<");
}

bool NoWrite(const StationProgram& s) {
    for (const std::string& c : s.reader.CommandLog()) {
        if (c.starts_with("WD")) return false;
    }
    return true;
}

const std::string kHeader = "Carrier ID;done;\r\n";
const std::string kListRefusal =
    "The carrier ID in line 3 of the carrier ID list file holds a character that a carrier ID "
    "must not hold (a control character, a blank, a byte above 0x7E, or one of < > & \" ').";

}  // namespace

class StationFaultScenarios : public QObject {
    Q_OBJECT
private slots:
    // A layout that would cut the ID's digits off or wrap the counter is
    // refused before the Reader hears anything.
    void layoutRefused_data() {
        QTest::addColumn<QString>("offset");
        QTest::addColumn<QString>("length");
        QTest::newRow("cut off") << "10" << "10";
        QTest::newRow("wraps") << "0" << "20";
    }
    void layoutRefused() {
        QFETCH(QString, offset);
        QFETCH(QString, length);
        StationProgram s;
        Station(s, Replaced(LineSet(s, kCounter), "Carrier ID Offset=0\r\nCarrier ID Length=4",
                            "Carrier ID Offset=" + offset.toStdString() +
                                "\r\nCarrier ID Length=" + length.toStdString()));
        const Finished f = s.Run(kRun);
        QCOMPARE(f.code, 10);
        QVERIFY(Said(f, "Carrier ID Length \"" + length.toStdString() + "\""));
        QVERIFY(s.reader.CommandLog().empty());
        QCOMPARE(Counter(s), std::string("5"));
        QVERIFY(s.Read("record.xml").empty());
    }

    // A list edited by hand, or a path that names no file: no refused
    // character reaches a tag, the list stays as it was, the run ends.
    void listFile_data() {
        QTest::addColumn<QString>("text");  // the list's bytes, or a path
        QTest::addColumn<QString>("told");  // empty: programmed
        QTest::newRow("tab") << QString::fromStdString(kHeader + "0000;X;\r\n00\t1;\r\n0002;\r\n")
                             << QString::fromStdString(kListRefusal);
        QTest::newRow("<") << QString::fromStdString(kHeader + "0000;X;\r\n00<1;\r\n0002;\r\n")
                           << QString::fromStdString(kListRefusal);
        // A pipe nobody writes to would block a read for ever; /dev/zero never ends.
        QTest::newRow("pipe") << "/fifo" << "ids.csv\": it is not a regular file.";
        QTest::newRow("endless") << "/dev/zero" << "/dev/zero";
        QTest::newRow("empty lines")
            << QString::fromStdString(kHeader + "\r\n\r\n0001;\r\n0002;\r\n") << "";
    }
    void listFile() {
        QFETCH(QString, text);
        QFETCH(QString, told);
        StationProgram s;
        std::string list = s.Path("ids.csv").string();
        if (text == "/fifo") {
            QCOMPARE(::mkfifo(list.c_str(), 0600), 0);
        } else if (text.startsWith('/')) {
            list = text.toStdString();
        } else {
            s.Write("ids.csv", text.toStdString());
        }
        Station(s, LineSet(s, ListSource(list)));
        const Finished f = s.Run(kRun + QStringList{"--count", "1"});
        if (told.isEmpty()) {
            QCOMPARE(f.code, 0);
            QCOMPARE(s.Read("ids.csv"), kHeader + "\r\n\r\n0001;X;\r\n0002;\r\n");
            QVERIFY(PageHex(s.reader.GetTransponder(), 1).starts_with("30303031"));
            return;
        }
        QCOMPARE(f.code, 6);
        QVERIFY(Said(f, "Next Carrier ID has the wrong format. Check the used csv file."));
        QVERIFY(Said(f, told.toStdString()));
        QVERIFY(Said(f, kMaximum));
        QVERIFY(NoWrite(s));
        QVERIFY(s.Read("record.xml").empty());
        if (!text.startsWith('/')) QCOMPARE(s.Read("ids.csv"), text.toStdString());
    }

    // A foreign record file is never written into: the tag counts, the
    // operator hears that its row is missing. Junk after our own table end
    // is dropped when the next row goes in.
    void foreignOrJunkRecordFile() {
        const std::string foreign =
            "<?xml version=\"1.0\"?>\r\n<Workbook>\r\n <Worksheet>\r\n  <Table>\r\n"
            "   <Row><Cell><Data>kept</Data></Cell></Row>\r\n  </Table>\r\n"
            "  <Notes>everything after the table end</Notes>\r\n </Worksheet>\r\n</Workbook>\r\n";
        StationProgram s;
        Station(s, Unlocked(s, kCounter));
        s.Write("record.xml", foreign);
        const Finished f = s.Run(kRun);
        QCOMPARE(f.code, 9);
        QVERIFY(Said(f, "Protokolldatei kann nicht erstellt werden."));
        QCOMPARE(s.Read("record.xml"), foreign);
        QCOMPARE(Counter(s), std::string("6"));

        std::filesystem::remove(s.Path("record.xml"));
        QCOMPARE(s.Run(kRun + QStringList{"--yes"}).code, 0);
        s.Write("record.xml", s.Read("record.xml") + "  </Table>\r\n<junk/>\r\n  </Table>\r\n");
        QCOMPARE(s.Run(kRun + QStringList{"--yes"}).code, 0);
        const std::string record = s.Read("record.xml");
        QCOMPARE(Occurrences(record, "<junk/>"), std::size_t{0});
        QCOMPARE(Occurrences(record, "</Table>"), std::size_t{1});
        for (const char* id : {">30 30 30 36 46", ">30 30 30 37 46"}) {
            QCOMPARE(Occurrences(record, id), std::size_t{1});
        }
    }

    // 79 rows after the block make a count of 99: the next row needs a
    // longer count, so the file is rewritten as a copy, which a full disk
    // stops. The file stays as it was; with room again the row goes in.
    void rewriteOnAFullDisk() {
        // Tags staying long enough for 17 pages; a new one laid for each run.
        StationProgram s(Laid(79, 'C', 60, 1));
        Station(s, SetIni(kCounter,
                          "[Transponder type]\r\nNorvik=1\r\n[Log]\r\nLog=1\r\nfile name=" +
                              s.Path("record.xml").string() +
                              "\r\n[Pages 3-17]\r\nWrite Pages 3-17=1\r\n",
                          17, {}, {}, "46"));
        const Finished first = s.Run(kRun + QStringList{"--count", "79"});
        QVERIFY2(first.code == 0, first.err.c_str());
        const std::string old = s.Read("record.xml");
        QVERIFY(old.find("ss:ExpandedRowCount=\"99\"") != std::string::npos);
        Finished full;
        {
            FileSizeLimit limit(old.size() + 100);  // room for the rows, not for the copy
            QVERIFY(limit.Ok());
            s.reader.SetSequence(Laid(1, 'D', 60, 1).sequence);
            full = s.Run(kRun);
        }
        QVERIFY2(full.code == 9, full.err.c_str());
        QVERIFY(Said(full, "Protokolldatei kann nicht erstellt werden."));
        QCOMPARE(s.Read("record.xml"), old);
        s.reader.SetSequence(Laid(1, 'E', 60, 1).sequence);
        QCOMPARE(s.Run(kRun).code, 0);
        QCOMPARE(TagRows(s), std::size_t{80});
    }

    // The same tag again: No unless --yes says otherwise.
    void programAgain() {
        StationProgram s;
        Station(s, Unlocked(s, kCounter));
        QCOMPARE(s.Run(kRun).code, 0);
        const Finished again = s.Run(kRun);
        QCOMPARE(again.code, 1);
        QVERIFY(Said(again, "Answered: No"));
        QCOMPARE(s.Run(kRun + QStringList{"--yes"}).code, 0);
        QCOMPARE(TagRows(s), std::size_t{2});
        QCOMPARE(Counter(s), std::string("7"));
    }

    // SIGTERM ends the run after the tag in hand: each tag reported has
    // its row, nothing else was taken.
    void sigtermAfterTheTagInHand() {
        sim::Options six = Laid(6, 'C', 24, 1);
        six.sequence.stayCommands = six.sequence.gapCommands = 0;  // slow tags: time to stop
        six.sequence.stayTime = std::chrono::milliseconds(800);
        six.sequence.gapTime = std::chrono::milliseconds(200);
        StationProgram s(six);
        Station(s, LineSet(s, kCounter));
        QVERIFY(s.Launch(kRun + QStringList{"--count", "6", "--json"}));
        QVERIFY(QTest::qWaitFor([&] { return s.LinesSoFar() >= 1; }, 60000));
        s.Running().terminate();
        const Finished f = s.Collect();
        QCOMPARE(f.code, 11);
        QVERIFY(!f.out.empty() && f.out.size() < 6);
        QCOMPARE(TagRows(s), f.out.size());
        QCOMPARE(s.Journal("SELECT count(*) FROM cycles WHERE outcome = 'programmed'"),
                 Texts{std::to_string(f.out.size())});
        QCOMPARE(s.Journal("SELECT count(*) FROM cycles WHERE outcome <> 'programmed'"),
                 Texts{"0"});
    }

    // A field CSV must quote, and each fault "journal check" finds: an ID
    // taken twice, a burned or reserved ID that a record row holds.
    void journalFaults() {
        StationProgram s(Laid(3, 'C', 24, 1));
        Station(s, Replaced(LineSet(s, kCounter), "WO-1", "WO,7 \"east\""));
        const Finished run = s.Run(kRun + QStringList{"--count", "3"});
        QVERIFY2(run.code == 0, (Joined(run.out) + run.err).c_str());
        const Finished csv = s.Run({"journal", "export", "--csv"});
        QCOMPARE(csv.out.size(), std::size_t{4});
        QVERIFY(csv.out[1].find(",\"WO,7 \"\"east\"\"\",") != std::string::npos);
        const Finished json = s.Run({"journal", "export", "--json"});
        QCOMPARE(json.out.size(), std::size_t{3});
        const QJsonObject row =
            QJsonDocument::fromJson(QByteArray::fromStdString(json.out[0])).object();
        QCOMPARE(row["work_order"].toString(), QStringLiteral("WO,7 \"east\""));
        // The unique index replaced by a plain one of its name, which the
        // journal keeps: 0005 can be taken twice.
        s.Journal("UPDATE cycles SET outcome = 'burned' WHERE carrier_id = '0006'; "
                  "DROP INDEX carrier_id_once; "
                  "CREATE INDEX carrier_id_once ON cycles (carrier_id); "
                  "INSERT INTO cycles (time_utc, time_local, host, set_name, work_order, "
                  "part_number, operator_badge, carrier_id, outcome) SELECT time_utc, time_local, "
                  "host, set_name, work_order, part_number, operator_badge, carrier_id, "
                  "'reserved' FROM cycles WHERE carrier_id = '0005'");
        const Finished check = s.Run({"journal", "check"});
        QCOMPARE(check.code, 12);
        const std::string out = Joined(check.out);
        for (const char* fault : {"carrier ID 0005 is taken by cycles 1 4",
                                  "carrier ID 0006 is burned (cycle 2) but row",
                                  "carrier ID 0005 is reserved (cycle 4) but row"}) {
            QVERIFY2(out.find(fault) != std::string::npos, out.c_str());
        }
    }
};

TW_SCENARIOS(StationFaultScenarios)
#include "StationScenariosFaults.moc"
