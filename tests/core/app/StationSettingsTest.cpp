#include <gtest/gtest.h>

#include <string>

#include "core/app/StationSettings.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

struct Loaded {
    StationSettings settings;
    TransponderImage image;
};

Loaded Load(const IniFile& file) {
    Loaded l;
    LoadStationSettings(file, l.settings, l.image);
    return l;
}

// A hand-written file on exit is the window scenarios'.
TEST(StationSettingsFile, PortTextsBecomeCodesAndComeBackInTheirOwnSpelling) {
    struct Case {
        std::string key, stored;
        int code;
        std::string written;
    };
    const Case cases[] = {
        {"Stopbits", "1.5", 1, "1.5"}, {"Stopbits", "2", 2, "2"}, {"Stopbits", "1", 0, "1"},
        {"Stopbits", "1.5 or 2", 2, "2"}, {"Parity", "None", 0, "None"}, {"Parity", "", 0, "None"},
        {"Parity", "Odd Mark", 3, "Mark"}, {"Parity", "even", 0, "None"},
        {"Parity", "Space", 4, "Space"}, {"Parity", "Odd", 1, "Odd"},
        {"Flowcontrol", "No", 0, "No"}, {"Flowcontrol", "Xon / Xoff", 1, "Xon / Xoff"},
        {"Flowcontrol", "Xon/Xoff", 0, "No"}, {"Flowcontrol", "RTS Hardware", 2, "Hardware"},
    };
    for (const Case& c : cases) {
        IniFile file = IniFile::Parse("[INTERFACE]\r\n" + c.key + "=" + c.stored);
        const Loaded l = Load(file);
        const PortSettings& port = l.settings.port;
        const int code = c.key == "Stopbits" ? port.stopBitsCode
                         : c.key == "Parity" ? port.parityCode : port.flowControlCode;
        SaveStationSettings(file, l.settings, l.image);
        EXPECT_EQ(std::to_string(code) + " " + file.Get("Interface", c.key),
                  std::to_string(c.code) + " " + c.written)
            << c.key << "=" << c.stored;
    }
}

TEST(StationSettingsFile, NameListKeepsItsCountAndEmptiesStaleNames) {
    IniFile file = IniFile::Parse(
        "[Auto]\r\nPruefablaeufe=5\r\nPruefablauf_0=a\r\nPruefablauf_1=b\r\nPruefablauf_2=c\r\n"
        "Pruefablauf_3=d\r\nPruefablauf_4=e\r\nPruefablauf_5=\r\nPruefablauf_6=ghost\r\n");
    Loaded l = Load(file);
    l.settings.names.Remove("b");
    l.settings.names.Remove("d");
    SaveStationSettings(file, l.settings, l.image);
    const char* expected[] = {"a", "c", "e", "", "", "", "ghost"};  // up to the first empty key
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(file.Get("Auto", "Pruefablauf_" + std::to_string(i)), expected[i]) << i;
    }
    EXPECT_EQ(file.Get("Auto", "Pruefablaeufe"), "3");

    std::string many = "[Auto]\r\n";
    for (int i = 0; i < 300; ++i) many += "Pruefablauf_" + std::to_string(i) + "=n\r\n";
    for (auto [count, expected] : {std::pair{"300", 256}, {"-4", 0}, {"7x", 7}}) {
        const Loaded m = Load(IniFile::Parse(many + "Pruefablaeufe=" + count + "\r\n"));
        EXPECT_EQ(m.settings.names.count, expected) << count;
        EXPECT_EQ(m.settings.names.FirstEmpty(), expected == 256 ? -1 : expected) << count;
    }
}

TEST(StationSettingsFile, FirstRunWritesANewFileWithoutDefaultsAndTextsWithOuterSpacesSurvive) {
    TempDir dir;
    Loaded l;
    LoadStationSettingsFile(dir.Path(), l.settings, l.image);
    EXPECT_EQ(l.image.format, PageFormat::Hex);
    l.settings.selectConfig = 1;
    ASSERT_TRUE(SaveStationSettingsFile(dir.Path(), l.settings, l.image));
    const std::string text = dir.Read("Tagwright.ini");
    EXPECT_EQ(text.substr(0, text.find("Carrier ID Max")),
              "[Interface]\r\nport=\r\nbaudrate=0\r\ndatabits=0\r\nstopbits=1\r\nparity=None\r\n"
              "Flowcontrol=No\r\n[Auto]\r\nSelectConfig=1\r\nPruefablauf_ist=\r\n"
              "Pruefablaeufe=0\r\n");
    EXPECT_NE(text.find("SelectP17=0\r\nFormat=0\r\nP1=\r\n"), std::string::npos);
    EXPECT_NE(text.find("P17=\r\n[Manual]\r\nCarrier ID Offset=\r\n"), std::string::npos);
    EXPECT_EQ(text.find("Default"), std::string::npos);

    l.image.FieldText(1) = "A B C D E F G ";  // the last byte is a space character
    l.image.FieldText(2) = "  B C D E F G H";
    l.image.FieldText(3) = "'A' B C D E F '";
    l.settings.manual.carrierId = " ID ";
    ASSERT_TRUE(SaveStationSettingsFile(dir.Path(), l.settings, l.image));
    Loaded back;
    LoadStationSettingsFile(dir.Path(), back.settings, back.image);
    EXPECT_EQ(back.image.fieldText, l.image.fieldText);
    EXPECT_EQ(back.settings.manual.carrierId, " ID ");
}

}  // namespace
}  // namespace tagwright::test
