#include "e2e/WindowRig.h"

#include <cstdio>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "gui/controls/EnterEdit.h"
#include "gui/main/MainWindow.h"
#include "gui/main/StatusLineWidget.h"

namespace tagwright::test {

namespace {
constexpr int kWaitMs = 30000;  // generous: a loaded two-core machine

QString Plain(QString text) { return text.remove(QLatin1Char('&')); }
}  // namespace

WindowRig::WindowRig(sim::Options options) : reader(std::move(options)) {
    previousBoxes_ = gui::SetMessageBoxHandler([this](const MessageRequest& request) {
        messages.push_back(request.text);
        if (answers_.empty()) {
            Problem("a box nobody expected: \"" + request.text + "\"");
            return MsgAnswer::Ok;
        }
        const Expected next = answers_.front();
        answers_.pop_front();
        if (next.text != request.text) {
            Problem("expected the box \"" + next.text + "\", got \"" + request.text + "\"");
        }
        return next.answer;
    });
}

WindowRig::~WindowRig() {
    window_.reset();
    gui::SetMessageBoxHandler(previousBoxes_);
    if (!previousDir_.isEmpty()) QDir::setCurrent(previousDir_);
}

bool WindowRig::Start() {
    std::string error;
    if (!reader.Start(&error) || !reader.CreateLink(Port(), &error)) {
        std::fprintf(stderr, "virtual Reader: %s\n", error.c_str());
        return false;
    }
    previousDir_ = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(Path().string()));
    window_ = std::make_unique<gui::MainWindow>(nullptr, clock);
    window_->Initialise();
    window_->show();
    window_->activateWindow();
    QApplication::setActiveWindow(window_.get());
    return QTest::qWaitForWindowActive(window_.get());
}

void WindowRig::Click(const QString& label) {
    for (QAbstractButton* button : window_->findChildren<QAbstractButton*>()) {
        if (button->text() == label && button->isVisible()) {
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
    }
    Problem("no button \"" + label.toStdString() + "\" shown");
}

void WindowRig::Click(MainControl control) {
    QTest::mouseClick(window_->Control(control), Qt::LeftButton);
}

void WindowRig::Type(MainControl field, const QString& text, bool enter) {
    QWidget* widget = window_->Control(field);
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* line = qobject_cast<QLineEdit*>(widget)) line->selectAll();
    QTest::keyClicks(widget, text);
    if (enter) QTest::keyClick(widget, Qt::Key_Return);
}

void WindowRig::Paste(MainControl field, const std::string& utf8) {
    auto* edit = qobject_cast<QLineEdit*>(window_->Control(field));
    edit->setFocus(Qt::OtherFocusReason);
    edit->setText(QString::fromStdString(utf8));
}

void WindowRig::Key(int key) {
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target != nullptr ? target : window_.get(), static_cast<Qt::Key>(key));
}

void WindowRig::Menu(const QString& path) {
    const QStringList names = path.split(QLatin1Char('/'));
    QList<QAction*> actions = window_->MenuBar()->actions();
    for (int i = 0; i < names.size(); ++i) {
        QAction* found = nullptr;
        for (QAction* a : actions) {
            if (Plain(a->text()) == names[i]) found = a;
        }
        if (found == nullptr) break;
        if (i + 1 == names.size()) return found->trigger();
        if (found->menu() == nullptr) break;
        actions = found->menu()->actions();
    }
    Problem("no menu command \"" + path.toStdString() + "\"");
}

void WindowRig::Answer(const std::string& text, MsgAnswer answer) {
    answers_.push_back({text, answer});
}

bool WindowRig::Settle() {
    Station& s = window_->Model();
    const bool settled = QTest::qWaitFor(
        [&] { return !window_->Busy() && !s.run.oneRequested && !s.run.pendingMessage; }, kWaitMs);
    if (!settled) Problem("the window did not settle");
    if (!answers_.empty()) Problem("no box said \"" + answers_.front().text + "\"");
    if (!problem_.empty()) std::fprintf(stderr, "%s\n", problem_.c_str());
    return problem_.empty();
}

QString WindowRig::Text(MainControl control) const {
    QWidget* w = window_->Control(control);
    if (auto* line = qobject_cast<QLineEdit*>(w)) return line->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    return {};
}

QColor WindowRig::Colour(MainControl control) const {
    auto* edit = qobject_cast<gui::EnterEdit*>(window_->Control(control));
    return edit != nullptr ? edit->BackgroundColour() : QColor();
}

void WindowRig::Problem(const std::string& what) {
    if (problem_.empty()) problem_ = what;
}

QString WindowRig::PortState() const { return window_->StatusLine()->PortText(); }

void WindowRig::DestroyWindow() { window_.reset(); }

}  // namespace tagwright::test
