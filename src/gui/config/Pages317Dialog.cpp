#include "gui/config/Pages317Dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/controls/CarrierIdPictures.h"
#include "gui/controls/Colours.h"
#include "gui/controls/EnterEdit.h"
#include "gui/controls/Images.h"
#include "gui/controls/MessageBoxes.h"
#include "gui/controls/Text.h"
#include "gui/controls/ColouredLabel.h"

namespace tagwright::gui {

namespace {

constexpr int kFieldKind = 24;
constexpr int kFieldWidth = 36;
constexpr int kPageBytes = 8;

// Grid columns: page labels, Edit, Lock, "byte#", the eight bytes, pictures.
constexpr int kLabelColumn = 0;
constexpr int kEditColumn = 1;
constexpr int kLockColumn = 2;
constexpr int kByteNumberColumn = 3;
constexpr int kFirstFieldColumn = 4;
constexpr int kPictureColumn = kFirstFieldColumn + kPageBytes;

ColouredLabel* Label(const QString& text, QWidget* parent, Qt::Alignment align = Qt::AlignLeft) {
    auto* label = new ColouredLabel(text, parent);
    label->SetTextColour(colour::White, false);
    label->SetBackgroundColour(colour::Black, false);
    label->SetTextAlignment(align | Qt::AlignVCenter);
    return label;
}

// The radio picture with its caption beside it, so that the caption can be
// clicked as well.
QPixmap RadioPicture(bool chosen, const QString& caption, const QFont& font) {
    const QFontMetrics metrics(font);
    const int gap = 4;
    const int width = kSmallImageSize + gap + metrics.horizontalAdvance(caption) + 1;
    const int height = std::max(kSmallImageSize, metrics.height());
    QPixmap picture(width, height);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.drawPixmap(0, (height - kSmallImageSize) / 2, ChoiceImage(chosen));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(kSmallImageSize + gap, 0, width - kSmallImageSize - gap, height),
               Qt::AlignLeft | Qt::AlignVCenter, caption);
    p.end();
    return picture;
}

}  // namespace

Pages317Dialog::Pages317Dialog(const Pages317Data& data, QWidget* parent)
    : QDialog(parent), model_(data, *this), result_(data) {
    setWindowTitle(QStringLiteral("Config Pages 3-17"));
    MakeBlackWindow(*this);
    BuildControls();
    // Shown to the operator in operator mode: nothing to take back.
    ok_->setEnabled(!data.viewOnly);
    ShowFieldValues();
    FocusByte(Pages317Model::kFirstByte);
}

