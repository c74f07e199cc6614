#include "gui/main/SpinArrows.h"

#include <QPainter>
#include <QPolygonF>

namespace tagwright::gui {

ArrowButton::ArrowButton(bool up, QWidget* parent) : QAbstractButton(parent), up_(up) {
    setFocusPolicy(Qt::NoFocus);
    setAutoRepeat(true);
}

void ArrowButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool down = isDown();
    p.fillRect(rect(), down ? QColor(200, 200, 200) : QColor(232, 232, 232));
    // A raised edge, sunk while pressed.
    p.setPen(down ? QColor(110, 110, 110) : Qt::white);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(down ? Qt::white : QColor(110, 110, 110));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());

    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(isEnabled() ? QColor(20, 20, 20) : QColor(150, 150, 150));
    const QPointF c = QRectF(rect()).center() + (down ? QPointF(0.5, 0.5) : QPointF());
    const qreal w = std::min(width() - 4, 7) / 2.0;
    const qreal h = std::max<qreal>(2.0, std::min<qreal>(height() - 3, 4.0)) / 2.0;
    QPolygonF triangle;
    if (up_) {
        triangle << QPointF(c.x() - w, c.y() + h) << QPointF(c.x() + w, c.y() + h)
                 << QPointF(c.x(), c.y() - h);
    } else {
        triangle << QPointF(c.x() - w, c.y() - h) << QPointF(c.x() + w, c.y() - h)
                 << QPointF(c.x(), c.y() + h);
    }
    p.drawPolygon(triangle);
}

SpinArrows::SpinArrows(QWidget* parent)
    : QWidget(parent), up_(new ArrowButton(true, this)), down_(new ArrowButton(false, this)) {
    setFocusPolicy(Qt::NoFocus);
    connect(up_, &QAbstractButton::clicked, this, [this] { emit stepped(-1); });
    connect(down_, &QAbstractButton::clicked, this, [this] { emit stepped(+1); });
}

void SpinArrows::resizeEvent(QResizeEvent*) {
    const int upper = height() / 2;
    up_->setGeometry(0, 0, width(), upper);
    down_->setGeometry(0, upper, width(), height() - upper);
}

}  // namespace tagwright::gui
