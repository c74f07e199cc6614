// The input fields, coloured labels, text bridge, message boxes, pictures and
// dialog units that every window builds on.

#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include "GuiTestSupport.h"
#include "controls/Colours.h"
#include "controls/DialogUnits.h"
#include "controls/EnterEdit.h"
#include "controls/Images.h"
#include "controls/MessageBoxes.h"
#include "controls/Text.h"
#include "controls/XColorStatic.h"

using namespace tagwright;
using namespace tagwright::gui;
using tagwright::test::ShowActive;

namespace {

// A window with the field under test followed by an ordinary field.
struct FieldWindow {
    explicit FieldWindow(int number) {
        edit = new CEnterEdit(EnterEditKind::Numbered(number), &dialog);
        edit->SetControlId(1000 + number);
        other = new QLineEdit(&dialog);
        okButton = new QPushButton(QStringLiteral("OK"), &dialog);
        okButton->setDefault(true);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(edit);
        layout->addWidget(other);
        layout->addWidget(okButton);
    }
    bool FocusEdit() {
        if (!ShowActive(dialog)) {
            return false;
        }
        edit->setFocus(Qt::OtherFocusReason);
        return edit->hasFocus();
    }
    QDialog dialog;
    CEnterEdit* edit;
    QLineEdit* other;
    QPushButton* okButton;
};

// Darkest and brightest grey within AREA of IMAGE.
std::pair<int, int> GreyRange(const QImage& image, const QRect& area) {
    std::pair<int, int> range{255, 0};
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const int grey = qGray(image.pixel(x, y));
            range = {std::min(range.first, grey), std::max(range.second, grey)};
        }
    }
    return range;
}

}  // namespace

