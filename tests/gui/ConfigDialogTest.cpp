// The "Config" window: its look, the keys and picks the operator uses. The
// "Config Pages 3-17" window: its bytes and boxes, the keys and buttons, and
// what OK and "Abbrechen" give.

#include <filesystem>
#include <fstream>
#include <string>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include "GuiTestSupport.h"
#include "core/domain/ByteText.h"
#include "gui/config/ConfigDialog.h"
#include "gui/config/Pages317Command.h"
#include "gui/config/Pages317Dialog.h"

using namespace tagwright;
using namespace tagwright::gui;
using namespace tagwright::test;
using C = tagwright::ConfigControl;

namespace {

void Click(ConfigDialog& dlg, C c) { QTest::mouseClick(dlg.Control(c), Qt::LeftButton); }

void Type(ConfigDialog& dlg, C c, const QString& text, Qt::Key key = Qt::Key_Return) {
    TypeInto(dlg.Edit(c), text, key);
}

QString Text(ConfigDialog& dlg, C c) { return dlg.Edit(c)->text(); }

void TypeName(ConfigDialog& dlg, const QString& name) { TypeInto(dlg.NameBox()->lineEdit(), name); }

// Two sets on file, "Line" loaded with the main window's carrier ID "ABC".
void StartWithTwoSets(ConfigDialog& dlg, const std::filesystem::path& path) {
    std::ofstream(path / "Line.ini")
        << "[Work order Setup]\nQuantity=100\n[Data Source]\nDecimal counter=1\n"
           "[SEMI E99 Carrier ID Setup]\nCarrier ID Offset=2\nCarrier ID Length=5\n"
           "[Transponder type]\nNorvik=1\n[Page 2]\nHEX 09=41\nEdit Page 2=1\n"
           "[Log]\nLog=1\nfile name=/records/" + std::string(100, 'r') + ".xml\n";
    std::ofstream(path / "Other.ini")
        << "[Work order Setup]\nQuantity=7\n[Data Source]\nfix data=1\n[Page 1]\nHEX 00=5A\n";
    dlg.Model().setDirectory = path;
    dlg.Model().nameText = "Line";
    dlg.Model().names.Add("Line");
    dlg.Model().names.Add("Other");
    dlg.Model().set.carrierId = "ABC";
    dlg.Start();
}

// Byte b holds "0".."9" (b % 10); page 4 is marked Edit.
Pages317Data Digits(int mode) {
    Pages317Data d;
    for (std::size_t b = 0; b < d.hex.size(); ++b) {
        d.ascii[b] = std::string(1, static_cast<char>('0' + b % 10));
        d.hex[b] = ByteText::AsciiToHex(d.ascii[b]);
    }
    d.mode = mode;
    d.editPage[3] = true;
    return d;
}

void TypeByte(Pages317Dialog& dlg, int k, const QString& text, Qt::Key key = Qt::Key_Return) {
    TypeInto(dlg.ByteField(k), text, key);
}

}  // namespace

