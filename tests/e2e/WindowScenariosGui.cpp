// The window's own ways with the operator's text and the desktop: a
// character no byte stands for in any field or box is refused and kept as
// typed; a path beyond ASCII shows as it is; the record folder goes to the
// desktop's file manager.

#include <filesystem>

#include <QComboBox>
#include <QDesktopServices>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "../gui/GuiTestSupport.h"
#include "e2e/ScenarioMain.h"
#include "e2e/WindowRig.h"
#include "gui/main/MainWindow.h"
#include "gui/main/StatusLineWidget.h"
#include "gui/reader/InterfaceSettingsDialog.h"

using namespace tagwright;
using namespace tagwright::test;
using enum tagwright::MainControl;

namespace {

const std::string kCounter = "Decimal counter=1\r\n";
const std::string kEuro = "\xE2\x82\xAC";  // U+20AC in UTF-8
const std::string kRefusedEuro =
    " holds the character U+20AC, which no byte stands for (only U+0000 to U+00FF do).";

// Set as pasted: the test's own key clicks carry Latin-1 only.
void Paste(WindowRig& s, MainControl field, const std::string& utf8) {
    auto* edit = qobject_cast<QLineEdit*>(s.Window().Control(field));
    edit->setFocus(Qt::OtherFocusReason);
    edit->setText(QString::fromStdString(utf8));
}

// Automatic mode on the counter set "Line", max 20, started.
bool StartCounter(WindowRig& s, std::string set = {}) {
    s.Write("Line.ini", set.empty() ? LineSet(s, kCounter) : set);
    s.Settings(1, "Line", "Carrier ID Max=20\r\n");
    return s.Start();
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

class WindowScenariosGui : public QObject {
    Q_OBJECT
private slots:
    // "max" holds a euro sign: "  One" (F5) sends nothing and names the field,
    // which keeps it, and so does the settings file at the end. A port
    // typed so is refused by the Interface Settings' OK, the box kept.
    void numberFieldBeyondLatin1() {
        WindowRig s;
        QVERIFY(StartCounter(s));
        Paste(s, MaxField, "1" + kEuro);
        s.Answer("The field \"max\"" + kRefusedEuro + "\r\nNothing was done.");
        s.Key(Qt::Key_F5);
        QVERIFY(s.Settle());
        QVERIFY(s.Traffic().empty());
        QCOMPARE(s.Window().StatusLine()->ResultText(),
                 QStringLiteral("Last: not run: a field holds a character no byte stands for"));

        QString kept;
        WhenModalOpens<gui::InterfaceSettingsDialog>([&](gui::InterfaceSettingsDialog& dlg) {
            dlg.PortBox()->setEditText(QString::fromStdString("/dev/tty" + kEuro));
            QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
            if (dlg.isVisible()) kept = dlg.PortBox()->currentText();
            QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
        });
        s.Answer("The box \"Com Port\"" + kRefusedEuro +
                 "\r\nThe settings are not taken until it is mended.");
        s.Menu("Interface/Settings");
        QVERIFY(s.Settle());
        QCOMPARE(kept.toStdString(), "/dev/tty" + kEuro);
        QCOMPARE(s.Ini("Tagwright.ini", "Interface", "port"), s.Port());

        QCOMPARE(s.Text(MaxField).toStdString(), "1" + kEuro);
        s.Menu("File/Exit");
        QCOMPARE(s.Ini("Tagwright.ini", "Auto", "Carrier ID Max"), "1" + kEuro);
    }

    // A record folder named beyond ASCII: the status line and the message
    // show it as it is; the desktop gets the folder while it is there.
    void recordFolder() {
        WindowRig s;
        const std::string folder = s.Path("r\xC3\xA4ume").string();
        std::filesystem::create_directory(folder);
        std::string set = LineSet(s, kCounter);
        set.replace(set.find("record.xml"), 10, "r\xC3\xA4ume/rows.xml");
        QVERIFY(StartCounter(s, set));
        const QString shown = QString::fromStdString(folder);
        QCOMPARE(s.Window().StatusLine()->RecordFileText(), "Record: " + shown + "/rows.xml");
        FileOpener opener;
        s.Menu("File/Open record folder");
        QCOMPARE(opener.opened, QList<QUrl>{QUrl::fromLocalFile(shown)});
        std::filesystem::remove_all(folder);
        // Messages are in their code page, where "ä" is its Latin-1 byte.
        s.Answer(("The record folder does not exist:\r\n" + shown).toLatin1().toStdString());
        s.Menu("File/Open record folder");
        QVERIFY(s.Settle());
        QCOMPARE(opener.opened.size(), 1);
    }
};

TW_SCENARIOS(WindowScenariosGui)
#include "WindowScenariosGui.moc"
