#pragma once
// Helpers for the QtTest programs, which run on the offscreen platform:
// activating a window, reading back painted pixels, answering message boxes.

#include <deque>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWidget>

#include "controls/MessageBoxes.h"

namespace tagwright::test {

// Shows WINDOW and makes it the active one, so that focus moves are real.
inline bool ShowActive(QWidget& window) {
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}

// What WIDGET paints now, one image pixel per widget pixel.
inline QImage Painted(QWidget& widget) {
    QPixmap pixmap = widget.grab();
    pixmap.setDevicePixelRatio(1);
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

// Bounds of the pixels that differ from BACKGROUND within AREA.
inline QRect InkBounds(const QImage& image, const QColor& background, QRect area = {}) {
    if (area.isNull()) {
        area = image.rect();
    }
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) != background) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

// Answers every message box while it lives: with the queued answers first,
// then with Ok. Records what was asked.
class ScopedMessageBoxes {
public:
    ScopedMessageBoxes()
        : previous_(gui::SetMessageBoxHandler([this](const MessageRequest& request) {
              shown.push_back(request);
              if (answers.empty()) {
                  return MsgAnswer::Ok;
              }
              const MsgAnswer a = answers.front();
              answers.pop_front();
              return a;
          })) {}
    ~ScopedMessageBoxes() { gui::SetMessageBoxHandler(previous_); }
    ScopedMessageBoxes(const ScopedMessageBoxes&) = delete;
    ScopedMessageBoxes& operator=(const ScopedMessageBoxes&) = delete;

    std::deque<MsgAnswer> answers;
    std::vector<MessageRequest> shown;

private:
    gui::MessageBoxHandler previous_;
};

}  // namespace tagwright::test
