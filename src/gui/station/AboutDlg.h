#pragma once
// The About box: the program's picture over the whole box and an OK button.

#include <QDialog>

namespace tagwright::gui {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    static constexpr const char* kCaption = "Tagwright  V1.48  16.12.2024";
};

}  // namespace tagwright::gui