class ConfigDialogTest : public QObject {
    Q_OBJECT
private slots:
    void looksKeysAndPicks() {
        QTemporaryDir dir;
        ScopedMessageBoxes boxes;
        ConfigDialog dlg;
        StartWithTwoSets(dlg, dir.path().toStdString());
        QVERIFY(ShowActive(dlg));

        QCOMPARE(dlg.windowTitle(), QStringLiteral("Config"));
        QVERIFY(dlg.width() <= 1280 && dlg.height() <= 1024);

        // The loaded set after the fill: "00ABC" green at bytes 2-6.
        QCOMPARE(Text(dlg, AsciiEdit(9)), QStringLiteral("A"));
        QCOMPARE(dlg.Edit(AsciiEdit(6))->BackgroundColour(), QColor(0, 255, 0x99));
        auto checked = [&](C c, bool on) {
            return SameImage(qobject_cast<ImageButton*>(dlg.Control(c))->Image(), CheckImage(on));
        };
        QVERIFY(checked(C::TypeNorvik, true) && checked(C::TypeTI, false));
        // The long log path shows as "..." and its last 85 characters.
        const QString log = static_cast<QLabel*>(dlg.Control(C::LogFileDisplay))->text();
        QVERIFY(log.startsWith(QStringLiteral("...")) && log.size() == 3 + 85);

        // Enter on the last byte of a row goes to the row's first, selected.
        QVERIFY(dlg.Control(C::Ok)->isEnabled());
        Type(dlg, HexEdit(15), QStringLiteral("4a"));
        QCOMPARE(Text(dlg, AsciiEdit(15)), QStringLiteral("J"));
        QCOMPARE(QApplication::focusWidget(), dlg.Control(HexEdit(0)));
        QCOMPARE(dlg.Edit(HexEdit(0))->selectedText(), Text(dlg, HexEdit(0)));
        QVERIFY(!dlg.Control(C::Ok)->isEnabled());
        // The write checks show the set's (defaults: the file has none) and take changes.
        auto* retries = qobject_cast<QSpinBox*>(dlg.Control(C::Retries));
        QVERIFY(retries != nullptr && retries->value() == 2);
        QVERIFY(dlg.Model().Control(C::VerifyAfterWrite).imageOn);
        Click(dlg, C::VerifyAfterWrite);
        QVERIFY(!dlg.Model().set.verifyAfterWrite);
        retries->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(retries, Qt::Key_Up);
        QCOMPARE(dlg.Model().set.retries, 3);
        // Tab acts as Enter; a byte inside the carrier ID rebuilds it.
        Type(dlg, AsciiEdit(3), QStringLiteral("Q"), Qt::Key_Tab);
        QCOMPARE(Text(dlg, C::CarrierId), QStringLiteral("0QABC"));
        QCOMPARE(QApplication::focusWidget(), dlg.Control(AsciiEdit(4)));
        // Leaving a carrier ID field runs the offset and length check.
        Type(dlg, C::CarrierIdOffset, QStringLiteral("10"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dlg.Control(C::CarrierIdLength));
        Type(dlg, C::CarrierIdLength, QStringLiteral("8"), Qt::Key_unknown);
        dlg.Edit(C::Quantity)->setFocus(Qt::MouseFocusReason);
        QCOMPARE(Text(dlg, C::CarrierIdLength), QStringLiteral("6"));
        QCOMPARE(boxes.shown.size(), std::size_t{1});

        // Typing a name loads nothing; a pick loads the set from the timer.
        TypeName(dlg, QStringLiteral("Other"));
        QVERIFY(!dlg.LoadTimer()->isActive());
        QCOMPARE(Text(dlg, C::Quantity), QStringLiteral("100"));
        dlg.NameBox()->setFocus(Qt::OtherFocusReason);
        dlg.NameBox()->setCurrentIndex(0);
        QTest::keyClick(dlg.NameBox(), Qt::Key_Down);  // picks "Other"
        QVERIFY(dlg.LoadTimer()->isActive());
        QTRY_COMPARE(Text(dlg, C::Quantity), QStringLiteral("7"));
        QCOMPARE(Text(dlg, HexEdit(0)), QStringLiteral("5A"));
    }

    // The "Config Pages 3-17" window.
    void showsTheBytesAndFollowsTheKeys() {
        ScopedMessageBoxes boxes;
        Pages317Dialog dlg(Digits(0));
        QVERIFY(ShowActive(dlg));
        QVERIFY(dlg.width() <= 1240 && dlg.height() <= 960);  // a 1280 x 1024 screen and frame
        QCOMPARE(dlg.ByteField(16)->text(), QStringLiteral("36"));
        QVERIFY(SameImage(dlg.EditBox(4)->Image(), CheckImage(true)));

        // Refused (the texts are the model's): told, kept for mending, and
        // the next byte is selected.
        TypeByte(dlg, 20, QStringLiteral("4g"));
        QCOMPARE(boxes.shown.size(), std::size_t{1});
        QCOMPARE(dlg.ByteField(20)->text(), QStringLiteral("4g"));
        QVERIFY(dlg.ByteField(21)->hasFocus());
        QCOMPARE(dlg.ByteField(21)->selectedText(), dlg.ByteField(21)->text());

        TypeByte(dlg, 21, QStringLiteral("7e"), Qt::Key_Tab);
        QCOMPARE(dlg.ByteField(21)->text(), QStringLiteral("7E"));
        QVERIFY(dlg.ByteField(22)->hasFocus());
        QCOMPARE(boxes.shown.size(), std::size_t{1});

        QTest::mouseClick(dlg.AsciiButton(), Qt::LeftButton);
        QCOMPARE(dlg.ByteField(21)->text(), QStringLiteral("~"));
    }

    void abbrechenGivesNothingOkOnlyWhatWasCommitted() {
        ScopedMessageBoxes boxes;
        Pages317Data data = Digits(1);
        const Pages317Data before = data;
        QString cancelText;
        WhenModalOpens<Pages317Dialog>([&](Pages317Dialog& dlg) {
            TypeByte(dlg, 30, QStringLiteral("x"));
            QTest::mouseClick(dlg.HexButton(), Qt::LeftButton);
            QTest::mouseClick(dlg.EditBox(5), Qt::LeftButton);
            cancelText = dlg.CancelButton()->text();
            QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
        });
        QVERIFY(!RunPages317Dialog(data, nullptr));
        QCOMPARE(cancelText, QStringLiteral("Abbrechen"));
        QVERIFY(data.hex == before.hex && data.ascii == before.ascii);
        QVERIFY(data.editPage == before.editPage && data.mode == 1);

        data.mode = 0;
        WhenModalOpens<Pages317Dialog>([&](Pages317Dialog& dlg) {
            TypeByte(dlg, 30, QStringLiteral("4a"));
            dlg.ByteField(31)->setText(QStringLiteral("50"));  // never confirmed
            QTest::mouseClick(dlg.EditBox(3), Qt::LeftButton);
            QTest::mouseClick(dlg.LockBox(17), Qt::LeftButton);
            QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        });
        QVERIFY(RunPages317Dialog(data, nullptr));
        QCOMPARE(data.hex[30], std::string("4A"));
        QCOMPARE(data.ascii[30], std::string("J"));
        QCOMPARE(data.hex[31], before.hex[31]);
        QVERIFY(data.editPage[2] && data.editPage[3] && data.lockPage[16]);
        QVERIFY(boxes.shown.empty());
    }
};

QTEST_MAIN(ConfigDialogTest)
#include "ConfigDialogTest.moc"
