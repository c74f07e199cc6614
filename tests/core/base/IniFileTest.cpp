#include <gtest/gtest.h>

#include "base/IniFile.h"
#include "support/TempDir.h"

namespace tagwright::test {
namespace {

const char kHandWritten[] =
    "; station file\r\n"
    "orphan=before any section\r\n"
    "[Interface]\r\n"
    "  Baudrate  =  9600  \r\n"
    "port=COM3 ; the left one\r\n"
    "Parity\r\n"
    "\tDatabits\t=\t8\t\x1A\r\n"
    "  ; Stopbits=2\r\n"
    "Stopbits=1.5\r\n"
    "stopbits=2\r\n"
    "[ Data ] trailing words\r\n"
    "P6=a=b=c\r\n"
    "\xD6l=umlaut key\r\n"
    "[interface]\r\n"
    "Flowcontrol=Hardware\r\n";

TEST(IniFileRead, FollowsTheProfileRules) {
    const IniFile ini = IniFile::Parse(kHandWritten);
    const struct {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"Interface", "BAUDRATE", "9600"},
        {"  INTERFACE ", "\tport ", "COM3 ; the left one"},  // ";" inside a value is data
        {"Interface", "Parity", ""},
        {"Interface", "Databits", "8"},
        {"Interface", "Stopbits", "1.5"},  // comment skipped, first duplicate counts
        {"Interface", "Flowcontrol", ""},  // only in the second "Interface"
        {"Interface", "orphan", ""},       {"", "orphan", ""},
        {"Interface", "", ""},             {"Missing", "port", ""},
        {"data", "P6", "a=b=c"},
        {"Data", "\xD6L", "umlaut key"},   // ASCII letters fold ...
        {"Data", "\xF6l", ""},             // ... bytes above 0x7F do not
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini.Get(c.section, c.key), c.expected) << c.section << "/" << c.key;
    }
}

TEST(IniFileRead, OuterQuotesGoAndValuesAreCutAt259Bytes) {
    const std::string a259(259, 'a');
    const struct {
        std::string raw;
        std::string expected;
    } cases[] = {
        {"\"  quoted  \"", "  quoted  "}, {"'single'", "single"}, {"\"mismatch'", "\"mismatch'"},
        {"\"", "\""},                     {"\"\"", ""},           {"\"in\"side\"", "in\"side"},
        {a259 + "bc", a259},              {"\"" + a259 + "\"", a259},
        {"\"" + a259 + "b\"", a259},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IniFile::Parse("[S]\nk=" + c.raw + "\n").Get("S", "k"), c.expected) << c.raw;
    }
}

