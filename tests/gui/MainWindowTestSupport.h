#pragma once
// Fixtures for the main window's tests: a scratch station directory with
// settings and set files, and the window started in it.

#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include <QDir>
#include <QTemporaryDir>

#include "base/IniFile.h"
#include "controls/EnterEdit.h"
#include "station/ZB48Dlg.h"

namespace tagwright::test {

inline void WriteText(const QString& path, const std::string& text) {
    std::ofstream out(path.toStdString(), std::ios::binary);
    out << text;
}

inline std::string ReadText(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A parameter set file.
struct SetFile {
    enum class Source { Counter, List, Fix } source = Source::Counter;
    std::string listFile;
    int offset = 0;
    int length = 8;
    std::string carrierId = "00000001";
    std::set<int> editPages{3};
    std::set<int> lockPages{};
    bool writePages3to17 = true;
    std::map<int, std::string> pageHex;  // page -> 16 hex digits; others 00
    bool log = false;
    std::string logFile;

    std::string Ini() const {
        auto flag = [](bool on) { return on ? "1" : "0"; };
        std::string ini = "[Data Source]\r\nDecimal counter=";
        ini += flag(source == Source::Counter);
        ini += "\r\ncsv file=";
        ini += flag(source == Source::List);
        ini += "\r\nfile name=" + listFile + "\r\nfix data=";
        ini += flag(source == Source::Fix);
        ini += "\r\n[SEMI E99 Carrier ID Setup]\r\nCarrier ID Offset=" + std::to_string(offset) +
               "\r\nCarrier ID Length=" + std::to_string(length) + "\r\nCarrier ID=" + carrierId +
               "\r\n[Transponder type]\r\nTI=1\r\nNorvik=0\r\n";
        ini += "[Pages 3-17]\r\nWrite Pages 3-17=";
        ini += flag(writePages3to17);
        ini += "\r\n";
        for (int page = 1; page <= 17; ++page) {
            ini += "[Page " + std::to_string(page) + "]\r\n";
            const auto hex = pageHex.find(page);
            for (int i = 0; i < 8; ++i) {
                std::string key = std::to_string((page - 1) * 8 + i);
                if (key.size() < 2) key.insert(0, "0");
                const std::string byte = hex == pageHex.end() ? "00" : hex->second.substr(2 * i, 2);
                ini += "HEX " + key + "=" + byte + "\r\n";
            }
            ini += "Edit Page " + std::to_string(page) + "=" + flag(editPages.count(page)) +
                   "\r\nLock Page " + std::to_string(page) + "=" + flag(lockPages.count(page)) +
                   "\r\n";
        }
        ini += "[Log]\r\nLog=";
        ini += flag(log);
        ini += "\r\nfile name=" + logFile + "\r\n";
        return ini;
    }
};

// The station settings file: port, mode and the set name; EXTRA adds lines
// to the sections (each a full "[Section]\r\nkey=value\r\n" text).
inline std::string StationIni(const std::string& port, int selectConfig, const std::string& setName,
                              const std::string& extra = {}) {
    std::string ini = "[Interface]\r\nport=" + port +
                      "\r\nbaudrate=9600\r\ndatabits=8\r\nstopbits=1\r\nparity=None\r\n"
                      "Flowcontrol=No\r\n[Auto]\r\nSelectConfig=" +
                      std::to_string(selectConfig) + "\r\n";
    if (!setName.empty()) {
        ini += "Pruefablauf_ist=" + setName + "\r\nPruefablaeufe=1\r\nPruefablauf_0=" + setName +
               "\r\n";
    }
    return ini + extra;
}

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

    bool Valid() const { return dir_.isValid(); }
    QString Path(const QString& name = {}) const {
        return name.isEmpty() ? dir_.path() : dir_.filePath(name);
    }
    void Write(const QString& name, const std::string& text) const { WriteText(Path(name), text); }

    // The settings file as the program left it.
    IniFile Settings() const {
        return IniFile::Load(Path(QStringLiteral("Tagwright.ini")).toStdString());
    }

    // Starts the window in this directory.
    gui::CZB48Dlg& Start() {
        QDir::setCurrent(dir_.path());
        window = std::make_unique<gui::CZB48Dlg>();
        window->Initialise();
        return *window;
    }

    std::unique_ptr<gui::CZB48Dlg> window;

private:
    QTemporaryDir dir_;
    QString previous_;
};

inline gui::CEnterEdit* EditOf(gui::CZB48Dlg& w, MainControl c) {
    return static_cast<gui::CEnterEdit*>(w.Control(c));
}

}  // namespace tagwright::test
