#include "gui/config/Pages317Command.h"

#include "gui/config/Pages317Dialog.h"

namespace tagwright {

bool RunPages317Dialog(Pages317Data& data, QWidget* parent) {
    gui::Pages317Dialog dialog(data, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    data = dialog.Result();
    return true;
}

}  // namespace tagwright
