#include "reader-sim/TransponderFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace tagwright::sim {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string Errno(const std::filesystem::path& path, const char* what) {
    return std::string(what) + " " + path.string() + ": " + std::strerror(errno);
}

}  // namespace

bool ParsePageHex(std::string_view hex, std::array<std::uint8_t, 8>* bytes) {
    if (hex.size() != 16) return false;
    std::array<std::uint8_t, 8> out{};
    for (std::size_t i = 0; i < 8; ++i) {
        int hi = HexValue(hex[2 * i]);
        int lo = HexValue(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    *bytes = out;
    return true;
}

std::string FormatPageHex(const std::array<std::uint8_t, 8>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (std::uint8_t b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 0x0F];
    }
    return s;
}

std::string FormatTransponder(const Transponder& t) {
    std::string s;
    for (std::size_t i = 0; i < t.pages.size(); ++i)
        s += FormatPageHex(t.pages[i]) + (t.locked[i] ? " 1\n" : " 0\n");
    s += "UID " + t.uid + "\n";
    return s;
}

bool ParseTransponder(std::string_view text, Transponder* t, std::string* error) {
    auto fail = [&](std::size_t line, const char* why) {
        if (error) *error = "line " + std::to_string(line) + ": " + why;
        return false;
    };
    Transponder out;
    std::size_t lineNo = 0;
    std::size_t pos = 0;
    bool haveUid = false;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++lineNo;
        if (lineNo <= 17) {
            if (line.size() != 18 || line[16] != ' ' || (line[17] != '0' && line[17] != '1'))
                return fail(lineNo, "expected 16 hexadecimal digits, a blank and 0 or 1");
            if (!ParsePageHex(line.substr(0, 16), &out.pages[lineNo - 1]))
                return fail(lineNo, "page data is not 16 hexadecimal digits");
            out.locked[lineNo - 1] = line[17] == '1';
        } else if (lineNo == 18) {
            if (line.size() < 5 || line.substr(0, 4) != "UID ")
                return fail(lineNo, "expected \"UID \" and the UID");
            out.uid = std::string(line.substr(4));
            haveUid = true;
        } else if (!line.empty()) {
            return fail(lineNo, "unexpected text after the UID");
        }
    }
    if (!haveUid) return fail(lineNo + 1, "the file ends before the UID line");
    *t = out;
    return true;
}

bool LoadTransponderFile(const std::filesystem::path& path, Transponder* t, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = Errno(path, "cannot read");
        return false;
    }
    std::ostringstream s;
    s << in.rdbuf();
    std::string why;
    if (!ParseTransponder(s.str(), t, &why)) {
        if (error) *error = path.string() + ", " + why;
        return false;
    }
    return true;
}

bool SaveTransponderFile(const std::filesystem::path& path, const Transponder& t,
                         std::string* error) {
    const std::string content = FormatTransponder(t);
    const std::filesystem::path tmp = path.string() + ".tmp" + std::to_string(getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error) *error = Errno(tmp, "cannot create");
        return false;
    }
    std::size_t done = 0;
    bool ok = true;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (!ok && error) *error = Errno(tmp, "cannot write");
    if (::close(fd) != 0 && ok) {
        ok = false;
        if (error) *error = Errno(tmp, "cannot write");
    }
    if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) {
        ok = false;
        if (error) *error = Errno(path, "cannot replace");
    }
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

}  // namespace tagwright::sim
