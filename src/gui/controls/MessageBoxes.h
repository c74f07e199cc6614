#pragma once
// Modal message boxes for the core's MessageRequest. Tests install a handler
// that answers instead of the operator; without one the real box runs.
// Window thread only.

#include <functional>
#include <memory>

#include <QMessageBox>

#include "core/base/Presentation.h"

class QWidget;

namespace tagwright::gui {

using MessageBoxHandler = std::function<MsgAnswer(const MessageRequest&)>;

// Installs HANDLER (an empty one restores the real boxes); returns the one
// it replaces.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Shows REQUEST over PARENT and waits for the operator's answer.
MsgAnswer ShowMessageBox(QWidget* parent, const MessageRequest& request);

// The box ShowMessageBox runs: caption "Tagwright" when the request has
// none, texts decoded from Windows-1252, OK or Yes and No.
std::unique_ptr<QMessageBox> BuildMessageBox(QWidget* parent, const MessageRequest& request);

// The answer for the button that closed a box.
MsgAnswer AnswerFor(int standardButton);

// A MessageView for windows: boxes over the given widget.
class WidgetMessageView final : public MessageView {
public:
    explicit WidgetMessageView(QWidget* parent) : parent_(parent) {}
    MsgAnswer ShowMessage(const MessageRequest& request) override {
        return ShowMessageBox(parent_, request);
    }

private:
    QWidget* parent_;
};

}  // namespace tagwright::gui
