#include "config/ConfigCommand.h"

#include "config/AutoDlg.h"
#include "config/ConfigHandOver.h"
#include "station/Station.h"

namespace tagwright {

void RunConfigCommand(Station& station, QWidget* parent) {
    gui::CAutoDlg dialog(parent);
    HandOverToConfigDialog(station, dialog.Model());
    if (dialog.Run() == QDialog::Accepted) {
        TakeOverFromConfigDialog(station, dialog.Model());
    }
}

}  // namespace tagwright
