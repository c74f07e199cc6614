#include "config/Pages317Command.h"

#include "config/Auto2Dlg.h"

namespace tagwright {

bool RunPages317Dialog(Pages317Data& data, QWidget* parent) {
    gui::auto_2 dialog(data, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    data = dialog.Result();
    return true;
}

}  // namespace tagwright
