// The "Config" window: its look, the keys and picks the operator uses, the
// Config menu command run modally against a Station, with OK and Cancel, and
// a set made in the window programming transponders through the main window.

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "GuiTestSupport.h"
#include "base/Clock.h"
#include "config/AutoDlg.h"
#include "config/ConfigCommand.h"
#include "config/SetStore.h"
#include "controls/EnterEdit.h"
#include "controls/Images.h"
#include "controls/XColorStatic.h"
#include "reader-sim/VirtualReader.h"
#include "station/Station.h"
#include "station/ZB48Dlg.h"

using namespace tagwright;
using namespace tagwright::gui;
using C = tagwright::ConfigControl;
using tagwright::test::ScopedMessageBoxes;
using tagwright::test::ShowActive;

namespace {

// A main window that only answers messages: enough for the menu command.
class PlainMainView : public MainView {
public:
    void TakeFieldValues() override {}
    void ShowFieldValues() override {}
    void RedrawControl(MainControl) override {}
    void SetFocus(MainControl, bool) override {}
    MsgAnswer ShowMessage(const MessageRequest& r) override { return ShowMessageBox(nullptr, r); }
};

// Answers the file dialogs while it lives.
class ScopedFileDialogs {
public:
    ScopedFileDialogs()
        : previous_(SetFileDialogHandler([this](const FileDialogRequest&) { return answer; })) {}
    ~ScopedFileDialogs() { SetFileDialogHandler(previous_); }
    ScopedFileDialogs(const ScopedFileDialogs&) = delete;
    ScopedFileDialogs& operator=(const ScopedFileDialogs&) = delete;

    std::optional<std::string> answer;

private:
    FileDialogHandler previous_;
};

void Click(CAutoDlg& dlg, C c) { QTest::mouseClick(dlg.Control(c), Qt::LeftButton); }

// Replaces a field's text as the operator would, then confirms it with KEY.
void Type(CAutoDlg& dlg, C c, const QString& text, Qt::Key key = Qt::Key_Return) {
    CEnterEdit* field = dlg.Edit(c);
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, key);
}

QString Text(CAutoDlg& dlg, C c) { return dlg.Edit(c)->text(); }

void TypeName(CAutoDlg& dlg, const QString& name) {
    QLineEdit* edit = dlg.NameBox()->lineEdit();
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    QTest::keyClicks(edit, name);
}

// Runs ACT on the Config dialog once its modal loop runs.
void WhenDialogOpens(std::function<void(CAutoDlg&)> act, int attemptsLeft = 500) {
    QTimer::singleShot(attemptsLeft == 500 ? 0 : 10, [act = std::move(act), attemptsLeft] {
        if (auto* dlg = qobject_cast<CAutoDlg*>(QApplication::activeModalWidget())) {
            act(*dlg);
        } else if (attemptsLeft > 0) {
            WhenDialogOpens(act, attemptsLeft - 1);
        }
    });
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

bool SameImage(const QPixmap& a, const QPixmap& b) { return a.toImage() == b.toImage(); }

}  // namespace

class ConfigDialogTest : public QObject {
    Q_OBJECT
private:
    // A dialog on the set "Line" of the temporary directory, started and shown.
    void Open(CAutoDlg& dlg, const std::string& name = "Line") {
        dlg.Model().setDirectory = Dir();
        dlg.Model().nameText = name;
        dlg.Start();
        QVERIFY(ShowActive(dlg));
    }

    std::filesystem::path Dir() const { return dir_->path().toStdString(); }

