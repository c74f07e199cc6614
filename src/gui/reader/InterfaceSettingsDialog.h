#pragma once
// The "Interface Settings" dialog: six editable combo boxes for the port and
// its parameters. It only exchanges texts; what they mean is the core's
// (reader/InterfaceSettings.h).

#include <string>
#include <vector>

#include <QDialog>

#include "core/app/InterfaceSettings.h"
#include "core/reader/SerialDevices.h"

class QComboBox;
class QPushButton;

namespace tagwright::gui {

class InterfaceSettingsDialog final : public QDialog {
    Q_OBJECT
public:
    // PORTS is the port list as found when the dialog opens, already sorted.
    InterfaceSettingsDialog(const InterfaceTexts& texts, const std::vector<std::string>& ports,
           QWidget* parent = nullptr);
    // The same with what the system knows of each port, shown beside its
    // name in the open list; the name alone goes into the edit text.
    InterfaceSettingsDialog(const InterfaceTexts& texts, const std::vector<PortChoice>& ports,
                            QWidget* parent = nullptr);

    // The edit texts of the six boxes, as OK takes them.
    InterfaceTexts Texts() const;
    // OK: refused, with a message naming the box, while a box holds a
    // character no byte stands for; the boxes keep what was typed.
    void accept() override;

    QComboBox* PortBox() const { return port_; }
    QComboBox* BaudRateBox() const { return baudRate_; }
    QComboBox* DataBitsBox() const { return dataBits_; }
    QComboBox* ParityBox() const { return parity_; }
    QComboBox* StopBitsBox() const { return stopBits_; }
    QComboBox* FlowControlBox() const { return flowControl_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

private:
    QComboBox* AddRow(const char* label, int y, int width, const std::vector<std::string>& list,
                      const std::string& text);
    void DescribePorts(const std::vector<PortChoice>& ports);

    QComboBox* port_ = nullptr;
    QComboBox* baudRate_ = nullptr;
    QComboBox* dataBits_ = nullptr;
    QComboBox* parity_ = nullptr;
    QComboBox* stopBits_ = nullptr;
    QComboBox* flowControl_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace tagwright::gui
