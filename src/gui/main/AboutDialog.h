#pragma once
// The About box: the program's picture with an OK button, and below it which
// rule decides where the station keeps its files.

#include <QDialog>

namespace tagwright::gui {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    static constexpr const char* kCaption = "Tagwright  V1.48  16.12.2024";
};

}  // namespace tagwright::gui
