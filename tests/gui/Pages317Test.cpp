// The "Config Pages 3-17" window: how it shows the bytes and boxes, the real
// keys and buttons wired to its model, and what OK and "Abbrechen" give.

#include <QPushButton>

#include "GuiTestSupport.h"
#include "gui/config/Pages317Dialog.h"
#include "core/domain/ByteText.h"
#include "gui/config/Pages317Command.h"

using namespace tagwright;
using namespace tagwright::gui;
using namespace tagwright::test;

namespace {

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

void Type(Pages317Dialog& dlg, int k, const QString& text, Qt::Key key = Qt::Key_Return) {
    TypeInto(dlg.ByteField(k), text, key);
}

}  // namespace

class Pages317Test : public QObject {
    Q_OBJECT
private slots:
    void showsTheBytesAndFollowsTheKeys() {
        ScopedMessageBoxes boxes;
        Pages317Dialog dlg(Digits(0));
        QVERIFY(ShowActive(dlg));
        QVERIFY(dlg.width() <= 1240 && dlg.height() <= 960);  // a 1280 x 1024 screen and frame
        QCOMPARE(dlg.ByteField(16)->text(), QStringLiteral("36"));
        QVERIFY(SameImage(dlg.EditBox(4)->Image(), CheckImage(true)));

        // Refused (the texts are the model's): told, kept for mending, and
        // the next byte is selected.
        Type(dlg, 20, QStringLiteral("4g"));
        QCOMPARE(boxes.shown.size(), std::size_t{1});
        QCOMPARE(dlg.ByteField(20)->text(), QStringLiteral("4g"));
        QVERIFY(dlg.ByteField(21)->hasFocus());
        QCOMPARE(dlg.ByteField(21)->selectedText(), dlg.ByteField(21)->text());

        Type(dlg, 21, QStringLiteral("7e"), Qt::Key_Tab);
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
            Type(dlg, 30, QStringLiteral("x"));
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
            Type(dlg, 30, QStringLiteral("4a"));
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

QTEST_MAIN(Pages317Test)
#include "Pages317Test.moc"
