#pragma once
// The Config dialog ("Config"): the window of ConfigDialogModel. It builds
// the controls, shows the model's values and states, and routes every click,
// Enter, Tab, pick and timer tick to the model.

#include <array>
#include <functional>
#include <optional>
#include <string>

#include <QDialog>
#include <QPixmap>

#include "core/config/ConfigDialogModel.h"

class QComboBox;
class QHBoxLayout;
class QLabel;
class QLayout;
class QTimer;

namespace tagwright::gui {

class EnterEdit;
class ColouredLabel;

// Answers the file dialogs instead of the operator (tests); an empty handler
// brings back the real dialogs. Returns the handler it replaces.
using FileDialogHandler = std::function<std::optional<std::string>(const FileDialogRequest&)>;
FileDialogHandler SetFileDialogHandler(FileDialogHandler handler);

class ConfigDialog : public QDialog, public ConfigDialogView {
    Q_OBJECT
public:
    explicit ConfigDialog(QWidget* parent = nullptr);
    ~ConfigDialog() override;
    ConfigDialog(const ConfigDialog&) = delete;
    ConfigDialog& operator=(const ConfigDialog&) = delete;

    ConfigDialogModel& Model() { return model_; }

    // Shows the handed-over values and loads the named set; Run() does this
    // before it runs the dialog modally.
    void Start();
    int Run();

    QWidget* Control(ConfigControl c) const { return widgets_.at(static_cast<std::size_t>(c)); }
    EnterEdit* Edit(ConfigControl c) const;
    QComboBox* NameBox() const { return nameBox_; }
    QTimer* LoadTimer() const { return loadTimer_; }
    // The bold titles of the groups, in the order of the dialog.
    const std::vector<ColouredLabel*>& Titles() const { return titles_; }
    const std::array<QLabel*, 2>& Pictures() const { return pictures_; }

    // --- ConfigDialogView ---
    void TakeFieldValues() override;
    void ShowFieldValues() override;
    void UpdateControl(ConfigControl control) override;
    void RebuildNameChoices() override;
    void SetFocus(ConfigControl control, bool selectAll) override;
    void Repaint() override;
    void StartLoadTimer(int ms) override;
    void StopLoadTimer() override;
    std::optional<std::string> AskFileName(const FileDialogRequest& request) override;
    bool RunPages317(Pages317Data& data) override;
    MsgAnswer ShowMessage(const MessageRequest& request) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    QLayout* BuildNameRows();
    QWidget* BuildLeftColumn();
    QWidget* BuildMiddleColumn();
    QWidget* BuildRightColumn();
    QWidget* BuildPageBlock(int page);

    ColouredLabel* Label(const QString& text, bool bold = false);
    ColouredLabel* Title(const QString& text);
    EnterEdit* NewEdit(ConfigControl c, int kind, int width);
    QHBoxLayout* BuildWriteChecksRow();
    QWidget* NewCheck(ConfigControl c);
    QWidget* NewButton(ConfigControl c, const QString& text);
    ColouredLabel* NewDisplay(ConfigControl c);
    QWidget* Labelled(ConfigControl box, const QString& text);

    void ApplyState(ConfigControl c);
    void ShowDisplays();

    ConfigDialogModel model_{*this};
    std::array<QWidget*, kConfigControlCount> widgets_{};
    std::vector<ColouredLabel*> titles_;
    std::array<QLabel*, 2> pictures_{};
    QComboBox* nameBox_ = nullptr;
    QTimer* loadTimer_ = nullptr;
    std::array<QPixmap, 2> checkImages_;  // off, on
    // Set while the "Name" field handles Enter or loses the focus: the box
    // then "activates" a listed name that was typed, which is no pick.
    bool typingName_ = false;
};

}  // namespace tagwright::gui
