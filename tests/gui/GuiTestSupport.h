#pragma once
// Helpers for the QtTest programs, which run on the offscreen platform:
// activating a window, typing, answering modal dialogs and message boxes.

#include <deque>
#include <functional>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "gui/controls/EnterEdit.h"
#include "gui/controls/Images.h"
#include "gui/controls/MessageBoxes.h"

namespace tagwright::test {

// Shows WINDOW and makes it the active one, so that focus moves are real.
inline bool ShowActive(QWidget& window) {
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}

// Replaces FIELD's text as the operator would, then presses KEY (if any).
inline void TypeInto(QWidget* field, const QString& text, Qt::Key key = Qt::Key_unknown) {
    field->setFocus(Qt::OtherFocusReason);
    if (auto* line = qobject_cast<QLineEdit*>(field)) line->selectAll();
    QTest::keyClicks(field, text);
    if (key != Qt::Key_unknown) QTest::keyClick(field, key);
}

// Runs ACT on the modal dialog of type T once its loop runs; polls, so a
// slow start does not miss it.
template <typename T>
void WhenModalOpens(std::function<void(T&)> act, int triesLeft = 1000) {
    QTimer::singleShot(10, [act = std::move(act), triesLeft]() mutable {
        if (auto* dlg = qobject_cast<T*>(QApplication::activeModalWidget())) {
            act(*dlg);
        } else if (triesLeft > 0) {
            WhenModalOpens<T>(std::move(act), triesLeft - 1);
        }
    });
}

inline bool SameImage(const QPixmap& a, const QPixmap& b) { return a.toImage() == b.toImage(); }

// Answers every message box while it lives, with the next scripted answer
// or Ok, and records what was asked.
class ScopedMessageBoxes {
public:
    ScopedMessageBoxes()
        : previous_(gui::SetMessageBoxHandler([this](const MessageRequest& request) {
              shown.push_back(request);
              if (answers_.empty()) return MsgAnswer::Ok;
              const MsgAnswer answer = answers_.front();
              answers_.pop_front();
              return answer;
          })) {}
    ~ScopedMessageBoxes() { gui::SetMessageBoxHandler(previous_); }
    ScopedMessageBoxes(const ScopedMessageBoxes&) = delete;
    ScopedMessageBoxes& operator=(const ScopedMessageBoxes&) = delete;

    // The next boxes are answered so, in order.
    void Answer(std::deque<MsgAnswer> answers) { answers_ = std::move(answers); }

    std::vector<MessageRequest> shown;

private:
    std::deque<MsgAnswer> answers_;
    gui::MessageBoxHandler previous_;
};

}  // namespace tagwright::test
