// The "Config Pages 3-17" window: committing, refusing and wrapping with the
// real keys, switching the form, the boxes, and what OK and "Abbrechen" give.

#include <functional>
#include <memory>

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "GuiTestSupport.h"
#include "config/Auto2Dlg.h"
#include "config/ByteText.h"
#include "config/Pages317Command.h"
#include "controls/EnterEdit.h"
#include "controls/Images.h"

using namespace tagwright;
using namespace tagwright::gui;
using tagwright::test::ScopedMessageBoxes;
using tagwright::test::ShowActive;

namespace {

// Byte b holds 0x30 + b % 10 ("0".."9").
Pages317Data Digits(int mode) {
    Pages317Data d;
    for (std::size_t b = 0; b < d.hex.size(); ++b) {
        d.ascii[b] = std::string(1, static_cast<char>('0' + b % 10));
        d.hex[b] = ByteText::AsciiToHex(d.ascii[b]);
    }
    d.mode = mode;
    d.editPage[3] = true;  // page 4
    return d;
}

// Replaces byte k's text as the operator would and confirms it with KEY.
void Type(auto_2& dlg, int k, const QString& text, Qt::Key key = Qt::Key_Return) {
    CEnterEdit* field = dlg.ByteField(k);
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, key);
}

bool SameImage(const QPixmap& a, const QPixmap& b) { return a.toImage() == b.toImage(); }

// Runs ACT on the modal auto_2 once it is up (polling, so a slow start
// does not miss it).
void ActOnDialog(const std::shared_ptr<std::function<void(auto_2&)>>& act, int triesLeft) {
    if (auto* dlg = qobject_cast<auto_2*>(QApplication::activeModalWidget())) {
        (*act)(*dlg);
    } else if (triesLeft > 0) {
        QTimer::singleShot(10, [act, triesLeft] { ActOnDialog(act, triesLeft - 1); });
    }
}

void WhenDialogOpens(std::function<void(auto_2&)> act) {
    auto shared = std::make_shared<std::function<void(auto_2&)>>(std::move(act));
    QTimer::singleShot(0, [shared] { ActOnDialog(shared, 1000); });
}

}  // namespace

class Pages317Test : public QObject {
    Q_OBJECT
private slots:
    void windowShowsTheHandedInForm() {
        auto_2 dlg(Digits(0));
        QCOMPARE(dlg.ByteField(16)->text(), QStringLiteral("36"));
        QCOMPARE(dlg.ByteField(20)->Kind(), EnterEditKind::Numbered(24));
        QCOMPARE(dlg.ByteField(20)->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
        QVERIFY(SameImage(dlg.EditBox(4)->Image(), CheckImage(true)));
        QVERIFY(SameImage(dlg.EditBox(3)->Image(), CheckImage(false)));
        QVERIFY(ShowActive(dlg));
        // It fits a 1280 x 1024 screen with room for the frame.
        QVERIFY(dlg.width() <= 1240);
        QVERIFY(dlg.height() <= 960);
        auto_2 ascii(Digits(1));
        QCOMPARE(ascii.ByteField(16)->text(), QStringLiteral("6"));
    }

    void enterAndTabCommitRefuseAndMoveOn() {
        ScopedMessageBoxes boxes;
        auto_2 dlg(Digits(0));
        QVERIFY(ShowActive(dlg));

        Type(dlg, 20, QStringLiteral("4g"));
        QCOMPARE(boxes.shown.size(), std::size_t{1});
        QVERIFY(boxes.shown[0].text.starts_with("change byte 20 to a length of 2 hexadecimal"));
        QCOMPARE(dlg.ByteField(20)->text(), QStringLiteral("4g"));  // kept for mending
        QVERIFY(dlg.ByteField(21)->hasFocus());
        QCOMPARE(dlg.ByteField(21)->selectedText(), dlg.ByteField(21)->text());

        Type(dlg, 21, QStringLiteral("7e"), Qt::Key_Tab);
        QCOMPARE(boxes.shown.size(), std::size_t{1});
        QCOMPARE(dlg.ByteField(21)->text(), QStringLiteral("7E"));
        QVERIFY(dlg.ByteField(22)->hasFocus());

        Type(dlg, 135, QStringLiteral("41"));
        QVERIFY(dlg.ByteField(16)->hasFocus());
        QCOMPARE(dlg.ByteField(16)->selectedText(), QStringLiteral("36"));

        QTest::mouseClick(dlg.AsciiButton(), Qt::LeftButton);
        QCOMPARE(dlg.ByteField(21)->text(), QStringLiteral("~"));
        QCOMPARE(dlg.ByteField(135)->text(), QStringLiteral("A"));
        Type(dlg, 40, QStringLiteral("AB"));
        QCOMPARE(boxes.shown.size(), std::size_t{2});
        QCOMPARE(boxes.shown[1].text,
                 std::string("change byte 40 to a length of 1 character of 'NUL'"));
        QTest::mouseClick(dlg.HexButton(), Qt::LeftButton);
        QCOMPARE(dlg.ByteField(135)->text(), QStringLiteral("41"));
        QCOMPARE(dlg.ByteField(40)->text(), QStringLiteral("4142"));  // unchecked on switching
    }

    void okHandsBackOnlyWhatWasCommitted() {
        ScopedMessageBoxes boxes;
        Pages317Data data = Digits(0);
        const Pages317Data before = data;
        bool lockShownOn = false;
        WhenDialogOpens([&](auto_2& dlg) {
            Type(dlg, 30, QStringLiteral("4a"));
            dlg.ByteField(31)->setText(QStringLiteral("50"));  // never confirmed
            QTest::mouseClick(dlg.EditBox(3), Qt::LeftButton);
            QTest::mouseClick(dlg.LockBox(17), Qt::LeftButton);
            lockShownOn = SameImage(dlg.LockBox(17)->Image(), CheckImage(true));
            QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
        });
        QVERIFY(RunPages317Dialog(data, nullptr));
        QVERIFY(lockShownOn);
        QCOMPARE(data.hex[30], std::string("4A"));
        QCOMPARE(data.ascii[30], std::string("J"));
        QCOMPARE(data.hex[31], before.hex[31]);
        QCOMPARE(data.ascii[31], before.ascii[31]);
        QVERIFY(data.editPage[2]);
        QVERIFY(data.editPage[3]);
        QVERIFY(data.lockPage[16]);
        QCOMPARE(data.mode, 0);
        QVERIFY(boxes.shown.empty());
    }

    void abbrechenHandsBackNothing() {
        Pages317Data data = Digits(1);
        const Pages317Data before = data;
        QString cancelText;
        WhenDialogOpens([&](auto_2& dlg) {
            Type(dlg, 30, QStringLiteral("x"));
            QTest::mouseClick(dlg.HexButton(), Qt::LeftButton);
            QTest::mouseClick(dlg.EditBox(5), Qt::LeftButton);
            cancelText = dlg.CancelButton()->text();
            QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
        });
        QVERIFY(!RunPages317Dialog(data, nullptr));
        QCOMPARE(cancelText, QStringLiteral("Abbrechen"));
        QCOMPARE(data.hex, before.hex);
        QCOMPARE(data.ascii, before.ascii);
        QCOMPARE(data.editPage, before.editPage);
        QCOMPARE(data.mode, 1);
    }
};

QTEST_MAIN(Pages317Test)
#include "Pages317Test.moc"