// The widgets are made in tab order: the mode buttons, then page by page its
// Edit and Lock boxes and bytes, then OK and Cancel.
void Pages317Dialog::BuildControls() {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(1);
    QLayout* modeRow = BuildModeRow();

    grid->addWidget(Label(QStringLiteral("Edit"), this, Qt::AlignHCenter), 0, kEditColumn);
    grid->addWidget(Label(QStringLiteral("Lock"), this, Qt::AlignHCenter), 0, kLockColumn);
    for (int i = 0; i < kPages; ++i) AddPageRows(*grid, i);

    auto* pictures = new QVBoxLayout;
    pictures->setSpacing(12);
    for (const QPixmap& picture : {CarrierIdTagPicture(), CarrierIdFieldPicture()}) {
        auto* holder = new QLabel(this);
        holder->setPixmap(picture);
        holder->setFixedSize(picture.size());
        pictures->addWidget(holder);
    }
    pictures->addStretch(1);
    grid->addLayout(pictures, 0, kPictureColumn, 2 * kPages + 1, 1, Qt::AlignTop);
    grid->setColumnMinimumWidth(kPictureColumn - 1, kFieldWidth);
    grid->setColumnStretch(kPictureColumn + 1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(modeRow);
    layout->addLayout(grid);
    layout->addLayout(BuildButtons());
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QLayout* Pages317Dialog::BuildModeRow() {
    hexButton_ = new ImageButton(this);
    asciiButton_ = new ImageButton(this);
    connect(hexButton_, &ImageButton::clicked, this, [this] { model_.SwitchToHex(); });
    connect(asciiButton_, &ImageButton::clicked, this, [this] { model_.SwitchToAscii(); });
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(hexButton_);
    modeRow->addSpacing(16);
    modeRow->addWidget(asciiButton_);
    modeRow->addStretch(1);
    return modeRow;
}

// The two grid rows of the i-th page shown: byte numbers above, fields below.
void Pages317Dialog::AddPageRows(QGridLayout& grid, int i) {
    const int page = Pages317Model::kFirstPage + i;
    const int first = (page - 1) * kPageBytes;
    const int numberRow = 1 + 2 * i;
    const int fieldRow = numberRow + 1;

    grid.addWidget(Label(QStringLiteral("Page %1").arg(page), this), numberRow, kLabelColumn);
    grid.addWidget(Label(QStringLiteral("byte %1-%2").arg(first).arg(first + kPageBytes - 1), this),
                   fieldRow, kLabelColumn);
    grid.addWidget(Label(QStringLiteral("byte#"), this, Qt::AlignRight), numberRow,
                   kByteNumberColumn);

    auto* edit = new ImageButton(this);
    auto* lock = new ImageButton(this);
    edit->setObjectName(QStringLiteral("edit%1").arg(page));
    lock->setObjectName(QStringLiteral("lock%1").arg(page));
    connect(edit, &ImageButton::clicked, this, [this, page] { model_.ToggleEdit(page); });
    connect(lock, &ImageButton::clicked, this, [this, page] { model_.ToggleLock(page); });
    editBoxes_[static_cast<std::size_t>(i)] = edit;
    lockBoxes_[static_cast<std::size_t>(i)] = lock;
    grid.addWidget(edit, fieldRow, kEditColumn, Qt::AlignCenter);
    grid.addWidget(lock, fieldRow, kLockColumn, Qt::AlignCenter);

    for (int b = 0; b < kPageBytes; ++b) {
        const int k = first + b;
        grid.addWidget(Label(QString::number(k), this, Qt::AlignHCenter), numberRow,
                       kFirstFieldColumn + b);
        grid.addWidget(NewByteField(k), fieldRow, kFirstFieldColumn + b);
    }
}

EnterEdit* Pages317Dialog::NewByteField(int k) {
    auto* field = new EnterEdit(EnterEditKind::Numbered(kFieldKind), this);
    field->SetControlId(k);
    field->setObjectName(QStringLiteral("byte%1").arg(k));
    field->setAlignment(Qt::AlignCenter);
    field->setFixedWidth(kFieldWidth);
    field->SetBackgroundColour(colour::White, false);
    field->SetTextColour(colour::Black, false);
    connect(field, &EnterEdit::completed, this, [this](int id) { model_.CommitByte(id); });
    connect(field, &EnterEdit::tabbed, this, [this](int id) { model_.CommitByte(id); });
    fields_[static_cast<std::size_t>(k - Pages317Model::kFirstByte)] = field;
    return field;
}

QLayout* Pages317Dialog::BuildButtons() {
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    cancel_ = new QPushButton(QStringLiteral("Abbrechen"), this);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &Pages317Dialog::Ok);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    return buttons;
}

EnterEdit* Pages317Dialog::ByteField(int k) const {
    if (k < Pages317Model::kFirstByte || k > Pages317Model::kLastByte) return nullptr;
    return fields_[static_cast<std::size_t>(k - Pages317Model::kFirstByte)];
}

ImageButton* Pages317Dialog::EditBox(int page) const {
    if (page < Pages317Model::kFirstPage || page > Pages317Model::kLastPage) return nullptr;
    return editBoxes_[static_cast<std::size_t>(page - Pages317Model::kFirstPage)];
}

ImageButton* Pages317Dialog::LockBox(int page) const {
    if (page < Pages317Model::kFirstPage || page > Pages317Model::kLastPage) return nullptr;
    return lockBoxes_[static_cast<std::size_t>(page - Pages317Model::kFirstPage)];
}

void Pages317Dialog::Ok() {
    result_ = model_.Accept();
    accept();
}

void Pages317Dialog::TakeFieldValues() {
    for (int k = Pages317Model::kFirstByte; k <= Pages317Model::kLastByte; ++k) {
        model_.Typed(k) = TakeField(ByteField(k)->text(), model_.Shown(k));
    }
}

void Pages317Dialog::ShowFieldValues() {
    for (int k = Pages317Model::kFirstByte; k <= Pages317Model::kLastByte; ++k) {
        EnterEdit* field = ByteField(k);
        const QString text = ShownField(model_.Shown(k), model_.Typed(k));
        if (field->text() != text) field->setText(text);
    }
    ShowImages();
}

void Pages317Dialog::ShowImages() {
    for (int page = Pages317Model::kFirstPage; page <= Pages317Model::kLastPage; ++page) {
        EditBox(page)->SetImage(CheckImage(model_.EditPage(page)));
        LockBox(page)->SetImage(CheckImage(model_.LockPage(page)));
    }
    hexButton_->SetImage(RadioPicture(!model_.AsciiMode(), QStringLiteral("HEX"), font()));
    asciiButton_->SetImage(RadioPicture(model_.AsciiMode(), QStringLiteral("ASCII"), font()));
}

void Pages317Dialog::FocusByte(int k) {
    EnterEdit* field = ByteField(k);
    if (field == nullptr) return;
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

void Pages317Dialog::RepaintWindow() { update(); }

MsgAnswer Pages317Dialog::ShowMessage(const MessageRequest& request) {
    return ShowMessageBox(this, request);
}

}  // namespace tagwright::gui
