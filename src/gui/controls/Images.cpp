#include "gui/controls/Images.h"

#include <QImage>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace tagwright::gui {

namespace {

const QColor kLight(255, 255, 255);

QImage Blank(int width, int height, const QColor& fill) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

}  // namespace

QPixmap SelectBoxImage(bool set) {
    QImage image = Blank(kSmallImageSize, kSmallImageSize, Qt::transparent);
    QPainter p(&image);
    p.setPen(QPen(kLight, 1));
    p.drawRect(0, 0, kSmallImageSize - 1, kSmallImageSize - 1);
    if (set) {
        p.setPen(QPen(kLight, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        const QPoint tick[] = {{3, 6}, {5, 9}, {9, 3}};
        p.drawPolyline(tick, 3);
    }
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap ChoiceImage(bool chosen) {
    QImage image = Blank(kSmallImageSize, kSmallImageSize, Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kLight, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(0.6, 0.6, kSmallImageSize - 1.2, kSmallImageSize - 1.2));
    if (chosen) {
        p.setPen(Qt::NoPen);
        p.setBrush(kLight);
        p.drawEllipse(QRectF(3.5, 3.5, 6.0, 6.0));
    }
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap CheckImage(bool on) {
    QImage image = Blank(kCheckImageWidth, kCheckImageHeight, Qt::white);
    QPainter p(&image);
    p.setPen(QPen(Qt::black, 1));
    const int right = kCheckImageWidth - 1;
    const int bottom = kCheckImageHeight - 1;
    p.drawRect(0, 0, right, bottom);
    if (on) {
        p.drawLine(0, 0, right, bottom);
        p.drawLine(0, bottom, right, 0);
    }
    p.end();
    return QPixmap::fromImage(image);
}

ImageButton::ImageButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
}

ImageButton::ImageButton(const QPixmap& image, QWidget* parent) : ImageButton(parent) {
    SetImage(image);
}

void ImageButton::SetImage(const QPixmap& image) {
    image_ = image;
    updateGeometry();
    update();
}

QSize ImageButton::sizeHint() const {
    return image_.isNull() ? QSize(kSmallImageSize, kSmallImageSize)
                           : image_.size() / image_.devicePixelRatio();
}

void ImageButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!image_.isNull()) {
        const QSize size = image_.size() / image_.devicePixelRatio();
        QRect target(QPoint(0, 0), size);
        target.moveCenter(rect().center());
        // Pressed: the picture sinks by a pixel, as a push button would.
        if (isDown()) {
            target.translate(1, 1);
        }
        p.drawPixmap(target, image_);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.backgroundColor = palette().color(QPalette::Window);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
    }
}

}  // namespace tagwright::gui
