#pragma once
// The station's files as text: the settings file and a set file, for tests
// that start the window or the station program in a directory of their own.

#include <map>
#include <string>

namespace tagwright::test {

// The station settings file: port, mode and the set name, then EXTRA.
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

// A set file: carrier ID 5 of 4 digits at byte 0 from the SOURCE keys, the
// sections in HEAD, then pages 1 to PAGES with the KEYS of a page first and
// its bytes from HEX (16 digits for a page), BYTE where HEX has none.
inline std::string SetIni(const std::string& source, const std::string& head, int pages = 0,
                          const std::map<int, std::string>& keys = {},
                          const std::map<int, std::string>& hex = {},
                          const std::string& byte = "00") {
    std::string set = "[Data Source]\r\n" + source + "[SEMI E99 Carrier ID Setup]\r\n"
                      "Carrier ID Offset=0\r\nCarrier ID Length=4\r\nCarrier ID=5\r\n" + head;
    for (int k = 0; k < 8 * pages; ++k) {
        const int page = k / 8 + 1;
        if (k % 8 == 0) {
            set += "[Page " + std::to_string(page) + "]\r\n";
            if (keys.count(page) != 0) set += keys.at(page) + "\r\n";
        }
        const std::string digits =
            hex.count(page) != 0 ? hex.at(page).substr(2 * (k % 8), 2) : byte;
        set += "HEX " + std::string(k < 10 ? "0" : "") + std::to_string(k) + "=" + digits + "\r\n";
    }
    return set;
}

}  // namespace tagwright::test