    std::unique_ptr<QTemporaryDir> dir_;
    SystemClock clock_;

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        WriteBytes(Dir() / "Line.ini",
                    "[Work order Setup]\nQuantity=100\n"
                    "[Data Source]\nDecimal counter=1\n"
                    "[SEMI E99 Carrier ID Setup]\nCarrier ID Offset=2\nCarrier ID Length=5\n"
                    "[Transponder type]\nNorvik=1\n"
                    "[Page 2]\nHEX 09=41\nEdit Page 2=1\n"
                    "[Log]\nLog=1\nfile name=/records/" + std::string(100, 'r') + ".xml\n");
        WriteBytes(Dir() / "Other.ini", "[Work order Setup]\nQuantity=7\n[Data Source]\nfix data=1\n"
                   "[Page 1]\nHEX 00=5A\n");
    }
    void cleanup() { dir_.reset(); }

    void looksAsLaidOut() {
        CAutoDlg dlg;
        dlg.Model().set.carrierId = "ABC";
        Open(dlg);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Config"));
        QVERIFY(dlg.width() <= 1280 && dlg.height() <= 1024);

        QStringList titles;
        for (CXColorStatic* t : dlg.Titles()) {
            titles << t->text();
            QVERIFY(t->Bold() && t->TextColour() == Qt::white && t->BackgroundColour() == Qt::black);
        }
        QCOMPARE(titles, (QStringList{"Name", "Work order Setup", "Data Source",
                                      "Transponder type", "SEMI E99 Carrier ID Setup",
                                      "Carrier ID", "Data Area", "Carrier ID aac. SEMI E99"}));

        QCOMPARE(dlg.Edit(C::Quantity)->Kind(), EnterEditKind::Numbered(25));
        QCOMPARE(dlg.Edit(C::CarrierId)->Kind(), EnterEditKind::Numbered(22));
        QCOMPARE(dlg.Edit(HexEdit(9))->Kind(), EnterEditKind::Numbered(23));
        QVERIFY(dlg.Edit(AsciiEdit(0))->alignment() & Qt::AlignHCenter);

        // The loaded set after the fill: "00ABC" green at bytes 2-6.
        QCOMPARE(Text(dlg, HexEdit(4)), QStringLiteral("41"));
        QCOMPARE(Text(dlg, AsciiEdit(9)), QStringLiteral("A"));
        QCOMPARE(dlg.Edit(AsciiEdit(6))->BackgroundColour(), QColor(0, 255, 0x99));
        QCOMPARE(dlg.Edit(HexEdit(7))->BackgroundColour(), QColor(Qt::white));

        // Check boxes: 66 x 19 pictures, crossed when on.
        auto image = [&](C c) { return qobject_cast<ImageButton*>(dlg.Control(c))->Image(); };
        QCOMPARE(image(FixByteBox(0)).size(), QSize(66, 19));
        QVERIFY(SameImage(image(FixByteBox(0)), CheckImage(true)));
        QVERIFY(SameImage(image(FixByteBox(3)), CheckImage(false)));
        QVERIFY(SameImage(image(C::TypeNorvik), CheckImage(true)));
        QVERIFY(SameImage(image(C::TypeTI), CheckImage(false)));

        // The log path is long: the display shows its last 85 characters.
        const QString log = static_cast<QLabel*>(dlg.Control(C::LogFileDisplay))->text();
        QVERIFY(log.startsWith(QStringLiteral("...")) && log.endsWith(QStringLiteral("rrr.xml")));
        QVERIFY(dlg.Control(C::LogOpen)->isEnabled());
        for (QLabel* picture : dlg.Pictures()) QVERIFY(picture->isVisible());
    }

    void keysMoveAlongTheRowsAndLeavingChecks() {
        ScopedMessageBoxes boxes;
        CAutoDlg dlg;
        Open(dlg);
        QVERIFY(dlg.Control(C::Ok)->isEnabled());

        Type(dlg, HexEdit(15), QStringLiteral("4a"));
        QCOMPARE(Text(dlg, AsciiEdit(15)), QStringLiteral("J"));
        QCOMPARE(QApplication::focusWidget(), dlg.Control(HexEdit(0)));
        QCOMPARE(dlg.Edit(HexEdit(0))->selectedText(), Text(dlg, HexEdit(0)));
        QVERIFY(!dlg.Control(C::Ok)->isEnabled());

        // Tab acts as Enter; a byte inside the carrier ID rebuilds it.
        Type(dlg, AsciiEdit(3), QStringLiteral("Q"), Qt::Key_Tab);
        QCOMPARE(Text(dlg, HexEdit(3)), QStringLiteral("51"));
        QCOMPARE(Text(dlg, C::CarrierId), QStringLiteral("0Q000"));
        QCOMPARE(QApplication::focusWidget(), dlg.Control(AsciiEdit(4)));

        // Work order fields cycle and change nothing else.
        Type(dlg, C::Quantity, QStringLiteral("5"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dlg.Control(C::OperatorBadgeId));

        // Leaving a carrier ID field runs the offset and length check.
        Type(dlg, C::CarrierIdOffset, QStringLiteral("10"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dlg.Control(C::CarrierIdLength));
        dlg.Edit(C::CarrierIdLength)->selectAll();
        QTest::keyClicks(dlg.Edit(C::CarrierIdLength), QStringLiteral("8"));
        dlg.Edit(C::Quantity)->setFocus(Qt::MouseFocusReason);
        QCOMPARE(Text(dlg, C::CarrierIdLength), QStringLiteral("6"));
        QCOMPARE(boxes.shown.size(), std::size_t{1});
        QCOMPARE(boxes.shown[0].text,
                 std::string("Carrier ID Offset + Carrier ID Length must be under 16."));
    }

    void pickingLoadsLaterTypingNever() {
        CAutoDlg dlg;
        dlg.Model().names.Add("Line");
        dlg.Model().names.Add("Other");
        Open(dlg);
        QCOMPARE(dlg.NameBox()->count(), 2);
        Click(dlg, C::EditPage1);  // OK disabled before the pick
        QVERIFY(!dlg.Control(C::Ok)->isEnabled());

        TypeName(dlg, QStringLiteral("Other"));
        QVERIFY(!dlg.LoadTimer()->isActive());
        QCOMPARE(Text(dlg, C::Quantity), QStringLiteral("100"));

        dlg.NameBox()->setFocus(Qt::OtherFocusReason);
        dlg.NameBox()->setCurrentIndex(0);
        QTest::keyClick(dlg.NameBox(), Qt::Key_Down);  // picks "Other"
        QVERIFY(dlg.LoadTimer()->isActive());
        QCOMPARE(dlg.LoadTimer()->interval(), 500);
        QTRY_COMPARE(Text(dlg, C::Quantity), QStringLiteral("7"));
        QVERIFY(!dlg.LoadTimer()->isActive());
        QCOMPARE(Text(dlg, HexEdit(0)), QStringLiteral("5A"));  // fix data left as is
        QVERIFY(!dlg.Control(C::Ok)->isEnabled());
    }

    void configCommandSavesAndHandsTheSetOver() {
        ScopedMessageBoxes boxes;
        PlainMainView view;
        Station station(view, clock_);
        station.setDirectory = Dir();
        station.settings.currentSetName = "Line";
        station.settings.names.Add("Line");
        station.currentCarrierId = "000123";

        bool ran = false;
        WhenDialogOpens([&](CAutoDlg& dlg) {
            ran = true;
            Type(dlg, C::CarrierIdOffset, QStringLiteral("0"));
            Type(dlg, C::CarrierIdLength, QStringLiteral("6"));
            Click(dlg, C::Fill);
            Click(dlg, C::LockCarrierId);
            Type(dlg, C::PartNumber, QStringLiteral("PN 1"));
            TypeName(dlg, QStringLiteral("New line"));
            QVERIFY(!dlg.Control(C::Ok)->isEnabled());
            Click(dlg, C::Save);
            QVERIFY(dlg.Control(C::Ok)->isEnabled());
            QCOMPARE(dlg.NameBox()->count(), 2);
            Click(dlg, C::Ok);
        });
        RunConfigCommand(station, nullptr);
        QVERIFY(ran);
        QVERIFY(boxes.shown.empty());

        // Every key in the store's order: the file equals the set saved afresh.
        const ParameterSet saved = LoadSet(Dir(), "New line", true);
        QTemporaryDir again;
        NameList names;
        QCOMPARE(SaveSet(again.path().toStdString(), "New line", saved, names, view),
                 SaveSetResult::Saved);
        QCOMPARE(ReadBytes(SetFilePath(again.path().toStdString(), "New line")),
                 ReadBytes(SetFilePath(Dir(), "New line")));
        QCOMPARE(saved.partNumber, std::string("PN 1"));
        QCOMPARE(saved.carrierId, std::string("000123"));
        QVERIFY(saved.lockCarrierId && saved.lockPage[0] && !saved.lockPage[1]);

        QCOMPARE(station.settings.currentSetName, std::string("New line"));
        QCOMPARE(station.settings.names.count, 2);
        QVERIFY(station.AutomaticMode());
        QVERIFY(station.configSaved);
        QCOMPARE(station.settings.carrierIdMax, std::string("222"));
        QCOMPARE(station.currentSet.partNumber, std::string("PN 1"));
        QCOMPARE(station.image.FieldText(1), std::string("30 30 30 31 32 33 00 00"));
        QCOMPARE(station.image.selected[1], 1);
        QVERIFY(station.focusRequest[1]);  // page 2 is the first one marked Edit
    }

    void cancelLeavesTheStationAlone() {
        PlainMainView view;
        Station station(view, clock_);
        station.setDirectory = Dir();
        station.settings.currentSetName = "Other";
        station.settings.names.Add("Other");
        station.currentSet = LoadSet(Dir(), "Other", true);
        station.image.FieldText(1) = "typed";
        station.headerBlockPending = false;
        const ParameterSet setBefore = station.currentSet;

        WhenDialogOpens([&](CAutoDlg& dlg) {
            TypeName(dlg, QStringLiteral("Line"));
            Click(dlg, C::FixData);
            Click(dlg, C::Cancel);
        });
        RunConfigCommand(station, nullptr);
        QVERIFY(station.currentSet == setBefore);
        QCOMPARE(station.settings.currentSetName, std::string("Other"));
        QVERIFY(!station.AutomaticMode());
        QCOMPARE(station.image.FieldText(1), std::string("typed"));
        QVERIFY(!station.headerBlockPending);
    }

    // A new set made through the main window's menu, then three presses of
    // "  One" against the virtual Reader.
    void madeSetProgramsTransponders() {
        ScopedMessageBoxes boxes;
        ScopedFileDialogs files;
        sim::VirtualReader reader;
        std::string error;
        QVERIFY2(reader.Start(&error), error.c_str());
        const std::string link = (Dir() / "reader-link").string();
        QVERIFY2(reader.CreateLink(link, &error), error.c_str());
        WriteBytes(Dir() / "Tagwright.ini",
                   "[Interface]\r\nport=" + link +
                       "\r\nbaudrate=9600\r\ndatabits=8\r\nstopbits=1\r\nparity=None\r\n"
                       "Flowcontrol=No\r\n");
        const std::string records = (Dir() / "records.xml").string();

        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir_->path());
        auto window = std::make_unique<CZB48Dlg>();
        window->Initialise();
        QVERIFY(ShowActive(*window));
        Station& station = window->Model();
        QVERIFY(station.port.portOpen);
        QVERIFY(!station.AutomaticMode());

        files.answer = records;
        bool ran = false;
        WhenDialogOpens([&](CAutoDlg& dlg) {
            ran = true;
            TypeName(dlg, QStringLiteral("Line E2E"));
            Type(dlg, C::Quantity, QStringLiteral("3"));
            Click(dlg, C::DecimalCounter);
            Click(dlg, C::TypeTI);
            // Bytes 4-11, so that the fill clears every other byte of both pages.
            Type(dlg, C::CarrierIdOffset, QStringLiteral("4"));
            Type(dlg, C::CarrierIdLength, QStringLiteral("8"));
            Type(dlg, C::CarrierId, QStringLiteral("41"));
            Click(dlg, C::Fill);
            Click(dlg, C::Log);
            Click(dlg, C::LogOpen);
            Click(dlg, C::Save);
            Click(dlg, C::Ok);
        });
        window->Action(CZB48Dlg::MenuItem::Config)->trigger();
        QVERIFY(ran);
        QVERIFY(station.AutomaticMode());
        QCOMPARE(station.settings.currentSetName, std::string("Line E2E"));
        QCOMPARE(station.settings.carrierIdMax, std::string("43"));
        // The main window shows the set: its name, and its pages in HEX.
        QCOMPARE(static_cast<QLabel*>(window->Control(MainControl::StatusField))->text(),
                 QStringLiteral("Line E2E"));
        QCOMPARE(static_cast<QLineEdit*>(window->Control(MainControl::Page1))->text(),
                 QStringLiteral("00 00 00 00 30 30 30 30"));
        QVERIFY(!window->Control(MainControl::Page1)->isEnabled());  // not marked Edit

        for (const char* next : {"42", "43", "44"}) {
            QTest::mouseClick(window->Control(MainControl::One), Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(station.nextFieldText, std::string(next), 30000);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!window->Busy(), 30000);
        QCOMPARE(station.currentCarrierId, std::string("44"));

        const sim::Transponder tag = reader.GetTransponder();
        const std::array<std::uint8_t, 8> page1 = {0, 0, 0, 0, '0', '0', '0', '0'};
        const std::array<std::uint8_t, 8> page2 = {'0', '0', '4', '3', 0, 0, 0, 0};
        QVERIFY(tag.pages[0] == page1);
        QVERIFY(tag.pages[1] == page2);
        QVERIFY(!tag.locked[0] && !tag.locked[1]);

        // The record file: the set's block once, then one row per transponder.
        const std::string xml = ReadBytes(records);
        auto count = [&xml](const std::string& what) {
            std::size_t n = 0;
            for (auto at = xml.find(what); at != std::string::npos; at = xml.find(what, at + 1)) ++n;
            return n;
        };
        QCOMPARE(count("Line E2E"), std::size_t{1});
        QCOMPARE(count("00 00 00 00 30 30 30 30"), std::size_t{3});
        for (const char* page2Row : {"30 30 34 31 00 00 00 00", "30 30 34 32 00 00 00 00",
                                     "30 30 34 33 00 00 00 00"}) {
            QCOMPARE(count(page2Row), std::size_t{1});
        }
        QVERIFY(boxes.shown.empty());

        window.reset();
        QDir::setCurrent(previous);
    }
};

QTEST_MAIN(ConfigDialogTest)
#include "ConfigDialogTest.moc"
