// INI files: parsing what was written gives the same document; a value set
// through IniTextValue reads back as it was; no other key changes; writing
// back what a key reads keeps it, and changes nothing the second time.

#include <fuzzer/FuzzedDataProvider.h>

#include <map>
#include <set>
#include <utility>

#include "FuzzCheck.h"
#include "core/base/IniFile.h"

using namespace tagwright;

namespace {

using Names = std::set<std::string>;

// Section and key names as they may appear in the text; a superset is fine.
std::pair<Names, Names> NamesIn(const std::string& text) {
    Names sections{"S"};
    Names keys{"k"};
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        const std::size_t open = line.find('[');
        const std::size_t close = line.rfind(']');
        if (open != std::string::npos && close != std::string::npos && close > open) {
            sections.insert(line.substr(open + 1, close - open - 1));
        }
        keys.insert(line.substr(0, line.find('=')));
        start = end + 2;
    }
    return {sections, keys};
}

std::map<std::pair<std::string, std::string>, std::string> Values(const IniFile& ini,
                                                                   const Names& sections,
                                                                   const Names& keys) {
    std::map<std::pair<std::string, std::string>, std::string> out;
    for (const std::string& s : sections) {
        for (const std::string& k : keys) out[{s, k}] = ini.Get(s, k);
    }
    return out;
}

bool Plain(std::string_view name) {
    if (name.empty() || name.front() == ';' || name.front() == '[') return false;
    for (char c : name) {
        if (c == '\r' || c == '\n' || c == '\0' || c == '=' || c == ']' || c == ' ' ||
            c == '\t' || c == '\v' || c == '\f' || c == '\x1A') {
            return false;
        }
    }
    return true;
}

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string_view Trimmed(std::string_view s) {
    constexpr std::string_view kBlank(" \t\n\v\f\r\x1A");
    while (!s.empty() && kBlank.find(s.front()) != std::string_view::npos) s.remove_prefix(1);
    while (!s.empty() && kBlank.find(s.back()) != std::string_view::npos) s.remove_suffix(1);
    return s;
}

// As the file compares names: trimmed, ASCII letters folded.
bool SameName(std::string_view a, std::string_view b) {
    a = Trimmed(a);
    b = Trimmed(b);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Fold(a[i]) != Fold(b[i])) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string section = in.ConsumeRandomLengthString(32);
    const std::string key = in.ConsumeRandomLengthString(32);
    std::string text = in.ConsumeRandomLengthString(300);
    text = text.substr(0, text.find_first_of(std::string_view("\r\n\0", 3)));
    const std::string content = in.ConsumeRemainingBytesAsString();

    IniFile ini = IniFile::Parse(content);
    const std::string written = ini.Serialise();
    FUZZ_REQUIRE(IniFile::Parse(written).Serialise() == written);
    if (!Plain(section) || !Plain(key) || written.size() > 2048) return 0;

    const std::pair<Names, Names> names = NamesIn(written);
    const Names& sections = names.first;
    const Names& keys = names.second;
    const auto before = Values(ini, sections, keys);
    ini.Set(section, key, IniTextValue(text));
    FUZZ_REQUIRE(ini.Get(section, key) == text.substr(0, IniFile::kMaxValueLength));
    const auto after = Values(ini, sections, keys);
    for (const auto& [name, value] : before) {
        if (SameName(name.first, section) && SameName(name.second, key)) continue;
        FUZZ_REQUIRE(after.at(name) == value);
    }
    const std::string once = ini.Serialise();
    FUZZ_REQUIRE(IniFile::Parse(once).Serialise() == once);

    // Writing back what a key reads, as the program writes texts, keeps what
    // it reads (a NUL included), and a second round changes no byte.
    IniFile again = IniFile::Parse(content);
    const auto writeBack = [&] {
        for (const std::string& s : sections) {
            for (const std::string& k : keys) {
                if (!Plain(s) || !Plain(k)) continue;
                const std::string value = again.Get(s, k);
                again.Set(s, k, IniTextValue(value));
                FUZZ_REQUIRE(again.Get(s, k) == value);
            }
        }
    };
    writeBack();
    const std::string first = again.Serialise();
    writeBack();
    FUZZ_REQUIRE(again.Serialise() == first);
    return 0;
}
