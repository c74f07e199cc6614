#include "gui/config/ConfigCommand.h"

#include "gui/config/ConfigDialog.h"
#include "core/app/ConfigHandOver.h"
#include "core/app/Station.h"

namespace tagwright {

void RunConfigCommand(Station& station, QWidget* parent) {
    RunCommand(station.View(), [&] {
        if (RefuseConfigDuringRun(station)) return;
        gui::ConfigDialog dialog(parent);
        HandOverToConfigDialog(station, dialog.Model());
        if (dialog.Run() == QDialog::Accepted) {
            TakeOverFromConfigDialog(station, dialog.Model());
        }
    });
}

}  // namespace tagwright
