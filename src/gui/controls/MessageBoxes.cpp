#include "gui/controls/MessageBoxes.h"

#include <utility>

#include "gui/controls/Text.h"

namespace tagwright::gui {

namespace {

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

QMessageBox::Icon ToIcon(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Error: return QMessageBox::Critical;
        case MsgIcon::Question: return QMessageBox::Question;
        case MsgIcon::Warning: return QMessageBox::Warning;
        case MsgIcon::Information: return QMessageBox::Information;
        case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

std::unique_ptr<QMessageBox> BuildMessageBox(QWidget* parent, const MessageRequest& request) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(request.caption.empty() ? QStringLiteral("Tagwright")
                                                : MessageText(request.caption));
    box->setTextFormat(Qt::PlainText);
    box->setText(MessageText(request.text));
    box->setIcon(ToIcon(request.icon));
    if (request.buttons == MsgButtons::YesNo) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
    }
    return box;
}

MsgAnswer AnswerFor(int standardButton) {
    switch (standardButton) {
        case QMessageBox::Yes: return MsgAnswer::Yes;
        case QMessageBox::No: return MsgAnswer::No;
        default: return MsgAnswer::Ok;
    }
}

MsgAnswer ShowMessageBox(QWidget* parent, const MessageRequest& request) {
    if (Handler()) {
        // A copy: the handler may install another one while it runs.
        const MessageBoxHandler handler = Handler();
        return handler(request);
    }
    const auto box = BuildMessageBox(parent, request);
    const MsgAnswer answer = AnswerFor(box->exec());
    // A question closed some other way than by its buttons counts as No.
    if (request.buttons == MsgButtons::YesNo && answer != MsgAnswer::Yes) {
        return MsgAnswer::No;
    }
    return answer;
}

}  // namespace tagwright::gui