class ControlsTest : public QObject {
    Q_OBJECT
private slots:
    // Expected per field number: does Tab notify, does leaving complete.
    void keysAndFocus_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("tabNotifies");
        QTest::addColumn<bool>("leaveCompletes");
        QTest::newRow("terminal line") << 0 << false << false;
        QTest::newRow("page 1") << 1 << false << false;
        QTest::newRow("page 17") << 17 << false << false;
        QTest::newRow("carrier ID offset 18") << 18 << false << true;
        QTest::newRow("next/max 21") << 21 << false << true;
        QTest::newRow("config carrier ID 22") << 22 << true << true;
        QTest::newRow("config byte 23") << 23 << true << false;
        QTest::newRow("pages dialog byte 24") << 24 << true << false;
        QTest::newRow("work order 25") << 25 << true << false;
    }
    void keysAndFocus() {
        QFETCH(int, number);
        QFETCH(bool, tabNotifies);
        QFETCH(bool, leaveCompletes);
        FieldWindow w(number);
        QSignalSpy completed(w.edit, &CEnterEdit::completed);
        QSignalSpy tabbed(w.edit, &CEnterEdit::tabbed);
        QSignalSpy okClicked(w.okButton, &QPushButton::clicked);
        QVERIFY(w.FocusEdit());

        // Enter, also on the keypad, completes and never reaches the default
        // button; Escape does not close the window; other keys edit.
        QTest::keyClick(w.edit, Qt::Key_Return);
        QTest::keyClick(w.edit, Qt::Key_Enter, Qt::KeypadModifier);
        QTest::keyClick(w.edit, Qt::Key_Escape);
        QTest::keyClicks(w.edit, QStringLiteral("a1"));
        QCOMPARE(completed.count(), 2);
        QCOMPARE(completed.at(0).at(0).toInt(), 1000 + number);
        QCOMPARE(okClicked.count(), 0);
        QVERIFY(w.dialog.isVisible());
        QCOMPARE(w.edit->text(), QStringLiteral("a1"));
        QVERIFY(w.edit->hasFocus());

        QTest::keyClick(w.edit, Qt::Key_Tab);
        if (tabNotifies) {
            QCOMPARE(tabbed.count(), 1);
            QCOMPARE(tabbed.at(0).at(0).toInt(), 1000 + number);
            QVERIFY(w.edit->hasFocus());  // the window decides where focus goes
            QCOMPARE(completed.count(), 2);
            w.other->setFocus(Qt::MouseFocusReason);
        } else {
            QCOMPARE(tabbed.count(), 0);
            QVERIFY(w.other->hasFocus());
        }
        QCOMPARE(completed.count(), leaveCompletes ? 3 : 2);

        // The field's own context menu taking the focus is not leaving it.
        w.edit->setFocus();
        QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(w.edit, &popup);
        QCOMPARE(completed.count(), leaveCompletes ? 3 : 2);
    }

    void focusTakenByHandlerDoesNotNotifyAgain() {
        // A handler that shows a message box takes the focus from the field
        // while it runs; that must not run the handler again inside itself.
        FieldWindow w(22);
        int calls = 0;
        connect(w.edit, &CEnterEdit::completed, [&] {
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

    void fieldColoursSurviveRepaintAndDisabling() {
        QWidget window;
        MakeBlackWindow(window);
        auto* edit = new CEnterEdit(EnterEditKind::Numbered(24), &window);
        edit->setGeometry(10, 10, 160, 30);
        edit->setFont(QFont(edit->font().family(), 14));
        edit->setText(QStringLiteral("MMMM"));
        edit->SetBackgroundColour(colour::Green, true);
        edit->SetTextColour(colour::Black, true);
        QVERIFY(ShowActive(window));
        window.hide();  // covered and uncovered
        window.show();
        const QPoint away(edit->width() - 6, edit->height() / 2);
        QCOMPARE(test::Painted(*edit).pixelColor(away), QColor(0, 255, 0));

        // A parent's later palette change does not reach the field's colours.
        QPalette loud = window.palette();
        loud.setColor(QPalette::Base, Qt::magenta);
        loud.setColor(QPalette::Text, Qt::yellow);
        window.setPalette(loud);
        QCOMPARE(test::Painted(*edit).pixelColor(away), QColor(0, 255, 0));

        edit->setEnabled(false);
        edit->SetBackgroundColour(colour::DisabledBackground, true);
        edit->SetTextColour(colour::DisabledText, true);
        const QImage painted = test::Painted(*edit);
        QCOMPARE(painted.pixelColor(away), QColor(240, 240, 240));
        const int darkest = GreyRange(painted, painted.rect().adjusted(4, 4, -4, -4)).first;
        QVERIFY(std::abs(darkest - 109) <= 15);  // the text in the chosen grey
    }

    void labelKeepsWhiteOnBlack() {
        QWidget window;
        window.resize(200, 60);
        auto* label = new CXColorStatic(QStringLiteral("Carrier ID"), &window);
        label->setGeometry(10, 10, 150, 30);
        label->SetTextColour(colour::White, false);
        label->SetBackgroundColour(colour::Black, false);
        QPalette loud = window.palette();  // set later, yet not the label's
        loud.setColor(QPalette::Window, Qt::blue);
        loud.setColor(QPalette::WindowText, Qt::red);
        window.setPalette(loud);
        QVERIFY(ShowActive(window));
        window.hide();
        window.show();

        const QImage painted = test::Painted(*label);
        QCOMPARE(painted.pixelColor(label->width() - 2, label->height() - 2), QColor(Qt::black));
        QVERIFY(GreyRange(painted, painted.rect()).second >= 200);  // white text, not red
    }

    void boldTogglesWeightAndAlignmentPlacesText() {
        CXColorStatic label(QStringLiteral("ab"));
        label.resize(200, 60);
        label.SetTextColour(colour::Black, false);
        label.SetBackgroundColour(colour::White, false);
        CEnterEdit edit(EnterEditKind::Numbered(23));
        const QFont before = label.font();
        label.SetBold(true, true);
        edit.SetBold(true, true);
        QCOMPARE(label.font().weight(), 700);
        QCOMPARE(edit.font().weight(), 700);
        QCOMPARE(label.font().family(), before.family());
        QCOMPARE(label.font().pointSizeF(), before.pointSizeF());
        const int boldWidth = test::InkBounds(test::Painted(label), Qt::white).width();
        label.SetBold(false, true);
        edit.SetBold(false, true);
        QCOMPARE(label.font().weight(), 400);
        QCOMPARE(edit.font().weight(), 400);
        QVERIFY(boldWidth > test::InkBounds(test::Painted(label), Qt::white).width());

        // Right-aligned on one line, vertically centred.
        label.SetTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        QRect ink = test::InkBounds(test::Painted(label), Qt::white);
        QVERIFY(ink.right() >= 190);
        QVERIFY(std::abs(ink.center().y() - 30) <= 4);
        // Otherwise from the top, wrapped at word boundaries.
        label.setText(QStringLiteral("one two three four five six"));
        label.SetTextAlignment(Qt::AlignLeft);
        label.resize(60, 200);
        ink = test::InkBounds(test::Painted(label), Qt::white);
        QVERIFY(ink.top() <= 6);
        QVERIFY(ink.height() > 2 * QFontMetrics(label.font()).height());
    }

    void textBridge() {
        std::string all;
        for (int b = 0; b < 256; ++b) {
            all.push_back(static_cast<char>(b));
        }
        QCOMPARE(FieldText(all).size(), 256);
        QVERIFY(FieldBytes(FieldText(all)) == all);
        QVERIFY(FieldBytes(QString::fromUtf8("A\u0100B\U0001F600C")) == "A?B?C");

        // Messages are Windows-1252: byte -> code point.
        const std::pair<unsigned char, char16_t> cp1252[] = {
            {0x80, 0x20AC}, {0x81, 0x0081}, {0x91, 0x2018}, {0x9F, 0x0178},
            {0xF6, 0x00F6}, {0xFC, 0x00FC}, {'A', u'A'}};
        for (const auto& [byte, unicode] : cp1252) {
            const QString text = MessageText(std::string(1, static_cast<char>(byte)));
            QCOMPARE(text, QString(QChar(unicode)));
        }
    }

    void dialogUnits_data() {
        QTest::addColumn<QRect>("units");
        QTest::addColumn<QRect>("pixels");
        QTest::newRow("terminal group") << QRect(522, 0, 209, 243) << QRect(783, 0, 314, 395);
        QTest::newRow("page field") << QRect(48, 20, 138, 12) << QRect(72, 33, 207, 19);
        QTest::newRow("template") << QRect(0, 0, 799, 276) << QRect(0, 0, 1199, 449);
    }
    void dialogUnits() {
        QFETCH(QRect, units);
        QFETCH(QRect, pixels);
        QCOMPARE(DluRect(units.x(), units.y(), units.width(), units.height()), pixels);
    }

    void messageBoxes() {
        const MessageRequest question{"Datei \xFC" "berschreiben?", "", MsgIcon::Question,
                                      MsgButtons::YesNo};
        {
            test::ScopedMessageBoxes boxes;
            boxes.answers = {MsgAnswer::No};
            WidgetMessageView view(nullptr);
            QCOMPARE(view.ShowMessage(question), MsgAnswer::No);
            QCOMPARE(view.ShowMessage({"done", "", MsgIcon::None, MsgButtons::Ok}), MsgAnswer::Ok);
            QCOMPARE(boxes.shown.size(), std::size_t(2));
            QVERIFY(boxes.shown[0].text == question.text);
        }
        // Without the hook the real box runs; a question closed by Escape is No.
        QTimer::singleShot(0, [] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                QTest::keyClick(box, Qt::Key_Escape);
            }
        });
        QCOMPARE(ShowMessageBox(nullptr, question), MsgAnswer::No);

        auto box = BuildMessageBox(nullptr, question);
        QCOMPARE(box->windowTitle(), QStringLiteral("Tagwright"));
        QCOMPARE(box->text(), QString::fromUtf8("Datei \u00FCberschreiben?"));
        QCOMPARE(box->icon(), QMessageBox::Question);
        QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        box = BuildMessageBox(nullptr, {"x", "Error", MsgIcon::Error, MsgButtons::Ok});
        QCOMPARE(box->windowTitle(), QStringLiteral("Error"));
        QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void imagesShowTheirState() {
        const QImage set = SelectBoxImage(true).toImage();
        const QImage clear = SelectBoxImage(false).toImage();
        const QImage chosen = ChoiceImage(true).toImage();
        const QImage notChosen = ChoiceImage(false).toImage();
        QCOMPARE(set.size(), QSize(13, 13));
        QCOMPARE(chosen.size(), QSize(13, 13));
        const QRect inside(2, 2, 9, 9);
        QVERIFY(!test::InkBounds(set, Qt::transparent, inside).isNull());
        QVERIFY(test::InkBounds(clear, Qt::transparent, inside).isNull());
        QVERIFY(!test::InkBounds(clear, Qt::transparent).isNull());
        QCOMPARE(chosen.pixelColor(6, 6), QColor(Qt::white));
        QCOMPARE(qAlpha(notChosen.pixel(6, 6)), 0);

        const QImage on = CheckImage(true).toImage();
        const QImage off = CheckImage(false).toImage();
        QCOMPARE(on.size(), QSize(66, 19));
        QCOMPARE(off.pixelColor(0, 9), QColor(Qt::black));  // the frame
        QCOMPARE(off.pixelColor(65, 18), QColor(Qt::black));
        QCOMPARE(on.pixelColor(33, 9), QColor(Qt::black));
        QCOMPARE(off.pixelColor(33, 9), QColor(Qt::white));

        QWidget window;
        MakeBlackWindow(window);
        auto* button = new ImageButton(ChoiceImage(false), &window);
        button->resize(button->sizeHint());
        button->setFocusPolicy(Qt::NoFocus);
        QSignalSpy clicked(button, &ImageButton::clicked);
        QVERIFY(ShowActive(window));
        QCOMPARE(button->size(), QSize(13, 13));
        QCOMPARE(test::Painted(*button).pixelColor(6, 6), QColor(Qt::black));
        button->SetImage(ChoiceImage(true));
        QCOMPARE(test::Painted(*button).pixelColor(6, 6), QColor(Qt::white));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
    }
};

QTEST_MAIN(ControlsTest)
#include "ControlsTest.moc"
