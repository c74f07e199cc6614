#pragma once
// The About box: the program's picture over the whole box and an OK button.

#include <QDialog>

namespace tagwright::gui {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    static constexpr const char* kCaption = "Tagwright  V1.48  16.12.2024";
};

}  // namespace tagwright::gui
