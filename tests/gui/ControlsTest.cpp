// The input fields, text bridge, message boxes and pictures that every window
// builds on.

#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QVBoxLayout>

#include "GuiTestSupport.h"
#include "gui/controls/Colours.h"
#include "gui/controls/Text.h"

using namespace tagwright;
using namespace tagwright::gui;
using namespace tagwright::test;

namespace {

// A window with the field under test, an ordinary field and a default button.
struct FieldWindow {
    explicit FieldWindow(int number)
        : edit(new EnterEdit(EnterEditKind::Numbered(number), &dialog)),
          other(new QLineEdit(&dialog)),
          okButton(new QPushButton(QStringLiteral("OK"), &dialog)) {
        edit->SetControlId(1000 + number);
        okButton->setDefault(true);
        auto* layout = new QVBoxLayout(&dialog);
        for (QWidget* w : {static_cast<QWidget*>(edit), static_cast<QWidget*>(other),
                           static_cast<QWidget*>(okButton)}) {
            layout->addWidget(w);
        }
    }
    bool FocusEdit() {
        if (!ShowActive(dialog)) return false;
        edit->setFocus(Qt::OtherFocusReason);
        return edit->hasFocus();
    }
    QDialog dialog;
    EnterEdit* edit;
    QLineEdit* other;
    QPushButton* okButton;
};

}  // namespace

