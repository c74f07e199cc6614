#include "gui/controls/CarrierIdPictures.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "core/base/Presentation.h"
#include "core/config/ParameterSet.h"
#include "gui/controls/Colours.h"

namespace tagwright::gui {

namespace {

const QColor kInk(0, 0, 0);

QImage Canvas() {
    QImage image(kCarrierIdPictureSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

void SetSmallFont(QPainter& p, bool bold = false) {
    QFont font = p.font();
    font.setPixelSize(10);
    font.setBold(bold);
    p.setFont(font);
}

// Sets up the pen and writes the picture's bold title; later text is small.
void Title(QPainter& p, const QString& title) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 1));
    SetSmallFont(p, true);
    p.drawText(QRect(0, 4, kCarrierIdPictureSize.width(), 14), Qt::AlignHCenter, title);
    SetSmallFont(p);
}

// A horizontal measure from x1 to x2 at y: a line with arrow heads and
// short end marks.
void Measure(QPainter& p, qreal x1, qreal x2, qreal y) {
    p.drawLine(QPointF(x1, y), QPointF(x2, y));
    p.drawLine(QPointF(x1, y - 4), QPointF(x1, y + 4));
    p.drawLine(QPointF(x2, y - 4), QPointF(x2, y + 4));
    QPainterPath heads;
    heads.moveTo(x1, y);
    heads.lineTo(x1 + 5, y - 3);
    heads.lineTo(x1 + 5, y + 3);
    heads.closeSubpath();
    heads.moveTo(x2, y);
    heads.lineTo(x2 - 5, y - 3);
    heads.lineTo(x2 - 5, y + 3);
    heads.closeSubpath();
    p.fillPath(heads, kInk);
}

// A downward pointer from a label to a spot.
void Pointer(QPainter& p, QPointF from, QPointF to) {
    p.drawLine(from, to);
    QPainterPath head;
    head.moveTo(to);
    head.lineTo(to.x() - 3, to.y() - 5);
    head.lineTo(to.x() + 3, to.y() - 5);
    head.closeSubpath();
    p.fillPath(head, kInk);
}

}  // namespace

QPixmap CarrierIdTagPicture() {
    QImage image = Canvas();
    QPainter p(&image);
    Title(p, QStringLiteral("Tag: 17 pages x 8 bytes"));

    // One cell per page; pages 1 and 2, where the carrier ID may lie, green.
    const qreal left = 14;
    const qreal cell = 16;
    const qreal top = 50;
    const qreal height = 22;
    const qreal right = left + kPageCount * cell;
    const qreal areaEnd = left + (kCarrierIdBytes / kPageBytes) * cell;
    for (int page = 0; page < kPageCount; ++page) {
        const QRectF r(left + page * cell, top, cell, height);
        if (r.right() <= areaEnd) p.fillRect(r, ToQColor(colour::CarrierIdGreen));
        p.drawRect(r);
        p.drawText(r, Qt::AlignCenter, QString::number(page + 1));
    }

    p.drawText(QPointF(6, 32), QStringLiteral("first byte = byte 0 (page 1)"));
    Pointer(p, QPointF(left + 3, 36), QPointF(left + 3, top - 1));

    const qreal areaY = top + height + 14;
    Measure(p, left, areaEnd, areaY);
    p.drawText(QPointF(areaEnd + 6, areaY + 4),
               QStringLiteral("pages 1-2: carrier ID, at most 16 bytes"));

    const qreal totalY = areaY + 26;
    Measure(p, left, right, totalY);
    p.drawText(QRectF(left, totalY + 4, right - left, 14), Qt::AlignHCenter,
               QStringLiteral("Total Tag Length 136 bytes"));
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap CarrierIdFieldPicture() {
    QImage image = Canvas();
    QPainter p(&image);
    Title(p, QStringLiteral("Carrier ID in bytes 0-15 (pages 1-2)"));

    // The example: offset 2, length 5, "ABC" padded to "00ABC".
    constexpr int kOffset = 2;
    constexpr int kLength = 5;
    const char* const example = "00ABC";
    const qreal left = 14;
    const qreal cell = 17;
    const qreal top = 46;
    const qreal height = 20;
    for (int b = 0; b < kCarrierIdBytes; ++b) {
        const QRectF r(left + b * cell, top, cell, height);
        const bool inField = b >= kOffset && b < kOffset + kLength;
        p.fillRect(r, inField ? ToQColor(colour::CarrierIdGreen) : QColor(Qt::white));
        p.drawRect(r);
        const QString text = inField ? QString(QChar(example[b - kOffset])) : QStringLiteral("0");
        p.drawText(r, Qt::AlignCenter, text);
        if (b % 4 == 0 || b == kCarrierIdBytes - 1) {
            p.drawText(QRectF(r.left() - 4, top + height + 1, cell + 8, 12), Qt::AlignHCenter,
                       QString::number(b));
        }
    }
    // The page boundary between bytes 7 and 8.
    const qreal boundary = left + kPageBytes * cell;
    p.setPen(QPen(kInk, 2));
    p.drawLine(QPointF(boundary, top - 5), QPointF(boundary, top + height + 5));
    p.setPen(QPen(kInk, 1));
    p.drawText(QRectF(left, top - 14, kPageBytes * cell, 12), Qt::AlignHCenter,
               QStringLiteral("page 1"));
    p.drawText(QRectF(boundary, top - 14, kPageBytes * cell, 12), Qt::AlignHCenter,
               QStringLiteral("page 2"));

    p.drawText(QPointF(6, 30), QStringLiteral("first byte"));
    Pointer(p, QPointF(left + 3, 33), QPointF(left + 3, top - 1));

    // Offset and length measured below the cells, tied to them by guides.
    const qreal fieldLeft = left + kOffset * cell;
    const qreal fieldRight = fieldLeft + kLength * cell;
    const qreal offsetY = top + height + 24;
    const qreal lengthY = offsetY + 20;
    p.setPen(QPen(kInk, 1, Qt::DotLine));
    p.drawLine(QPointF(left, top + height), QPointF(left, offsetY));
    p.drawLine(QPointF(fieldLeft, top + height), QPointF(fieldLeft, lengthY));
    p.drawLine(QPointF(fieldRight, top + height), QPointF(fieldRight, lengthY));
    p.setPen(QPen(kInk, 1));
    Measure(p, left, fieldLeft, offsetY);
    p.drawText(QPointF(fieldLeft + 6, offsetY + 4), QStringLiteral("Carrier ID Offset = 2"));
    Measure(p, fieldLeft, fieldRight, lengthY);
    p.drawText(QPointF(fieldRight + 6, lengthY + 4), QStringLiteral("Carrier ID Length = 5"));
    p.drawText(QPointF(left, lengthY + 22),
               QStringLiteral("Carrier ID \"ABC\" is padded with \"0\" to its length"));
    p.end();
    return QPixmap::fromImage(image);
}

}  // namespace tagwright::gui
