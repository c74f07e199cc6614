#include <gtest/gtest.h>

#include <tuple>

#include "core/base/IniFile.h"

namespace tagwright::test {
namespace {

using Triple = std::tuple<std::string, std::string, std::string>;

TEST(IniFileRead, FollowsTheProfileRules) {
    const IniFile ini = IniFile::Parse(
        "; station file\r\norphan=before any section\r\n[Interface]\r\n  Baudrate  =  9600  \r\n"
        "port=COM3 ; the left one\r\nParity\r\n\tDatabits\t=\t8\t\x1A\r\n  ; Stopbits=2\r\n"
        "Stopbits=1.5\r\nstopbits=2\r\n[ Data ] trailing words\r\nP6=a=b=c\r\n"
        "\xD6l=umlaut key\r\n[interface]\r\nFlowcontrol=Hardware\r\n");
    const Triple cases[] = {  // section, key, value
        {"Interface", "BAUDRATE", "9600"},
        {"  INTERFACE ", "\tport ", "COM3 ; the left one"},  // ";" inside a value is data
        {"Interface", "Parity", ""},        {"Interface", "Databits", "8"},
        {"Interface", "Stopbits", "1.5"},   // comment skipped, first duplicate counts
        {"Interface", "Flowcontrol", ""},   // only in the second "Interface"
        {"Interface", "orphan", ""},        {"", "orphan", ""},
        {"Interface", "", ""},              {"Missing", "port", ""},
        {"data", "P6", "a=b=c"},
        {"Data", "\xD6L", "umlaut key"},    {"Data", "\xF6l", ""},  // only ASCII letters fold
    };
    for (const auto& [section, key, value] : cases) {
        EXPECT_EQ(ini.Get(section, key), value) << section << "/" << key;
    }
}

TEST(IniFileRead, OuterQuotesGoAndValuesAreCutAt259Bytes) {
    const std::string a259(259, 'a');
    const std::pair<std::string, std::string> cases[] = {
        {"\"  quoted  \"", "  quoted  "}, {"'single'", "single"}, {"\"mismatch'", "\"mismatch'"},
        {"\"", "\""}, {"\"\"", ""}, {"\"in\"side\"", "in\"side"}, {a259 + "bc", a259},
        {"\"" + a259 + "\"", a259}, {"\"" + a259 + "b\"", a259},
    };
    for (const auto& [raw, value] : cases) {
        EXPECT_EQ(IniFile::Parse("[S]\nk=" + raw + "\n").Get("S", "k"), value) << raw;
    }
}

TEST(IniFileRead, EveryLineEndReadsAndAWriteUsesCrLf) {
    for (const std::string e : {"\r\n", "\n", "\r"}) {
        IniFile ini = IniFile::Parse("[A]" + e + "x=1" + e + e + "[B]" + e + "y=2");
        ini.Set("A", "z", "3");
        EXPECT_EQ(ini.Get("B", "y"), "2");
        EXPECT_EQ(ini.Serialise(), "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
    }
    IniFile bom = IniFile::Parse("\xEF\xBB\xBF[Interface]\r\nport=COM2\r\n");
    EXPECT_EQ(bom.Get("Interface", "port"), "COM2");
    bom.Set("Interface", "port", "COM4");
    EXPECT_EQ(bom.Serialise(), "\xEF\xBB\xBF[Interface]\r\nport=COM4\r\n");
}

TEST(IniFileWrite, PlacesKeysInTheRightSection) {
    const std::pair<const char*, const char*> cases[] = {
        // a section without keys takes the key right after its header
        {"[S]\r\n; note\r\n\r\n[T]\r\n", "[S]\r\nk=v\r\n; note\r\n\r\n[T]\r\n"},
        // a duplicate section is never written into
        {"[S]\r\na=1\r\n[T]\r\n[s]\r\nk=2\r\n", "[S]\r\na=1\r\nk=v\r\n[T]\r\n[s]\r\nk=2\r\n"},
        {"[S]\r\nK=1\r\nk=2\r\n", "[S]\r\nK=v\r\nk=2\r\n"},  // only the first of two keys
        {"[S]\r\nk\r\nb=1\r\n", "[S]\r\nk=v\r\nb=1\r\n"},    // a key without "=" gets one
        {"k=0\r\n[S]\r\n", "k=0\r\n[S]\r\nk=v\r\n"},          // keys before any section
        {"[S]\r\na=1", "[S]\r\na=1\r\nk=v\r\n"},              // no final line end
    };
    for (const auto& [before, after] : cases) {
        IniFile ini = IniFile::Parse(before);
        ini.Set("S", "k", "v");
        EXPECT_EQ(ini.Serialise(), after) << before;
    }
}

TEST(IniFileWrite, ValuesStayBytesAndCannotPlantLines) {
    const std::string eightBit = "Pr\xFC" "fablauf \x80\xF6\xFF";
    IniFile ini;
    ini.Set("Data", "P1", eightBit);
    ini.Set("Data", "P2", "abc\r\n[Interface]\r\nport=EVIL");
    ini.Set("Data", "P3", std::string("x\0y", 3));
    ini.Set("Data", "P4", "  lead and trail  ");
    ini.Set("", "k", "v");
    ini.Set("Data", " ", "v");
    EXPECT_EQ(ini.Serialise(),
              "[Data]\r\nP1=" + eightBit + "\r\nP2=abc\r\nP3=x\r\nP4=lead and trail  \r\n");
    EXPECT_EQ(IniFile::Parse(ini.Serialise()).Get("Data", "P1"), eightBit);
}

}  // namespace
}  // namespace tagwright::test
