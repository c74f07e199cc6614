#pragma once
// Fixtures for the main window's tests: a scratch station directory with
// settings and set files, and the window started in it.

#include <fstream>
#include <memory>
#include <string>

#include <QDir>
#include <QTemporaryDir>

#include "../support/StationFiles.h"
#include "core/base/IniFile.h"
#include "gui/controls/EnterEdit.h"
#include "gui/main/MainWindow.h"

namespace tagwright::test {

// A station directory of its own, current while the window runs in it.
class StationDir {
public:
    StationDir() : previous_(QDir::currentPath()) {}
    ~StationDir() {
        window.reset();
        QDir::setCurrent(previous_);
    }
    StationDir(const StationDir&) = delete;
    StationDir& operator=(const StationDir&) = delete;

    QString Path(const QString& name = {}) const {
        return name.isEmpty() ? dir_.path() : dir_.filePath(name);
    }
    void Write(const QString& name, const std::string& text) const {
        std::ofstream(Path(name).toStdString(), std::ios::binary) << text;
    }
    // The settings file as the program left it.
    IniFile Settings() const {
        return IniFile::Load(Path(QStringLiteral("Tagwright.ini")).toStdString());
    }

    // Starts the window in this directory.
    gui::MainWindow& Start() {
        QDir::setCurrent(dir_.path());
        window = std::make_unique<gui::MainWindow>();
        window->Initialise();
        return *window;
    }

    std::unique_ptr<gui::MainWindow> window;

private:
    QTemporaryDir dir_;
    QString previous_;
};

inline gui::EnterEdit* EditOf(gui::MainWindow& w, MainControl c) {
    return static_cast<gui::EnterEdit*>(w.Control(c));
}

}  // namespace tagwright::test
