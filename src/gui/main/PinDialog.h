#pragma once
// The small dialog that asks for the engineer PIN: one field to unlock, two
// (new PIN and again) to set it. The fields never echo what is typed.

#include <optional>
#include <string>
#include <utility>

#include <QDialog>

class QLineEdit;

namespace tagwright::gui {

class PinDialog : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Unlock, NewPin };
    PinDialog(Kind kind, QWidget* parent = nullptr);

    QLineEdit* Field() const { return pin_; }
    QLineEdit* Again() const { return again_; }  // nullptr when unlocking

    // Runs the dialog modally; the PIN (or both) as typed, nothing on Cancel.
    static std::optional<std::string> AskPin(QWidget* parent);
    static std::optional<std::pair<std::string, std::string>> AskNewPin(QWidget* parent);

private:
    QLineEdit* pin_ = nullptr;
    QLineEdit* again_ = nullptr;
};

}  // namespace tagwright::gui
