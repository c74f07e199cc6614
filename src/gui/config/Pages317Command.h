#pragma once
// Runs the Pages 3-17 dialog modally. On OK returns true with data replaced
// by the dialog's result; on "Abbrechen" returns false and leaves data alone.

#include "core/config/Pages317.h"

class QWidget;

namespace tagwright {

bool RunPages317Dialog(Pages317Data& data, QWidget* parent);

}  // namespace tagwright
