#include "gui/config/ConfigDialog.h"

#include <utility>

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/config/Pages317Command.h"
#include "gui/controls/CarrierIdPictures.h"
#include "gui/controls/Colours.h"
#include "gui/controls/EnterEdit.h"
#include "gui/controls/Images.h"
#include "gui/controls/MessageBoxes.h"
#include "gui/controls/Text.h"
#include "gui/controls/ColouredLabel.h"

namespace tagwright::gui {

namespace {

using C = ConfigControl;

// Enter-reporting field kinds of this dialog.
constexpr int kCarrierIdKind = 22;
constexpr int kByteKind = 23;
constexpr int kWorkOrderKind = 25;

constexpr int kByteWidth = kCheckImageWidth;  // byte columns line up with their boxes
constexpr int kRowLabelWidth = 52;
constexpr int kSpacing = 4;
constexpr int kDisplayHeight = 44;  // three lines of a wrapped path
const QColor kFrameColour(150, 150, 150);

FileDialogHandler& Handler() {
    static FileDialogHandler handler;
    return handler;
}

// A path as the display shows it: decoded as the file system names it, and
// breakable after every separator, since a path has no blanks to wrap at.
QString PathDisplay(const std::string& bytes) {
    QString text = QFile::decodeName(QByteArray::fromStdString(bytes));
    QString out;
    out.reserve(text.size() * 2);
    for (const QChar ch : text) {
        out.append(ch);
        if (ch == QLatin1Char('/') || ch == QLatin1Char('\\')) out.append(QChar(0x200B));
    }
    return out;
}

// The main window's face and size, so that both windows read alike.
QFont DialogFont() {
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setPointSize(8);
    return font;
}

QString TwoDigits(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

}  // namespace

FileDialogHandler SetFileDialogHandler(FileDialogHandler handler) {
    return std::exchange(Handler(), std::move(handler));
}

ConfigDialog::ConfigDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Config"));
    setFont(DialogFont());
    MakeBlackWindow(*this);
    checkImages_ = {CheckImage(false), CheckImage(true)};
    loadTimer_ = new QTimer(this);
    loadTimer_->setSingleShot(true);
    connect(loadTimer_, &QTimer::timeout, this, [this] { model_.LoadTimerFired(); });
    BuildControls();
}

ConfigDialog::~ConfigDialog() {
    // Children die after the model; none may reach it while they go.
    loadTimer_->stop();
    nameBox_->removeEventFilter(this);
    nameBox_->lineEdit()->removeEventFilter(this);
    for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

void ConfigDialog::Start() {
    RebuildNameChoices();
    ShowFieldValues();
    model_.Start();
}

int ConfigDialog::Run() {
    Start();
    return exec();
}

EnterEdit* ConfigDialog::Edit(ConfigControl c) const { return qobject_cast<EnterEdit*>(Control(c)); }

// --- building -------------------------------------------------------------

ColouredLabel* ConfigDialog::Label(const QString& text, bool bold) {
    auto* label = new ColouredLabel(text);
    label->SetTextColour(colour::White, false);
    label->SetBackgroundColour(colour::Black, false);
    label->SetBold(bold, false);
    label->SetFont(font(), false);  // a label keeps its own font, so it gets ours now
    label->SetTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

ColouredLabel* ConfigDialog::Title(const QString& text) {
    ColouredLabel* title = Label(text, true);
    titles_.push_back(title);
    return title;
}

EnterEdit* ConfigDialog::NewEdit(ConfigControl c, int kind, int width) {
    auto* edit = new EnterEdit(EnterEditKind::Numbered(kind));
    edit->SetControlId(static_cast<int>(c));
    edit->setAlignment(Qt::AlignCenter);
    edit->setFixedWidth(width);
    edit->SetBackgroundColour(colour::White, false);
    edit->SetTextColour(colour::Black, false);
    widgets_[static_cast<std::size_t>(c)] = edit;

    auto confirmed = [this, c](int) {
        if (IsByteEdit(c)) {
            model_.ByteEditConfirmed(c);
        } else if (IsWorkOrderEdit(c)) {
            model_.WorkOrderEditConfirmed(c);
        }
    };
    if (IsCarrierIdEdit(c)) {
        connect(edit, &EnterEdit::completed, this, [this, c](int) {
            if (isVisible()) model_.CarrierIdEditCompleted(c);
        });
        connect(edit, &EnterEdit::tabbed, this, [this, c](int) { model_.CarrierIdEditTabbed(c); });
    } else {
        connect(edit, &EnterEdit::completed, this, confirmed);
        connect(edit, &EnterEdit::tabbed, this, confirmed);
    }
    return edit;
}

QWidget* ConfigDialog::NewCheck(ConfigControl c) {
    auto* box = new ImageButton(checkImages_[0]);
    box->setFixedSize(kCheckImageWidth, kCheckImageHeight);
    widgets_[static_cast<std::size_t>(c)] = box;
    connect(box, &ImageButton::clicked, this, [this, c] { model_.Clicked(c); });
    return box;
}

QWidget* ConfigDialog::NewButton(ConfigControl c, const QString& text) {
    auto* button = new QPushButton(text);
    button->setAutoDefault(false);
    widgets_[static_cast<std::size_t>(c)] = button;
    connect(button, &QPushButton::clicked, this, [this, c] {
        switch (c) {
            case C::Save: model_.Save(); break;
            case C::Delete: model_.Delete(); break;
            case C::CsvOpen: model_.CsvOpenPressed(); break;
            case C::LogOpen: model_.LogOpenPressed(); break;
            case C::Fill: model_.FillPressed(); break;
            case C::EditPages3to17: model_.EditPages3to17Pressed(); break;
            case C::Ok:
                if (model_.Accept()) accept();
                break;
            case C::Cancel: reject(); break;
            default: break;
        }
    });
    return button;
}

ColouredLabel* ConfigDialog::NewDisplay(ConfigControl c) {
    ColouredLabel* display = Label(QString());
    display->SetTextAlignment(Qt::AlignLeft);  // wraps, from the top
    display->setFixedHeight(kDisplayHeight);
    display->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    widgets_[static_cast<std::size_t>(c)] = display;
    return display;
}

// A check box with its label to the right.
QWidget* ConfigDialog::Labelled(ConfigControl box, const QString& text) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(NewCheck(box));
    layout->addWidget(Label(text));
    layout->addStretch(1);
    return row;
}

namespace {

// A framed group with its bold title on top.
struct Group {
    QFrame* frame;
    QVBoxLayout* layout;
};

Group MakeGroup(ColouredLabel* title) {
    auto* frame = new QFrame;
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Plain);
    QPalette palette = frame->palette();
    SetRoleColour(palette, QPalette::WindowText, kFrameColour);
    frame->setPalette(palette);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(kSpacing);
    layout->addWidget(title);
    return {frame, layout};
}

}  // namespace

void ConfigDialog::BuildControls() {
    auto* columns = new QHBoxLayout(this);
    columns->setContentsMargins(10, 10, 10, 10);
    columns->setSpacing(10);
    columns->addWidget(BuildLeftColumn(), 0, Qt::AlignTop);
    columns->addWidget(BuildMiddleColumn(), 0, Qt::AlignTop);
    columns->addWidget(BuildRightColumn(), 0, Qt::AlignTop);
    columns->setSizeConstraint(QLayout::SetFixedSize);
}

// The set's name with Save and Delete.
QLayout* ConfigDialog::BuildNameRows() {
    auto* rows = new QVBoxLayout;
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(8);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(Title(QStringLiteral("Name")));
    nameBox_ = new QComboBox;
    nameBox_->setEditable(true);
    nameBox_->setInsertPolicy(QComboBox::NoInsert);
    nameBox_->setCompleter(nullptr);  // a typed name stays as typed
    nameBox_->setMaxVisibleItems(20);
    nameBox_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    widgets_[static_cast<std::size_t>(C::Name)] = nameBox_;
    connect(nameBox_, &QComboBox::activated, this, [this](int) {
        if (!typingName_) model_.NamePicked();
    });
    // The box hands its own focus and key events to its field directly.
    nameBox_->installEventFilter(this);
    nameBox_->lineEdit()->installEventFilter(this);
    nameRow->addWidget(nameBox_, 1);
    rows->addLayout(nameRow);
    auto* nameButtons = new QHBoxLayout;
    nameButtons->addWidget(NewButton(C::Save, QStringLiteral("Save")));
    nameButtons->addWidget(NewButton(C::Delete, QStringLiteral("Delete")));
    rows->addLayout(nameButtons);
    return rows;
}

QWidget* ConfigDialog::BuildLeftColumn() {
    auto* column = new QWidget;
    column->setFixedWidth(270);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    layout->addLayout(BuildNameRows());

    Group work = MakeGroup(Title(QStringLiteral("Work order Setup")));
    auto* workGrid = new QGridLayout;
    workGrid->setSpacing(kSpacing);
    const std::pair<C, const char*> workFields[] = {
        {C::OperatorBadgeId, "Operator badge ID#"},
        {C::PartNumber, "Part number"},
        {C::WorkOrderNumber, "Work order number"},
        {C::Quantity, "Quantity"},
    };
    int row = 0;
    for (const auto& [c, text] : workFields) {
        workGrid->addWidget(Label(QString::fromLatin1(text)), row, 0);
        workGrid->addWidget(NewEdit(c, kWorkOrderKind, 130), row, 1, Qt::AlignRight);
        ++row;
    }
    work.layout->addLayout(workGrid);
    layout->addWidget(work.frame);

    Group source = MakeGroup(Title(QStringLiteral("Data Source")));
    source.layout->addWidget(Labelled(C::DecimalCounter, QStringLiteral("Decimal counter")));
    source.layout->addWidget(Labelled(C::CsvFile, QStringLiteral(".csv file")));
    source.layout->addWidget(Labelled(C::FixData, QStringLiteral("fix data")));
    auto* csvRow = new QHBoxLayout;
    csvRow->addWidget(NewDisplay(C::CsvFileDisplay), 1);
    csvRow->addWidget(NewButton(C::CsvOpen, QStringLiteral("Open")), 0, Qt::AlignTop);
    source.layout->addLayout(csvRow);
    layout->addWidget(source.frame);

    Group type = MakeGroup(Title(QStringLiteral("Transponder type")));
    type.layout->addWidget(Labelled(C::TypeTI, QStringLiteral("TI Multipage")));
    type.layout->addWidget(Labelled(C::TypeNorvik, QStringLiteral("Norvik Multipage")));
    layout->addWidget(type.frame);
    layout->addStretch(1);
    return column;
}

QWidget* ConfigDialog::BuildPageBlock(int page) {
    const int first = (page - 1) * kPageBytes;
    auto* block = new QWidget;
    auto* grid = new QGridLayout(block);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(kSpacing);
    grid->setVerticalSpacing(3);
    grid->setColumnMinimumWidth(0, kRowLabelWidth);

    auto* head = new QHBoxLayout;
    head->addWidget(Label(QStringLiteral("Page %1").arg(page), true));
    head->addSpacing(12);
    head->addWidget(
        Label(QStringLiteral("byte %1 - %2").arg(TwoDigits(first), TwoDigits(first + 7))));
    head->addStretch(1);
    grid->addLayout(head, 0, 0, 1, kPageBytes + 1);

    grid->addWidget(Label(QStringLiteral("HEX")), 2, 0);
    grid->addWidget(Label(QStringLiteral("ASCII")), 3, 0);
    grid->addWidget(Label(QStringLiteral("fix data")), 4, 0);
    for (int i = 0; i < kPageBytes; ++i) {
        const int byte = first + i;
        ColouredLabel* number = Label(TwoDigits(byte));
        number->SetTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        grid->addWidget(number, 1, i + 1);
        grid->addWidget(NewEdit(HexEdit(byte), kByteKind, kByteWidth), 2, i + 1);
        grid->addWidget(NewEdit(AsciiEdit(byte), kByteKind, kByteWidth), 3, i + 1);
        grid->addWidget(NewCheck(FixByteBox(byte)), 4, i + 1);
    }
    auto* flags = new QHBoxLayout;
    flags->addWidget(Labelled(page == 1 ? C::EditPage1 : C::EditPage2, QStringLiteral("Edit")));
    flags->addSpacing(24);
    flags->addWidget(Labelled(page == 1 ? C::LockPage1 : C::LockPage2, QStringLiteral("Lock")));
    flags->addStretch(1);
    grid->addLayout(flags, 5, 1, 1, kPageBytes);
    return block;
}

QWidget* ConfigDialog::BuildMiddleColumn() {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    Group setup = MakeGroup(Title(QStringLiteral("SEMI E99 Carrier ID Setup")));
    auto* grid = new QGridLayout;
    grid->setSpacing(kSpacing);
    grid->addWidget(Label(QStringLiteral("Total Tag Length")), 0, 0);
    grid->addWidget(Label(QString::number(ConfigDialogModel::kTotalTagLength)), 0, 1);
    grid->addWidget(Label(QStringLiteral("Maximum Byte of CID")), 0, 2);
    grid->addWidget(Label(QString::number(ConfigDialogModel::kMaximumCarrierIdBytes)), 0, 3);
    grid->addWidget(NewButton(C::Fill, QStringLiteral("Fill data acc. SEMI E99")), 0, 4, 1, 2);
    grid->addWidget(Label(QStringLiteral("Carrier ID Offset")), 1, 0);
    grid->addWidget(NewEdit(C::CarrierIdOffset, kCarrierIdKind, 60), 1, 1);
    grid->addWidget(Label(QStringLiteral("Carrier ID Length")), 1, 2);
    grid->addWidget(NewEdit(C::CarrierIdLength, kCarrierIdKind, 60), 1, 3);
    grid->addWidget(Label(QStringLiteral("Carrier ID")), 2, 0);
    grid->addWidget(NewEdit(C::CarrierId, kCarrierIdKind, 200), 2, 1, 1, 3, Qt::AlignLeft);
    grid->addWidget(Labelled(C::LockCarrierId, QStringLiteral("Lock Carrier ID")), 1, 4, 2, 2);
    grid->setColumnStretch(5, 1);
    setup.layout->addLayout(grid);
    layout->addWidget(setup.frame);

    Group bytes = MakeGroup(Title(QStringLiteral("Carrier ID")));
    bytes.layout->addWidget(BuildPageBlock(1));
    bytes.layout->addSpacing(6);
    bytes.layout->addWidget(BuildPageBlock(2));
    layout->addWidget(bytes.frame);

    Group area = MakeGroup(Title(QStringLiteral("Data Area")));
    auto* pagesRow = new QHBoxLayout;
    pagesRow->addWidget(Labelled(C::WritePages3to17, QStringLiteral("Write Pages 3 - 17")));
    pagesRow->addWidget(NewButton(C::EditPages3to17, QStringLiteral("Edit")));
    pagesRow->addStretch(1);
    area.layout->addLayout(pagesRow);
    auto* logRow = new QHBoxLayout;
    auto* logBox = Labelled(C::Log, QStringLiteral("Log"));
    logBox->setFixedWidth(150);
    logRow->addWidget(logBox, 0, Qt::AlignTop);
    logRow->addWidget(NewDisplay(C::LogFileDisplay), 1);
    logRow->addWidget(NewButton(C::LogOpen, QStringLiteral("Open")), 0, Qt::AlignTop);
    area.layout->addLayout(logRow);
    area.layout->addLayout(BuildWriteChecksRow());
    layout->addWidget(area.frame);

    auto* endRow = new QHBoxLayout;
    endRow->addStretch(1);
    QWidget* ok = NewButton(C::Ok, QStringLiteral("OK"));
    static_cast<QPushButton*>(ok)->setDefault(true);
    endRow->addWidget(ok);
    endRow->addWidget(NewButton(C::Cancel, QStringLiteral("Cancel")));
    layout->addLayout(endRow);
    return column;
}

QWidget* ConfigDialog::BuildRightColumn() {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(Title(QStringLiteral("Carrier ID aac. SEMI E99")));
    const QPixmap pictures[] = {CarrierIdTagPicture(), CarrierIdFieldPicture()};
    for (std::size_t i = 0; i < 2; ++i) {
        pictures_[i] = new QLabel;
        pictures_[i]->setPixmap(pictures[i]);
        pictures_[i]->setFixedSize(pictures[i].size() / pictures[i].devicePixelRatio());
        layout->addWidget(pictures_[i]);
    }
    layout->addStretch(1);
    return column;
}

bool ConfigDialog::eventFilter(QObject* watched, QEvent* event) {
    const auto isEnter = [event] {
        if (event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        return key == Qt::Key_Return || key == Qt::Key_Enter;
    };
    if (nameBox_ != nullptr && (watched == nameBox_ || watched == nameBox_->lineEdit()) &&
        (event->type() == QEvent::FocusOut || isEnter())) {
        const QScopedValueRollback<bool> typing(typingName_, true);
        return watched->event(event);
    }
    return QDialog::eventFilter(watched, event);
}

// The verify check box and the retries field, 0 to 5.
QHBoxLayout* ConfigDialog::BuildWriteChecksRow() {
    auto* row = new QHBoxLayout;
    auto* verify = Labelled(C::VerifyAfterWrite, QStringLiteral("Verify after write"));
    verify->setFixedWidth(150);
    row->addWidget(verify);
    row->addWidget(Label(QStringLiteral("Retries")));
    auto* retries = new QSpinBox;
    retries->setRange(kMinRetries, kMaxRetries);
    widgets_[static_cast<std::size_t>(C::Retries)] = retries;
    connect(retries, &QSpinBox::valueChanged, this, [this](int value) {
        model_.RetriesChanged(value);
    });
    row->addWidget(retries);
    row->addStretch(1);
    return row;
}

// --- ConfigDialogView -------------------------------------------------------

void ConfigDialog::TakeFieldValues() {
    const QString name = nameBox_->currentText();
    model_.nameText = FieldBytes(name);
    model_.nameFitsFile = FieldText(model_.nameText) == name;
    for (std::size_t i = 0; i < kConfigControlCount; ++i) {
        const auto c = static_cast<C>(i);
        std::string* text = TextOf(model_.set, c);
        if (text != nullptr) model_.typed[i] = TakeField(Edit(c)->text(), *text);
    }
}

void ConfigDialog::ShowFieldValues() {
    // A typed name beyond Latin-1 stays as typed until the model changes it,
    // so that the next take still sees it.
    if (FieldBytes(nameBox_->currentText()) != model_.nameText) {
        nameBox_->setEditText(FieldText(model_.nameText));
    }
    for (std::size_t i = 0; i < kConfigControlCount; ++i) {
        const auto c = static_cast<C>(i);
        if (const std::string* text = TextOf(model_.set, c)) {
            const QString shown = ShownField(*text, model_.typed[i]);
            // Setting an unchanged text would only lose the caret.
            if (Edit(c)->text() != shown) Edit(c)->setText(shown);
        }
        ApplyState(c);
    }
    auto* retries = static_cast<QSpinBox*>(Control(C::Retries));
    if (retries->value() != model_.set.retries) {
        const QSignalBlocker quiet(retries);  // shown, not changed by the operator
        retries->setValue(model_.set.retries);
    }
    ShowDisplays();
}

void ConfigDialog::ShowDisplays() {
    static_cast<QLabel*>(Control(C::CsvFileDisplay))->setText(PathDisplay(model_.CsvFileDisplay()));
    static_cast<QLabel*>(Control(C::LogFileDisplay))->setText(PathDisplay(model_.LogFileDisplay()));
}

void ConfigDialog::ApplyState(ConfigControl c) {
    QWidget* widget = Control(c);
    if (widget == nullptr) return;
    const ControlState& state = model_.Control(c);
    if (widget->isEnabled() != state.enabled) widget->setEnabled(state.enabled);
    if (auto* edit = qobject_cast<EnterEdit*>(widget)) {
        if (edit->BackgroundColour() != ToQColor(state.background)) {
            edit->SetBackgroundColour(state.background, false);
        }
        if (edit->TextColour() != ToQColor(state.foreground)) {
            edit->SetTextColour(state.foreground, false);
        }
    } else if (auto* box = qobject_cast<ImageButton*>(widget)) {
        const QPixmap& image = checkImages_[state.imageOn ? 1 : 0];
        if (box->Image().cacheKey() != image.cacheKey()) box->SetImage(image);
    }
}

void ConfigDialog::UpdateControl(ConfigControl control) { ApplyState(control); }

void ConfigDialog::RebuildNameChoices() {
    // Refilling is no pick, and the typed name stays.
    const QString typed = nameBox_->currentText();
    const QSignalBlocker block(nameBox_);
    nameBox_->clear();
    for (const std::string& name : model_.ListedNames()) nameBox_->addItem(FieldText(name));
    nameBox_->setCurrentIndex(-1);
    nameBox_->setEditText(typed);
}

void ConfigDialog::SetFocus(ConfigControl control, bool selectAll) {
    QWidget* widget = Control(control);
    if (widget == nullptr) return;
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(widget); edit != nullptr && selectAll) {
        edit->selectAll();
    }
}

void ConfigDialog::Repaint() { update(); }

void ConfigDialog::StartLoadTimer(int ms) { loadTimer_->start(ms); }

void ConfigDialog::StopLoadTimer() { loadTimer_->stop(); }

std::optional<std::string> ConfigDialog::AskFileName(const FileDialogRequest& request) {
    if (Handler()) {
        const FileDialogHandler handler = Handler();
        return handler(request);
    }
    const bool open = request.kind == FileDialogRequest::Kind::Open;
    QFileDialog dialog(this, open ? QStringLiteral("Open") : QStringLiteral("Save As"));
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    const QString filter = QString::fromStdString(request.filter);
    dialog.setNameFilter(QStringLiteral("%1 (%1)").arg(filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    const QString initial = QFile::decodeName(QByteArray::fromStdString(request.initialPath));
    const QFileInfo info(initial);
    if (info.isDir()) {
        dialog.setDirectory(initial);
    } else {
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

bool ConfigDialog::RunPages317(Pages317Data& data) { return RunPages317Dialog(data, this); }

MsgAnswer ConfigDialog::ShowMessage(const MessageRequest& request) {
    return ShowMessageBox(this, request);
}

}  // namespace tagwright::gui
