// What the operator sees without asking, against the virtual Reader: the
// port coming back by itself, the set's carrier ID source, the progress of
// a slow cycle, each way a cycle fails, and File > Open record folder.

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

#include "GuiTestSupport.h"
#include "MainWindowTestSupport.h"
#include "gui/main/StatusLineWidget.h"
#include "reader-sim/VirtualReader.h"

using namespace tagwright;
using namespace tagwright::gui;
using namespace tagwright::test;

namespace {

constexpr int kWait = 20000;
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);

// A set of a TI transponder (no UID read) on work order WO-1 of 10 tags,
// pages 1 and 2 written, page 1 locked; SOURCE holds the [Data Source] keys,
// EXTRA more.
std::string SetFile(const std::string& source, const std::string& extra = {}) {
    std::string set = "[Data Source]\r\n" + source +
                      "[SEMI E99 Carrier ID Setup]\r\nCarrier ID Offset=0\r\n"
                      "Carrier ID Length=4\r\nCarrier ID=5\r\n"
                      "[Transponder type]\r\nTI=1\r\n[Work order Setup]\r\n"
                      "Work order number=WO-1\r\nQuantity=10\r\n";
    for (int k = 0; k < 16; ++k) {
        if (k % 8 == 0) set += "[Page " + std::to_string(k / 8 + 1) + "]\r\n";
        if (k == 0) set += "Lock Page 1=1\r\n";
        set += "HEX " + std::string(k < 10 ? "0" : "") + std::to_string(k) + "=41\r\n";
    }
    return set + extra;
}

const std::string kCounter = "Decimal counter=1\r\n";

// F5, then until the cycle tick has run it.
bool PressOne(MainWindow& w) {
    QTest::keyClick(&w, Qt::Key_F5);
    if (!w.Model().run.oneRequested) return false;
    return QTest::qWaitFor([&] { return !w.Model().run.oneRequested; }, kWait);
}

// Stands in for the desktop's file manager while it lives.
class FileOpener : public QObject {
    Q_OBJECT
public:
    FileOpener() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~FileOpener() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    FileOpener(const FileOpener&) = delete;
    FileOpener& operator=(const FileOpener&) = delete;

    Q_INVOKABLE void Open(const QUrl& url) { opened.append(url); }

    QList<QUrl> opened;
};

}  // namespace

class OperatorViewTest : public QObject {
    Q_OBJECT
private slots:
    // The Reader goes away (unplugged) and comes back under the same name:
    // the status line says lost, then reopened, and the next cycle runs.
    void portReopensByItself() {
        StationDir dir;
        const std::string link = dir.Path(QStringLiteral("reader")).toStdString();
        sim::VirtualReader first;
        QVERIFY(first.Start());
        QVERIFY(first.CreateLink(link));
        dir.Write("Line.ini", SetFile(kCounter));
        dir.Write("Tagwright.ini", StationIni(link, 1, "Line", "Carrier ID Max=20\r\n"));
        ScopedMessageBoxes boxes;
        MainWindow& w = dir.Start();
        QVERIFY(ShowActive(w));
        StatusLineWidget* line = w.StatusLine();
        const QString port = QStringLiteral("Reader %1: ").arg(QString::fromStdString(link));
        QCOMPARE(line->PortText(), port + QStringLiteral("open"));

        // As an adapter's by-id link goes when it is unplugged; a link left
        // behind could meet another test's pseudo-terminal under the old number.
        first.HangUp();
        QVERIFY(QFile::remove(QString::fromStdString(link)));
        QTRY_COMPARE_WITH_TIMEOUT(line->PortText(),
                                  port + QStringLiteral("lost, waiting for the device"), kWait);
        sim::VirtualReader again;
        QVERIFY(again.Start());
        QVERIFY(again.CreateLink(link));
        QTRY_COMPARE_WITH_TIMEOUT(line->PortText(), port + QStringLiteral("reopened"), kWait);
        QVERIFY(boxes.shown.empty());

        QVERIFY(PressOne(w));
        QCOMPARE(line->ResultText(), QStringLiteral("Last: programmed"));
        QVERIFY(!again.CommandLog().empty());
    }

