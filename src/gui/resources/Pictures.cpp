#include "gui/resources/Pictures.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tagwright::gui {

namespace {

const QColor kCopper(214, 126, 52);
const QColor kCard(236, 240, 244);
const QColor kChip(34, 38, 46);
const QColor kAccent(64, 196, 196);

QImage Canvas(int width, int height, const QColor& fill) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

// A tag card filling RECT: a white card, a copper coil of three turns and the
// chip in its middle.
void DrawTag(QPainter& p, const QRectF& rect) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal unit = rect.width() / 16.0;
    p.setPen(QPen(QColor(120, 130, 140), std::max<qreal>(0.6, unit * 0.15)));
    p.setBrush(kCard);
    p.drawRoundedRect(rect, unit * 1.6, unit * 1.6);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kCopper, std::max<qreal>(0.8, unit * 0.45), Qt::SolidLine, Qt::RoundCap));
    for (int turn = 0; turn < 3; ++turn) {
        const qreal inset = unit * (1.6 + turn * 1.1);
        p.drawRoundedRect(rect.adjusted(inset, inset, -inset, -inset), unit, unit);
    }
    const QSizeF chip(unit * 3.2, unit * 3.2);
    QRectF chipRect(QPointF(0, 0), chip);
    chipRect.moveCenter(rect.center());
    p.setPen(Qt::NoPen);
    p.setBrush(kChip);
    p.drawRoundedRect(chipRect, unit * 0.4, unit * 0.4);
    p.restore();
}

QFont PictureFont(int pixelSize, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QPixmap IconPixmap(int size) {
    QImage image = Canvas(size, size, Qt::transparent);
    QPainter p(&image);
    const qreal margin = size / 16.0;
    DrawTag(p, QRectF(margin, margin * 2.5, size - 2 * margin, size - 5 * margin));
    p.end();
    return QPixmap::fromImage(image);
}

}  // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) icon.addPixmap(IconPixmap(size));
    return icon;
}

QPixmap LogoPicture() {
    QImage image = Canvas(kLogoWidth, kLogoHeight, Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawTag(p, QRectF(4, 8, 40, 33));

    // Waves from the tag towards the word.
    p.setPen(QPen(kAccent, 2, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 2; ++i) {
        const qreal r = 7 + 6 * i;
        p.drawArc(QRectF(44 - r, 24.5 - r, 2 * r, 2 * r), -40 * 16, 80 * 16);
    }

    p.setFont(PictureFont(28, true));
    p.setPen(Qt::white);
    const QRectF textRect(64, 0, kLogoWidth - 66, kLogoHeight);
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tag"));
    const qreal tagWidth = p.fontMetrics().horizontalAdvance(QStringLiteral("Tag"));
    p.setPen(kAccent);
    p.drawText(textRect.adjusted(tagWidth, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("wright"));
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap AboutPicture() {
    const int s = kAboutPictureSize;
    QImage image = Canvas(s, s, Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, 0, s);
    sky.setColorAt(0.0, QColor(10, 24, 44));
    sky.setColorAt(1.0, QColor(20, 62, 96));
    p.fillRect(image.rect(), sky);

    // The Reader's housing and its loop antenna, seen from the front.
    const QRectF housing(70, 330, 320, 70);
    QLinearGradient body(housing.topLeft(), housing.bottomLeft());
    body.setColorAt(0.0, QColor(70, 78, 90));
    body.setColorAt(1.0, QColor(36, 40, 48));
    p.setPen(QPen(QColor(120, 130, 145), 1.5));
    p.setBrush(body);
    p.drawRoundedRect(housing, 14, 14);
    p.setBrush(Qt::NoBrush);
    for (int turn = 0; turn < 3; ++turn) {
        const qreal inset = 10 + 7 * turn;
        p.setPen(QPen(kCopper.darker(100 + 15 * turn), 3));
        p.drawRoundedRect(housing.adjusted(inset, inset * 0.55, -inset, -inset * 0.55), 9, 9);
    }
    // The field between antenna and tag.
    for (int i = 0; i < 5; ++i) {
        QColor wave = kAccent;
        wave.setAlpha(200 - 35 * i);
        p.setPen(QPen(wave, 2.5, Qt::SolidLine, Qt::RoundCap));
        const qreal w = 120 + 44 * i;
        const qreal h = 34 + 16 * i;
        p.drawArc(QRectF(230 - w / 2, 322 - h / 2, w, h), 30 * 16, 120 * 16);
    }

    // The tag, slightly tilted, hovering above the antenna.
    p.save();
    p.translate(230, 205);
    p.rotate(-8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRoundedRect(QRectF(-92, -56, 190, 124), 18, 18);
    DrawTag(p, QRectF(-96, -64, 190, 124));
    p.restore();

    p.setPen(Qt::white);
    p.setFont(PictureFont(46, true));
    p.drawText(QRectF(0, 28, s, 60), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("Tagwright"));
    p.setPen(QColor(190, 215, 235));
    p.setFont(PictureFont(16, false));
    p.drawText(QRectF(0, 86, s, 24), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("RFID transponder programming station"));
    p.setFont(PictureFont(13, false));
    p.drawText(QRectF(0, 412, s, 22), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("Version 1.48"));
    p.end();
    return QPixmap::fromImage(image);
}

}  // namespace tagwright::gui
