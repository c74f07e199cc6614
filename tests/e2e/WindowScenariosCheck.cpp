// What an operator met at the station's window on a real display: a held
// key, and a record folder whose name is not plain ASCII.

#include <QTest>

#include "e2e/ScenarioMain.h"
#include "e2e/WindowRig.h"
#include "core/base/Utf8.h"
#include "gui/main/MainWindow.h"
#include "gui/main/StatusLineWidget.h"

using namespace tagwright;
using namespace tagwright::test;
using enum tagwright::MainControl;

namespace {

const std::string kCounter = "Decimal counter=1\r\n";

// The set "Line" on the counter, its rows going to RECORD.
void CounterSet(WindowRig& s, const std::string& record) {
    std::string set = LineSet(s, kCounter, "TI");
    const std::string ours = s.Path("record.xml").string();
    set.replace(set.find(ours), ours.size(), record);
    s.Write("Line.ini", set);
    s.Settings(1, "Line", "Carrier ID Max=20\r\n");
}

}  // namespace

class WindowScenariosCheck : public QObject {
    Q_OBJECT
private slots:
    // Enter held on "  One" (or F5 held): the keyboard repeats the press, and
    // each repeat used to program the same tag again with the next carrier ID.
    void heldKeyProgramsOneTag() {
        WindowRig s;
        CounterSet(s, s.Path("record.xml").string());
        QVERIFY(s.Start());
        QWidget* one = s.Window().Control(One);
        QTest::simulateEvent(one, true, Qt::Key_Return, Qt::NoModifier, {}, false);
        QVERIFY(s.Settle());
        for (const int key : {Qt::Key_Return, Qt::Key_F5}) {
            QTest::simulateEvent(one, true, key, Qt::NoModifier, {}, true);
            QVERIFY(s.Settle());
        }
        QTest::simulateEvent(one, false, Qt::Key_Return, Qt::NoModifier, {}, false);
        QVERIFY(s.Settle());
        QVERIFY(SameLines(s.Journal("SELECT carrier_id, outcome FROM cycles"),
                          {"0005|programmed"}));
    }

    // The record folder "Bäder" is missing: the box and the status line name
    // it as the file system does.
    void missingRecordFolderNamed() {
        WindowRig s;
        const std::string folder = (s.Path() / "B\xC3\xA4" "der").string();
        CounterSet(s, folder + "/record.xml");
        QVERIFY(s.Start());
        QCOMPARE(s.Window().StatusLine()->RecordFileText(),
                 QStringLiteral("Record: ") + QString::fromStdString(folder + "/record.xml"));
        s.Answer("The production journal \"" + MessagePath(folder + "/Tagwright-journal.sqlite") +
                 "\" cannot be opened: unable to open database file (No such file or "
                 "directory).\r\nThe run is stopped: no transponder is programmed without its "
                 "row in the production journal.");
        s.Click("  One");
        QVERIFY(s.Settle());
        QVERIFY(s.Traffic().empty());
    }
};

TW_SCENARIOS(WindowScenariosCheck)
#include "WindowScenariosCheck.moc"