    // Where the carrier IDs come from, as the set part of the status line
    // says it; a list counts down as its entries are used.
    void setSources() {
        sim::VirtualReader reader;
        QVERIFY(reader.Start());
        StationDir dir;
        const std::string list = dir.Path(QStringLiteral("ids.csv")).toStdString();
        dir.Write("ids.csv", "Carrier ID;done;\r\n0001;;\r\n0002;;\r\n");
        dir.Write("List.ini", SetFile("csv file=1\r\nfile name=" + list + "\r\n"));
        dir.Write("Fix.ini", SetFile("fix data=1\r\n"));
        const std::string sets = "Pruefablaeufe=2\r\nPruefablauf_0=List\r\nPruefablauf_1=Fix\r\n";
        dir.Write("Tagwright.ini", StationIni(reader.SlavePath(), 1, "List", sets));
        ScopedMessageBoxes boxes;
        MainWindow& w = dir.Start();
        QVERIFY(ShowActive(w));
        StatusLineWidget* line = w.StatusLine();
        QCOMPARE(line->SetText(), QStringLiteral("Set List (list, 2 left)"));
        QVERIFY(PressOne(w));
        QCOMPARE(line->ResultText(), QStringLiteral("Last: programmed"));
        QCOMPARE(line->SetText(), QStringLiteral("Set List (list, 1 left)"));
        reader.SetTransponder(sim::Transponder{});  // the next tag, page 1 not locked yet
        QVERIFY(PressOne(w));
        QCOMPARE(line->ResultText(), QStringLiteral("Last: programmed"));
        QCOMPARE(line->SetText(), QStringLiteral("Set List (list, 0 left)"));
        QCOMPARE(line->CountText(), QStringLiteral("2 programmed this session, 2 of 10 in WO-1"));
        // Used up: the cycle stops and says why, in red.
        reader.SetTransponder(sim::Transponder{});
        QVERIFY(PressOne(w));
        QCOMPARE(line->ResultText(), QStringLiteral("Last: stopped: no carrier ID left in the list"));
        QCOMPARE(line->ResultBackground(), kRed);
        w.done(0);

        dir.Write("Tagwright.ini", StationIni(reader.SlavePath(), 1, "Fix", sets));
        MainWindow& fix = dir.Start();
        QVERIFY(ShowActive(fix));
        QCOMPARE(fix.StatusLine()->SetText(), QStringLiteral("Set Fix (fix data)"));
        QVERIFY(PressOne(fix));
        QCOMPARE(fix.StatusLine()->ResultText(), QStringLiteral("Last: programmed"));
    }

    // A slow Reader: while the cycle waits, the result's place says which
    // page is being written.
    void progressWhileACycleRuns() {
        sim::Options slow;
        slow.replyDelay = std::chrono::milliseconds(150);
        sim::VirtualReader reader(slow);
        QVERIFY(reader.Start());
        StationDir dir;
        dir.Write("Line.ini", SetFile(kCounter));
        dir.Write("Tagwright.ini",
                  StationIni(reader.SlavePath(), 1, "Line", "Carrier ID Max=20\r\n"));
        ScopedMessageBoxes boxes;
        MainWindow& w = dir.Start();
        QVERIFY(ShowActive(w));

        // Fires whenever the window lets events through, the Reader waits too.
        QStringList seen;
        QTimer sampler;
        sampler.setInterval(0);
        connect(&sampler, &QTimer::timeout, [&] {
            const QString shown = w.StatusLine()->ResultText();
            if (seen.isEmpty() || seen.back() != shown) seen.append(shown);
        });
        sampler.start();
        QVERIFY(PressOne(w));
        sampler.stop();

        const QRegularExpression writing(QStringLiteral("^writing page (\\d+) of 17$"));
        QStringList pages;
        for (const QString& text : seen) {
            const QRegularExpressionMatch match = writing.match(text);
            if (match.hasMatch()) pages.append(match.captured(1));
        }
        QVERIFY2(!pages.isEmpty(), qPrintable(seen.join(QLatin1Char('|'))));
        for (const QString& page : pages) QVERIFY(page == "1" || page == "2");
        QCOMPARE(w.StatusLine()->ResultText(), QStringLiteral("Last: programmed"));
    }

