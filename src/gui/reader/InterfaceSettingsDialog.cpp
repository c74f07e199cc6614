#include "gui/reader/InterfaceSettingsDialog.h"

#include <array>

#include <QAbstractItemView>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTreeView>

#include "gui/controls/Colours.h"
#include "gui/controls/DialogUnits.h"
#include "gui/controls/MessageBoxes.h"
#include "gui/controls/Text.h"
#include "gui/controls/ColouredLabel.h"

namespace tagwright::gui {

namespace {

constexpr int kLabelX = 16;
constexpr int kLabelWidth = 44;  // up to the boxes
constexpr int kBoxX = 60;
constexpr int kPortBoxWidth = 97;
constexpr int kBoxWidth = 60;
constexpr int kBoxHeight = 12;

std::vector<std::string> NamesOf(const std::vector<PortChoice>& ports) {
    std::vector<std::string> names;
    for (const PortChoice& p : ports) names.push_back(p.port);
    return names;
}

template <std::size_t N>
std::vector<std::string> ListOf(const std::array<std::string_view, N>& choices) {
    return std::vector<std::string>(choices.begin(), choices.end());
}

}  // namespace

InterfaceSettingsDialog::InterfaceSettingsDialog(const InterfaceTexts& texts, const std::vector<std::string>& ports,
               QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Interface Settings"));
    MakeBlackWindow(*this);
    // Dialog units are measured in the 8-point dialog font.
    QFont dialogFont = font();
    dialogFont.setPointSize(8);
    setFont(dialogFont);
    setFixedSize(DluX(172), DluY(139));

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setGeometry(DluRect(7, 3, 158, 108));

    port_ = AddRow("Com Port:", 15, kPortBoxWidth, ports, texts.port);
    baudRate_ = AddRow("Baudrate:", 30, kBoxWidth, ListOf(kBaudRateChoices), texts.baudRate);
    dataBits_ = AddRow("Databits:", 45, kBoxWidth, ListOf(kDataBitsChoices), texts.dataBits);
    parity_ = AddRow("Parity:", 60, kBoxWidth, ListOf(kParityChoices), texts.parity);
    stopBits_ = AddRow("Stopbits:", 75, kBoxWidth, ListOf(kStopBitsChoices), texts.stopBits);
    flowControl_ = AddRow("Flowcontrol:", 90, kBoxWidth, ListOf(kFlowControlChoices),
                          texts.flowControl);
    // By-id names are long: let the open list show them whole.
    port_->view()->setMinimumWidth(port_->view()->sizeHintForColumn(0) + DluX(8));

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setGeometry(DluRect(7, 118, 50, 14));
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setGeometry(DluRect(115, 118, 50, 14));
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(port_, baudRate_);
    setTabOrder(baudRate_, dataBits_);
    setTabOrder(dataBits_, parity_);
    setTabOrder(parity_, stopBits_);
    setTabOrder(stopBits_, flowControl_);
    setTabOrder(flowControl_, ok_);
    setTabOrder(ok_, cancel_);
    port_->setFocus(Qt::OtherFocusReason);
}

InterfaceSettingsDialog::InterfaceSettingsDialog(const InterfaceTexts& texts,
                                                 const std::vector<PortChoice>& ports,
                                                 QWidget* parent)
    : InterfaceSettingsDialog(texts, NamesOf(ports), parent) {
    DescribePorts(ports);
}

// A second column in the open list: maker, product, serial number, and the
// note for by-path names. The list becomes a tree view to show it.
void InterfaceSettingsDialog::DescribePorts(const std::vector<PortChoice>& ports) {
    auto* model = qobject_cast<QStandardItemModel*>(port_->model());
    if (!model || model->rowCount() != static_cast<int>(ports.size())) return;
    model->setColumnCount(2);
    for (int row = 0; row < model->rowCount(); ++row) {
        const QString text = FieldText(ports[static_cast<std::size_t>(row)].description);
        model->setItem(row, 1, new QStandardItem(text));
        if (QStandardItem* name = model->item(row, 0)) name->setToolTip(text);
    }
    const int current = port_->currentIndex();
    const QString edit = port_->currentText();
    auto* view = new QTreeView;
    view->setHeaderHidden(true);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setAllColumnsShowFocus(true);
    port_->setView(view);
    view->resizeColumnToContents(0);
    view->resizeColumnToContents(1);
    view->setMinimumWidth(view->columnWidth(0) + view->columnWidth(1) + DluX(8));
    // Changing the view must not change what the box holds.
    port_->setCurrentIndex(current);
    if (current < 0) port_->setEditText(edit);
}

QComboBox* InterfaceSettingsDialog::AddRow(const char* label, int y, int width,
                          const std::vector<std::string>& list, const std::string& text) {
    auto* caption = new ColouredLabel(QString::fromLatin1(label), this);
    caption->SetTextColour(colour::White, false);
    caption->SetBackgroundColour(colour::Black, false);
    caption->setGeometry(DluRect(kLabelX, y + 2, kLabelWidth, 8));

    auto* box = new QComboBox(this);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    // Typed text is taken exactly as typed: no completion from the list
    // ("Har" stays "Har", and so means no flow control).
    box->setCompleter(nullptr);
    box->setMaxVisibleItems(16);
    for (const auto& entry : list) box->addItem(FieldText(entry));
    box->setGeometry(DluRect(kBoxX, y, width, kBoxHeight));

    // An entry beginning with the text is selected; a text no entry begins
    // with goes into the edit part as it is.
    const int index = ChoiceIndexFor(list, text);
    if (index >= 0) {
        box->setCurrentIndex(index);
    } else {
        box->setCurrentIndex(-1);
        box->setEditText(FieldText(text));
    }
    return box;
}

InterfaceTexts InterfaceSettingsDialog::Texts() const {
    InterfaceTexts texts;
    TakeField(port_->currentText(), texts.port);
    TakeField(baudRate_->currentText(), texts.baudRate);
    TakeField(dataBits_->currentText(), texts.dataBits);
    TakeField(parity_->currentText(), texts.parity);
    TakeField(stopBits_->currentText(), texts.stopBits);
    TakeField(flowControl_->currentText(), texts.flowControl);
    return texts;
}

void InterfaceSettingsDialog::accept() {
    const std::pair<const char*, QComboBox*> boxes[] = {
        {"Com Port", port_},   {"Baudrate", baudRate_}, {"Databits", dataBits_},
        {"Parity", parity_},   {"Stopbits", stopBits_}, {"Flowcontrol", flowControl_}};
    for (const auto& [name, box] : boxes) {
        std::string bytes;
        if (const Refusal refused = TakeField(box->currentText(), bytes); refused.character != 0) {
            ShowMessageBox(this, {"The box \"" + std::string(name) + "\" holds " +
                                      RefusedCharacterText(refused.character) +
                                      ".\r\nThe settings are not taken until it is mended.",
                                  "", MsgIcon::Warning, MsgButtons::Ok});
            box->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    QDialog::accept();
}

}  // namespace tagwright::gui