TEST(IniFileRead, EveryLineEndReadsAndAWriteUsesCrLf) {
    for (const char* end : {"\r\n", "\n", "\r"}) {
        const std::string e = end;
        IniFile ini = IniFile::Parse("[A]" + e + "x=1" + e + e + "[B]" + e + "y=2");
        EXPECT_EQ(ini.Get("A", "x"), "1");
        EXPECT_EQ(ini.Get("B", "y"), "2");
        ini.Set("A", "z", "3");
        EXPECT_EQ(ini.Serialise(), "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
    }
    IniFile bom = IniFile::Parse("\xEF\xBB\xBF[Interface]\r\nport=COM2\r\n");
    EXPECT_EQ(bom.Get("Interface", "port"), "COM2");
    bom.Set("Interface", "port", "COM4");
    EXPECT_EQ(bom.Serialise(), "\xEF\xBB\xBF[Interface]\r\nport=COM4\r\n");
}

TEST(IniFileWrite, KeepsAHandWrittenFileByteForByte) {
    TempDir dir;
    const std::string head = "; Tagwright station\r\n\r\n[Interface]\r\n";
    const std::string middle = "  port = COM1\r\nLegacy Key=keep me\r\n";
    const std::string tail = "; last comment of the section\r\n\r\n[Vendor]\r\nX = 1\r\n"
                             "[Data]\r\nP1Default=  0011223344556677\r\n";
    const auto path =
        dir.Write("Tagwright.ini", head + "  Baudrate = 9600  ; odd\r\n" + middle + tail);
    IniFile ini = IniFile::Load(path);
    ini.Set("Interface", "baudrate", "19200");
    ini.Set("Interface", "port", "COM1");  // same value: the line stays as written
    ini.Set("Interface", "Flowcontrol", "No");
    ini.Set("Data", "P1", "AB");
    ini.Set("Manual", "Carrier ID", "");
    std::string error;
    ASSERT_TRUE(ini.Save(path, &error)) << error;
    EXPECT_EQ(ReadBytes(path), head + "Baudrate=19200\r\n" + middle + "Flowcontrol=No\r\n" + tail +
                                   "P1=AB\r\n[Manual]\r\nCarrier ID=\r\n");
}

TEST(IniFileWrite, NewFileHasExactlyOneSectionAndKey) {
    TempDir dir;
    IniFile ini = IniFile::Load(dir / "new.ini");
    EXPECT_EQ(ini.Get("Auto", "SelectConfig"), "");
    ini.Set("Auto", "SelectConfig", "1");
    ASSERT_TRUE(ini.Save(dir / "new.ini"));
    EXPECT_EQ(dir.Read("new.ini"), "[Auto]\r\nSelectConfig=1\r\n");

    std::string error;
    EXPECT_FALSE(ini.Save(dir / "no-dir" / "x.ini", &error));
    EXPECT_NE(error.find("x.ini"), std::string::npos) << error;
}

TEST(IniFileWrite, PlacesKeysInTheRightSection) {
    const struct {
        const char* before;
        const char* key;
        const char* after;
    } cases[] = {
        // a section without keys takes the key right after its header
        {"[S]\r\n; note\r\n\r\n[T]\r\n", "k", "[S]\r\nk=v\r\n; note\r\n\r\n[T]\r\n"},
        // a duplicate section is never written into
        {"[S]\r\na=1\r\n[T]\r\n[s]\r\nk=2\r\n", "k", "[S]\r\na=1\r\nk=v\r\n[T]\r\n[s]\r\nk=2\r\n"},
        // the first of two keys changes, the other stays
        {"[S]\r\nK=1\r\nk=2\r\n", "k", "[S]\r\nK=v\r\nk=2\r\n"},
        // a key without "=" gets one
        {"[S]\r\nk\r\nb=1\r\n", "k", "[S]\r\nk=v\r\nb=1\r\n"},
        // keys before any section are not the section's
        {"k=0\r\n[S]\r\n", "k", "k=0\r\n[S]\r\nk=v\r\n"},
        // a file without a final line end
        {"[S]\r\na=1", "k", "[S]\r\na=1\r\nk=v\r\n"},
    };
    for (const auto& c : cases) {
        IniFile ini = IniFile::Parse(c.before);
        ini.Set("S", c.key, "v");
        EXPECT_EQ(ini.Serialise(), c.after) << c.before;
        EXPECT_EQ(ini.Get("S", c.key), "v") << c.before;
    }
}

TEST(IniFileWrite, ValuesStayBytesAndCannotPlantLines) {
    TempDir dir;
    const std::string eightBit = "Pr\xFC" "fablauf \x80\xF6\xFF";
    IniFile ini;
    ini.Set("Data", "P1", eightBit);
    ini.Set("Data", "P2", "abc\r\n[Interface]\r\nport=EVIL");
    ini.Set("Data", "P3", std::string("x\0y", 3));
    ini.Set("Data", "P4", "  lead and trail  ");
    ini.Set("", "k", "v");
    ini.Set("Data", " ", "v");
    ASSERT_TRUE(ini.Save(dir / "s.ini"));
    EXPECT_EQ(dir.Read("s.ini"), "[Data]\r\nP1=" + eightBit +
                                     "\r\nP2=abc\r\nP3=x\r\nP4=lead and trail  \r\n");
    const IniFile back = IniFile::Load(dir / "s.ini");
    EXPECT_EQ(back.Get("Data", "P1"), eightBit);
    EXPECT_EQ(back.Get("Interface", "port"), "");
}

}  // namespace
}  // namespace tagwright::test