    // Each way a cycle fails: one short phrase, red.
    void eachFailure_data() {
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("failNext");      // Reader replies that fail, retries too
        QTest::addColumn<int>("leavesAfter");   // the tag leaves after this page
        QTest::addColumn<bool>("portThere");
        QTest::addColumn<bool>("verify");
        QTest::addColumn<QString>("result");
        QTest::newRow("maximum") << 4 << 0 << 0 << true << true
                                 << "Last: stopped: no carrier ID left (maximum reached)";
        QTest::newRow("write refused") << 20 << 20 << 0 << true << true
                                       << "Last: failed: the pages were not written";
        QTest::newRow("write check") << 20 << 0 << 2 << true << true
                                     << "Last: stopped: Page 1 was not written as sent.";
        QTest::newRow("lock refused") << 20 << 0 << 2 << true << false
                                      << "Last: failed: the pages were not locked";
        QTest::newRow("port closed") << 20 << 0 << 0 << false << true
                                     << "Last: not run: the port is closed";
    }
    void eachFailure() {
        QFETCH(int, max);
        QFETCH(int, failNext);
        QFETCH(int, leavesAfter);
        QFETCH(bool, portThere);
        QFETCH(bool, verify);
        QFETCH(QString, result);
        sim::VirtualReader reader;
        QVERIFY(reader.Start());
        StationDir dir;
        const std::string port = portThere ? reader.SlavePath()
                                           : dir.Path(QStringLiteral("no-reader")).toStdString();
        const std::string checks = verify ? "" : "[Write checks]\r\nVerify after write=0\r\n";
        dir.Write("Line.ini", SetFile(kCounter, checks));
        dir.Write("Tagwright.ini",
                  StationIni(port, 1, "Line", "Carrier ID Max=" + std::to_string(max) + "\r\n"));
        ScopedMessageBoxes boxes;
        MainWindow& w = dir.Start();
        QVERIFY(ShowActive(w));
        sim::Faults faults;
        faults.failNext = static_cast<std::size_t>(failNext);
        faults.removeAfterPage = leavesAfter;
        reader.SetFaults(faults);
        QVERIFY(PressOne(w));
        QCOMPARE(w.StatusLine()->ResultText(), result);
        QCOMPARE(w.StatusLine()->ResultBackground(), kRed);
        QVERIFY(w.StatusLine()->CountText().startsWith(QStringLiteral("0 programmed")));
    }

    // A no-break space, typed as such or as its sign, is the byte 0xA0 and
    // shows as its sign, never as a space.
    void noBreakSpaceInAPageField() {
        StationDir dir;
        dir.Write("Tagwright.ini", StationIni("", 0, "", "[Data]\r\nFormat=1\r\n"));
        ScopedMessageBoxes boxes;
        MainWindow& w = dir.Start();
        QVERIFY(ShowActive(w));
        const std::size_t before = boxes.shown.size();
        EnterEdit* field = EditOf(w, PageField(4));
        field->setFocus(Qt::OtherFocusReason);
        field->setText(QString::fromUtf8("\u237D \u00A0 A B C D E F"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(boxes.shown.size(), before);
        QTest::mouseClick(w.Control(MainControl::HexButton), Qt::LeftButton);
        QCOMPARE(field->text(), QStringLiteral("A0 A0 41 42 43 44 45 46"));
        QTest::mouseClick(w.Control(MainControl::AsciiButton), Qt::LeftButton);
        QCOMPARE(field->text(), QString::fromUtf8("\u237D \u237D A B C D E F"));
    }

    // File > Open record folder hands the record file's folder to the
    // desktop; a folder that is not there is said so instead.
    void openRecordFolder() {
        sim::VirtualReader reader;
        QVERIFY(reader.Start());
        StationDir dir;
        QVERIFY(QDir(dir.Path()).mkdir(QStringLiteral("records")));
        const QString kept = dir.Path(QStringLiteral("records"));
        const QString gone = dir.Path(QStringLiteral("gone"));
        dir.Write("Kept.ini", SetFile(kCounter, "[Log]\r\nLog=1\r\nfile name=" +
                                                    (kept + "/rows.xml").toStdString() + "\r\n"));
        dir.Write("Gone.ini", SetFile(kCounter, "[Log]\r\nLog=1\r\nfile name=" +
                                                    (gone + "/rows.xml").toStdString() + "\r\n"));
        const std::string sets = "Pruefablaeufe=2\r\nPruefablauf_0=Kept\r\nPruefablauf_1=Gone\r\n";
        FileOpener opener;
        ScopedMessageBoxes boxes;
        for (const QString& name : {QStringLiteral("Kept"), QStringLiteral("Gone")}) {
            dir.Write("Tagwright.ini",
                      StationIni(reader.SlavePath(), 1, name.toStdString(), sets));
            MainWindow& w = dir.Start();
            QVERIFY(ShowActive(w));
            QVERIFY(w.StatusLine()->RecordFileText().contains(QStringLiteral("/rows.xml")));
            w.Action(MainWindow::MenuItem::OpenRecordFolder)->trigger();
            w.done(0);
        }
        QCOMPARE(opener.opened, QList<QUrl>{QUrl::fromLocalFile(kept)});
        QCOMPARE(boxes.shown.size(), std::size_t{1});
        QCOMPARE(boxes.shown[0].text,
                 "The record folder does not exist:\r\n" + gone.toStdString());
        QVERIFY(boxes.shown[0].icon == MsgIcon::Warning);
    }
};

QTEST_MAIN(OperatorViewTest)
#include "OperatorViewTest.moc"