class ControlsTest : public QObject {
    Q_OBJECT
private slots:
    // Per field number: does Tab notify, does leaving complete.
    void keysAndFocus_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("tabNotifies");
        QTest::addColumn<bool>("leaveCompletes");
        QTest::newRow("terminal line 0") << 0 << false << false;
        QTest::newRow("page 17") << 17 << false << false;
        QTest::newRow("next/max 21") << 21 << false << true;
        QTest::newRow("config carrier ID 22") << 22 << true << true;
        QTest::newRow("config byte 23") << 23 << true << false;
    }
    void keysAndFocus() {
        QFETCH(int, number);
        QFETCH(bool, tabNotifies);
        QFETCH(bool, leaveCompletes);
        FieldWindow w(number);
        QSignalSpy completed(w.edit, &EnterEdit::completed);
        QSignalSpy tabbed(w.edit, &EnterEdit::tabbed);
        QSignalSpy okClicked(w.okButton, &QPushButton::clicked);
        QVERIFY(w.FocusEdit());

        // Enter, also on the keypad, completes and never reaches the default
        // button; Escape does not close the window.
        QTest::keyClick(w.edit, Qt::Key_Return);
        QTest::keyClick(w.edit, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(w.edit, Qt::Key_Escape);
        QCOMPARE(completed.count(), 2);
        QCOMPARE(completed.at(0).at(0).toInt(), 1000 + number);
        QCOMPARE(okClicked.count(), 0);
        QVERIFY(w.dialog.isVisible() && w.edit->hasFocus());

        QTest::keyClick(w.edit, Qt::Key_Tab);
        QCOMPARE(tabbed.count(), tabNotifies ? 1 : 0);
        // A notified Tab leaves moving the focus to the window.
        QWidget* const expected = tabNotifies ? static_cast<QWidget*>(w.edit) : w.other;
        QCOMPARE(QApplication::focusWidget(), expected);
        if (tabNotifies) {
            QCOMPARE(tabbed.at(0).at(0).toInt(), 1000 + number);
            QCOMPARE(completed.count(), 2);
            w.other->setFocus(Qt::MouseFocusReason);
        }
        QCOMPARE(completed.count(), leaveCompletes ? 3 : 2);

        // The field's own context menu taking the focus is not leaving it.
        w.edit->setFocus();
        QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(w.edit, &popup);
        QCOMPARE(completed.count(), leaveCompletes ? 3 : 2);
    }

    // A handler that shows a message box takes the focus from the field while
    // it runs; that must not run the handler again inside itself.
    void focusTakenByHandlerDoesNotNotifyAgain() {
        FieldWindow w(22);
        int calls = 0;
        connect(w.edit, &EnterEdit::completed, [&] {
            ++calls;
            w.other->setFocus();
        });
        QVERIFY(w.FocusEdit());
        QTest::keyClick(w.edit, Qt::Key_Return);
        QCOMPARE(calls, 1);
        w.edit->setFocus();  // later losses complete again
        w.other->setFocus();
        QCOMPARE(calls, 2);
    }

    // Own colours survive covering, a parent's later palette and disabling.
    void coloursStayTheControlsOwn() {
        QWidget window;
        MakeBlackWindow(window);
        auto* edit = new EnterEdit(EnterEditKind::Numbered(24), &window);
        edit->setGeometry(10, 10, 160, 30);
        edit->setFont(QFont(edit->font().family(), 14));
        edit->setText(QStringLiteral("MMMM"));
        QVERIFY(ShowActive(window));
        QPalette loud = window.palette();
        for (auto role : {QPalette::Base, QPalette::Window}) loud.setColor(role, Qt::magenta);
        for (auto role : {QPalette::Text, QPalette::WindowText}) loud.setColor(role, Qt::red);
        window.setPalette(loud);
        window.hide();
        window.show();

        edit->setEnabled(false);
        edit->SetBackgroundColour(colour::DisabledBackground, true);
        edit->SetTextColour(colour::DisabledText, true);
        QPixmap pixmap = edit->grab();
        pixmap.setDevicePixelRatio(1);  // one image pixel per widget pixel
        const QImage painted = pixmap.toImage();
        QCOMPARE(painted.pixelColor(edit->width() - 6, edit->height() / 2), QColor(240, 240, 240));
        int darkest = 255;
        for (int y = 4; y < painted.height() - 4; ++y) {
            for (int x = 4; x < painted.width() - 4; ++x) {
                darkest = std::min(darkest, qGray(painted.pixel(x, y)));
            }
        }
        QVERIFY(std::abs(darkest - 109) <= 15);  // the text in the chosen grey
    }

    // Fields carry bytes as Latin-1 (what no byte holds as '?' where the
    // core does not judge it); messages are Windows-1252.
    void textBridge() {
        std::string all;
        for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
        QVERIFY(FieldBytes(FieldText(all)) == all && FieldBytes(ByteFieldText(all)) == all);
        QVERIFY(FieldBytes(QString::fromUtf8("A\u0100B\U0001F600C")) == "A?B?C");
        QVERIFY(FieldBytes(QString(QChar(0x2420))) == "?");  // the SP picture is no control byte
        const std::pair<unsigned char, char16_t> cp1252[] = {
            {0x80, 0x20AC}, {0x81, 0x0081}, {0x9F, 0x0178}, {0xFC, 0x00FC}, {'A', u'A'}};
        for (const auto& [byte, unicode] : cp1252) {
            QCOMPARE(MessageText(std::string(1, static_cast<char>(byte))), QString(QChar(unicode)));
        }
    }

    // Disabled text on every background a field takes stays readable.
    void disabledTextIsReadable() {
        for (Rgb background : {colour::White, colour::Red, colour::Green,
                               colour::DisabledBackground, colour::CarrierIdGreen,
                               colour::Black}) {
            const Rgb text = DisabledTextOn(background);
            QVERIFY2(ContrastRatio(text, background) >= 4.5,
                     qPrintable(QStringLiteral("on %1,%2,%3").arg(background.r)
                                    .arg(background.g).arg(background.b)));
            QCOMPARE(text.r, text.g);  // a grey
        }
        QCOMPARE(DisabledTextOn(colour::White), colour::DisabledText);
        QVERIFY(std::abs(ContrastRatio(colour::White, colour::Black) - 21.0) < 1e-9);
    }

    void messageBoxes() {
        const MessageRequest question{"Datei \xFC" "berschreiben?", "", MsgIcon::Question,
                                      MsgButtons::YesNo};
        // A question closed by Escape is No.
        WhenModalOpens<QMessageBox>([](QMessageBox& b) { QTest::keyClick(&b, Qt::Key_Escape); });
        QCOMPARE(ShowMessageBox(nullptr, question), MsgAnswer::No);

        QCOMPARE(BuildMessageBox(nullptr, question)->windowTitle(), QStringLiteral("Tagwright"));
    }

    // The pictures differ by state, so that a box showing the wrong one is seen.
    void imagesShowTheirState() {
        QCOMPARE(SelectBoxImage(true).size(), QSize(13, 13));
        QCOMPARE(CheckImage(true).size(), QSize(66, 19));
        QVERIFY(!SameImage(SelectBoxImage(true), SelectBoxImage(false)));
        QVERIFY(!SameImage(ChoiceImage(true), ChoiceImage(false)));
        QVERIFY(!SameImage(CheckImage(true), CheckImage(false)));
    }
};

QTEST_MAIN(ControlsTest)
#include "ControlsTest.moc"
