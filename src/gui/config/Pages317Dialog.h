#pragma once
// "Config Pages 3-17": the fixed bytes of pages 3 to 17 with each page's Edit
// and Lock box, in HEX or ASCII. The rules are the core's Pages317Model; this
// window only shows its state and passes the operator's actions on.

#include <array>

#include <QDialog>

#include "core/config/Pages317Model.h"

class QGridLayout;
class QLayout;
class QPushButton;

namespace tagwright::gui {

class EnterEdit;
class ImageButton;

class Pages317Dialog final : public QDialog, private Pages317View {
    Q_OBJECT
public:
    explicit Pages317Dialog(const Pages317Data& data, QWidget* parent = nullptr);

    // What OK handed back; only meaningful after the dialog was accepted.
    const Pages317Data& Result() const { return result_; }

    EnterEdit* ByteField(int k) const;
    ImageButton* EditBox(int page) const;
    ImageButton* LockBox(int page) const;
    ImageButton* HexButton() const { return hexButton_; }
    ImageButton* AsciiButton() const { return asciiButton_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

private:
    static constexpr int kPages = Pages317Model::kLastPage - Pages317Model::kFirstPage + 1;
    static constexpr int kBytes = Pages317Model::kLastByte - Pages317Model::kFirstByte + 1;

    void BuildControls();
    QLayout* BuildModeRow();
    void AddPageRows(QGridLayout& grid, int i);
    EnterEdit* NewByteField(int k);
    QLayout* BuildButtons();
    void Ok();

    void TakeFieldValues() override;
    void ShowFieldValues() override;
    void ShowImages() override;
    void FocusByte(int k) override;
    void RepaintWindow() override;
    MsgAnswer ShowMessage(const MessageRequest& request) override;

    Pages317Model model_;
    Pages317Data result_;
    std::array<EnterEdit*, kBytes> fields_{};
    std::array<ImageButton*, kPages> editBoxes_{};
    std::array<ImageButton*, kPages> lockBoxes_{};
    ImageButton* hexButton_ = nullptr;
    ImageButton* asciiButton_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace tagwright::gui
