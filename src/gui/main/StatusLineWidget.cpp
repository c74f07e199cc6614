#include "gui/main/StatusLineWidget.h"

#include <QHBoxLayout>
#include <QLabel>

#include "gui/controls/Colours.h"
#include "gui/controls/Text.h"

namespace tagwright::gui {

namespace {

QLabel* Part(QWidget* parent, QHBoxLayout* layout, int stretch) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setAutoFillBackground(true);
    label->setContentsMargins(4, 0, 4, 0);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, QColor(32, 32, 32));
    pal.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(pal);
    layout->addWidget(label, stretch);
    return label;
}

void ShowPart(QLabel* label, const std::string& bytes) {
    const QString text = MessageText(bytes);
    if (label->text() != text) label->setText(text);
    label->setToolTip(text);
}

}  // namespace

StatusLineWidget::StatusLineWidget(QWidget* parent) : QWidget(parent) {
    setFixedHeight(kHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(2);
    port_ = Part(this, layout, 3);
    set_ = Part(this, layout, 3);
    count_ = Part(this, layout, 4);
    result_ = Part(this, layout, 4);
    recordFile_ = Part(this, layout, 3);
    role_ = Part(this, layout, 2);
    role_->hide();
}

void StatusLineWidget::Show(const StatusLineText& text) {
    ShowPart(port_, text.port);
    ShowPart(set_, text.set);
    ShowPart(count_, text.events.empty() ? text.count : text.count + "; " + text.events);
    ShowPart(result_, text.result);
    ShowPart(recordFile_,
             text.recordFile.empty() ? "no record file" : "Record: " + text.recordFile);
    ShowPart(role_, text.role);
    role_->setVisible(!text.role.empty());
    QPalette pal = result_->palette();
    const bool plain = text.result.empty();
    pal.setColor(QPalette::Window, plain ? QColor(32, 32, 32) : ToQColor(text.resultColour));
    pal.setColor(QPalette::WindowText,
                 plain || text.resultColour == colour::Red ? Qt::white : Qt::black);
    result_->setPalette(pal);
}

void StatusLineWidget::ShowProgress(const QString& progress) {
    if (result_->text() == progress) return;
    result_->setText(progress);
    QPalette pal = result_->palette();
    pal.setColor(QPalette::Window, QColor(32, 32, 32));
    pal.setColor(QPalette::WindowText, Qt::white);
    result_->setPalette(pal);
}

QString StatusLineWidget::PortText() const { return port_->text(); }
QString StatusLineWidget::SetText() const { return set_->text(); }
QString StatusLineWidget::CountText() const { return count_->text(); }
QString StatusLineWidget::ResultText() const { return result_->text(); }
QString StatusLineWidget::RecordFileText() const { return recordFile_->text(); }
QString StatusLineWidget::RoleText() const { return role_->text(); }
QColor StatusLineWidget::ResultBackground() const {
    return result_->palette().color(QPalette::Window);
}

}  // namespace tagwright::gui
