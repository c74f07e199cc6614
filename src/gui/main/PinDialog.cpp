#include "gui/main/PinDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

namespace tagwright::gui {

namespace {

QLineEdit* SecretField(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setEchoMode(QLineEdit::Password);
    // Neither kept for undo nor offered to other programs.
    field->setAttribute(Qt::WA_InputMethodEnabled, false);
    field->setContextMenuPolicy(Qt::NoContextMenu);
    field->setMinimumWidth(200);
    return field;
}

// A PIN goes to the core as its UTF-8 bytes, which is what is hashed.
std::string Bytes(const QLineEdit* field) { return field->text().toStdString(); }

}  // namespace

PinDialog::PinDialog(Kind kind, QWidget* parent) : QDialog(parent) {
    const bool unlock = kind == Kind::Unlock;
    setWindowTitle(unlock ? QStringLiteral("Unlock engineer mode")
                          : QStringLiteral("Engineer PIN"));
    auto* form = new QFormLayout(this);
    pin_ = SecretField(this);
    pin_->setObjectName(QStringLiteral("pin"));
    form->addRow(unlock ? QStringLiteral("Engineer PIN:") : QStringLiteral("New PIN:"), pin_);
    if (!unlock) {
        again_ = SecretField(this);
        again_->setObjectName(QStringLiteral("again"));
        form->addRow(QStringLiteral("Again:"), again_);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    pin_->setFocus();
}

std::optional<std::string> PinDialog::AskPin(QWidget* parent) {
    PinDialog dialog(Kind::Unlock, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return Bytes(dialog.pin_);
}

std::optional<std::pair<std::string, std::string>> PinDialog::AskNewPin(QWidget* parent) {
    PinDialog dialog(Kind::NewPin, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return std::make_pair(Bytes(dialog.pin_), Bytes(dialog.again_));
}

}  // namespace tagwright::gui
