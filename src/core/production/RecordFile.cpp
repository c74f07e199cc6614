#include "core/production/RecordFile.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/base/AtomicFile.h"
#include "core/base/CText.h"

namespace tagwright {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCrLf = "\r\n";

// Lines 1 to 35, leading blanks included.
constexpr std::array<std::string_view, 35> kHeadLines = {
    R"(<?xml version="1.0"?>)",
    R"(<?mso-application progid="Excel.Sheet"?>)",
    R"(<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet")",
    R"( xmlns:o="urn:schemas-microsoft-com:office:office")",
    R"( xmlns:x="urn:schemas-microsoft-com:office:excel")",
    R"( xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet")",
    R"( xmlns:html="http://www.w3.org/TR/REC-html40">)",
    R"( <DocumentProperties xmlns="urn:schemas-microsoft-com:office:office">)",
    R"(  <Version>11.6360</Version>)",
    R"( </DocumentProperties>)",
    R"( <ExcelWorkbook xmlns="urn:schemas-microsoft-com:office:excel">)",
    R"(  <WindowHeight>10005</WindowHeight>)",
    R"(  <WindowWidth>10005</WindowWidth>)",
    R"(  <WindowTopX>120</WindowTopX>)",
    R"(  <WindowTopY>135</WindowTopY>)",
    R"(  <ProtectStructure>False</ProtectStructure>)",
    R"(  <ProtectWindows>False</ProtectWindows>)",
    R"( </ExcelWorkbook>)",
    R"( <Styles>)",
    R"(  <Style ss:ID="Default" ss:Name="Normal">)",
    R"(   <Alignment ss:Vertical="Bottom"/>)",
    R"(   <Borders/>)",
    R"(   <Font/>)",
    R"(   <Interior/>)",
    R"(   <NumberFormat/>)",
    R"(   <Protection/>)",
    R"(  </Style>)",
    R"(  <Style ss:ID="s21">)",
    R"(   <NumberFormat ss:Format="@"/>)",
    R"(  </Style>)",
    R"(  <Style ss:ID="s22">)",
    R"(   <NumberFormat ss:Format="0"/>)",
    R"(  </Style>)",
    R"( </Styles>)",
    R"( <Worksheet ss:Name="Tabelle1">)",
};
constexpr std::string_view kCountLineStart =
    R"(  <Table ss:ExpandedColumnCount="56" ss:ExpandedRowCount=")";
constexpr std::string_view kCountLineEnd = R"(" x:FullColumns="1")";
constexpr std::string_view kLine37 =
    R"(   x:FullRows="1" ss:StyleID="s21" ss:DefaultColumnWidth="60">)";
constexpr std::string_view kCountKey = R"(ss:ExpandedRowCount=")";

constexpr std::string_view kFoot = "  </Table>\r\n </Worksheet>\r\n</Workbook>\r\n";
constexpr std::string_view kRowOpen = "   <Row>\r\n";
constexpr std::string_view kRowClose = "   </Row>\r\n";
constexpr std::string_view kCellStart = "    <Cell";
constexpr std::string_view kCellEnd = "</Cell>\r\n";
constexpr std::string_view kTableEnd = "</Table>";

// The count is looked for where the head has it; the foot near the end.
constexpr std::size_t kCountWindow = 2000;
constexpr std::size_t kFootWindow = 1000;
// Enough for the head with its column lines.
constexpr std::size_t kHeadWindow = 8192;
constexpr std::size_t kChunk = 1 << 20;
// A line longer than this is none of ours: recovery stops there.
constexpr std::size_t kMaxLine = 16 << 20;

const std::string& HeadBeforeCount() {
    static const std::string text = [] {
        std::string s;
        for (std::string_view line : kHeadLines) {
            s += line;
            s += kCrLf;
        }
        s += kCountLineStart;
        return s;
    }();
    return text;
}

const std::string& HeadAfterCount() {
    static const std::string text = [] {
        std::string s;
        s += kCountLineEnd;
        s += kCrLf;
        s += kLine37;
        s += kCrLf;
        auto column = [&s](std::string_view width) {
            s += R"(   <Column ss:StyleID="s22" ss:Width=")";
            s += width;
            s += "\"/>\r\n";
        };
        for (std::string_view w : {"95.0", "45.0", "5.0", "65.0", "5.0"}) column(w);
        for (int page = 1; page <= 16; ++page) {
            column("120.0");
            column("30.0");
            column("5.0");
        }
        column("120.0");
        column("30.0");
        return s;
    }();
    return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// --- cells and rows ---

void LabelCell(std::string& out, int column, std::string_view label) {
    out += R"(    <Cell ss:Index=")";
    out += FormatInt(column);
    out += R"("><Data ss:Type="String">)";
    out += label;
    out += "</Data></Cell>\r\n";
}

void ValueCell(std::string& out, std::string_view value) {
    out += R"(    <Cell ss:Index="2"><Data ss:Type="String">)";
    out += EscapeCellText(value);
    out += "</Data></Cell>\r\n";
}

void PlainCell(std::string& out, std::string_view value) {
    out += R"(    <Cell><Data ss:Type="String">)";
    out += EscapeCellText(value);
    out += "</Data></Cell>\r\n";
}

std::string TwoDigits(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

int YearOfCentury(int year) { return ((year % 100) + 100) % 100; }

// --- file access ---

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }
    void Reset(int fd) {
        Close();
        fd_ = fd;
    }

private:
    int fd_;
};

bool PWriteAll(int fd, std::string_view data, off_t offset) {
    while (!data.empty()) {
        const ssize_t n = ::pwrite(fd, data.data(), data.size(), offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
        offset += n;
    }
    return true;
}

// Up to length bytes from offset; fewer at the end of the file.
std::optional<std::string> PReadUpTo(int fd, off_t offset, std::size_t length) {
    std::string out(length, '\0');
    std::size_t got = 0;
    while (got < length) {
        const ssize_t n = ::pread(fd, out.data() + got, length - got,
                                  offset + static_cast<off_t>(got));
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    return out;
}

// EINVAL: the file system cannot sync; the data is written all the same.
bool Sync(int fd) { return ::fsync(fd) == 0 || errno == EINVAL; }

void SyncDirectoryOf(const fs::path& path) {
    fs::path dir = path.parent_path();
    if (dir.empty()) dir = ".";
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

std::optional<off_t> FileSize(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return st.st_size;
}

std::int64_t RowCountIn(std::string_view head) {
    head = head.substr(0, kCountWindow);
    const std::size_t key = head.find(kCountKey);
    if (key == std::string_view::npos) return 0;
    std::string_view digits = head.substr(key + kCountKey.size(), 6);
    digits = digits.substr(0, digits.find('"'));
    const std::int32_t count = Atol(digits);
    return count < 0 ? 0 : count;
}

// The digits of the count, [begin, end) in the file.
struct CountField {
    std::size_t begin = 0;
    std::size_t end = 0;
};

std::optional<CountField> FindCountField(std::string_view head) {
    head = head.substr(0, kCountWindow);
    const std::size_t key = head.find(kCountKey);
    if (key == std::string_view::npos) return std::nullopt;
    const std::size_t begin = key + kCountKey.size();
    const std::size_t quote = head.find('"', begin);
    if (quote == std::string_view::npos || quote - begin > 20) return std::nullopt;
    return CountField{begin, quote};
}

// Where the rows begin when the file starts with exactly our head.
std::optional<std::size_t> RowsStartOfOurHead(std::string_view head) {
    const std::string& before = HeadBeforeCount();
    if (!head.starts_with(before)) return std::nullopt;
    std::size_t i = before.size();
    const std::size_t digitsStart = i;
    while (i < head.size() && IsDigit(head[i])) ++i;
    if (i == digitsStart || i - digitsStart > 10) return std::nullopt;
    const std::string& after = HeadAfterCount();
    if (head.substr(i, after.size()) != after) return std::nullopt;
    return i + after.size();
}

// The foot's "</Table>" line: where it starts, and the bytes from there to
// the end of the file (to put back when the append fails).
struct FootLine {
    off_t lineStart = 0;
    std::string oldTail;
};

std::optional<FootLine> FindFootLine(int fd, off_t size) {
    // A little more than the window, so that the start of the line is in
    // the buffer too.
    const std::size_t want = kFootWindow + 1024;
    const off_t base = size > static_cast<off_t>(want) ? size - static_cast<off_t>(want) : 0;
    std::optional<std::string> tail = PReadUpTo(fd, base, static_cast<std::size_t>(size - base));
    if (!tail || tail->size() != static_cast<std::size_t>(size - base)) return std::nullopt;
    const std::string& buf = *tail;
    const std::size_t windowStart = buf.size() > kFootWindow ? buf.size() - kFootWindow : 0;
    const std::size_t hit = buf.rfind(kTableEnd);
    if (hit == std::string::npos || hit < windowStart) return std::nullopt;
    // Only blanks may stand before it on its line; the line before it must
    // be in the buffer, or the start of the file would be overwritten.
    std::size_t lineStart = hit;
    while (lineStart > 0 && (buf[lineStart - 1] == ' ' || buf[lineStart - 1] == '\t')) {
        --lineStart;
    }
    if (lineStart == 0 || buf[lineStart - 1] != '\n') return std::nullopt;
    return FootLine{base + static_cast<off_t>(lineStart), buf.substr(lineStart)};
}

enum class CountWrite { Failed, InPlace, Replaced };

// Writes a copy of the file with new digits in the count and renames it
// over the file. The old file stays until the rename, so a crash leaves one
// of the two whole.
bool RewriteWithCount(int fd, const fs::path& path, std::string_view head, CountField field,
                      std::string_view digits, const LocalTime& now) {
    // A link stays a link: the file it points at is replaced.
    fs::path target = path;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        fs::path resolved = fs::weakly_canonical(path, ec);
        if (!ec) target = resolved;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;

    const std::string temp = TimestampedName(target.string(), now);
    Fd out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!out.Valid()) return false;
    auto abandon = [&] {
        out.Close();
        ::unlink(temp.c_str());
        return false;
    };
    if (::fchmod(out.Get(), st.st_mode & 07777) != 0) {
        // keep the umask's bits
    }

    std::string first(head.substr(0, field.begin));
    first += digits;
    if (!PWriteAll(out.Get(), first, 0)) return abandon();
    off_t inPos = static_cast<off_t>(field.end);
    off_t outPos = static_cast<off_t>(first.size());
    for (;;) {
        std::optional<std::string> chunk = PReadUpTo(fd, inPos, kChunk);
        if (!chunk) return abandon();
        if (chunk->empty()) break;
        if (!PWriteAll(out.Get(), *chunk, outPos)) return abandon();
        inPos += static_cast<off_t>(chunk->size());
        outPos += static_cast<off_t>(chunk->size());
    }
    if (!Sync(out.Get()) || !out.Close()) return abandon();
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    SyncDirectoryOf(target);
    return true;
}

// Sets the count of the open file. After Replaced, fd refers to the old,
// no longer named file: reopen the path.
CountWrite WriteRowCount(int fd, const fs::path& path, std::int64_t count, const LocalTime& now) {
    std::optional<std::string> head = PReadUpTo(fd, 0, kCountWindow);
    if (!head) return CountWrite::Failed;
    const std::optional<CountField> field = FindCountField(*head);
    if (!field) return CountWrite::InPlace;  // a file without a count: nothing to keep right
    const std::string digits = FormatInt(count);
    if (digits.size() == field->end - field->begin) {
        if (!PWriteAll(fd, digits, static_cast<off_t>(field->begin)) || !Sync(fd)) {
            return CountWrite::Failed;
        }
        return CountWrite::InPlace;
    }
    // Different length (more digits, or fewer after a recovery): the rest of
    // the file shifts, so it is copied.
    return RewriteWithCount(fd, path, *head, *field, digits, now) ? CountWrite::Replaced
                                                                  : CountWrite::Failed;
}

// Puts the foot at the end of a file whose rows are complete and whose count
// is right.
bool AddFoot(Fd& fd, const fs::path& path, CountWrite countWrite) {
    if (countWrite == CountWrite::Replaced) {
        fd.Reset(::open(path.c_str(), O_RDWR | O_CLOEXEC));
        if (!fd.Valid()) return false;
    }
    const std::optional<off_t> size = FileSize(fd.Get());
    if (!size) return false;
    return PWriteAll(fd.Get(), kFoot, *size) && Sync(fd.Get()) && fd.Close();
}

bool IsCellLine(std::string_view line) {
    return line.starts_with(kCellStart) && line.ends_with(kCellEnd) &&
           line.find('\0') == std::string_view::npos;
}

// Recovery of an interrupted append. An append first replaces the foot by
// its rows (the file then has no foot), then sets the count, then adds the
// foot; so a file with its foot always has the right count, and a file
// without one is an append cut short: its rows up to the last complete one
// are sound, and what follows is the torn row, bits of the old foot, or
// zeros that a power cut left. The rows are checked line by line from the
// first one, and the file is cut after the last complete row of the
// unbroken run; the count is set to the rows counted, and only then the foot
// is written. Each step leaves a file that this recovery mends again, so a
// crash during it is harmless too. Only a file that starts with our head is
// mended this way: anything else without a foot is refused untouched.
bool RecoverInterruptedAppend(Fd& fd, const fs::path& path, std::size_t rowsStart,
                              const LocalTime& now) {
    std::int64_t rows = 0;
    off_t cut = static_cast<off_t>(rowsStart);
    bool inRow = false;
    std::string buf;
    off_t bufOffset = static_cast<off_t>(rowsStart);
    off_t readPos = bufOffset;
    bool eof = false;
    std::size_t i = 0;
    for (;;) {
        const std::size_t nl = buf.find('\n', i);
        if (nl == std::string::npos) {
            if (eof) break;
            buf.erase(0, i);
            bufOffset += static_cast<off_t>(i);
            i = 0;
            if (buf.size() > kMaxLine) break;
            std::optional<std::string> chunk = PReadUpTo(fd.Get(), readPos, kChunk);
            if (!chunk) return false;
            eof = chunk->empty();
            readPos += static_cast<off_t>(chunk->size());
            buf += *chunk;
            continue;
        }
        const std::string_view line(buf.data() + i, nl + 1 - i);
        if (!inRow) {
            if (line != kRowOpen) break;
            inRow = true;
        } else if (line == kRowClose) {
            inRow = false;
            ++rows;
            cut = bufOffset + static_cast<off_t>(nl + 1);
        } else if (!IsCellLine(line)) {
            break;
        }
        i = nl + 1;
    }

    if (::ftruncate(fd.Get(), cut) != 0 || !Sync(fd.Get())) return false;
    const CountWrite countWrite = WriteRowCount(fd.Get(), path, rows, now);
    if (countWrite == CountWrite::Failed) return false;
    return AddFoot(fd, path, countWrite);
}

// A missing or empty file: written whole, so that a crash leaves it empty or
// complete, never half a head.
bool CreateRecordFile(const fs::path& path, const RecordInput& input) {
    const int blockRows = ParameterBlockRowCount(input.set);
    std::string content = RecordFileHead(blockRows + 1);
    content += ParameterBlockRows(input.setName, input.set);
    content += TransponderRow(input);
    content += kFoot;
    return WriteFileAtomically(path, content);
}

}  // namespace

// --- texts ---

std::string EscapeCellText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            // Kept as references so that every cell stays on one line.
            case '\r': out += "&#13;"; break;
            case '\n': out += "&#10;"; break;
            case '\t': out += c; break;
            default: {
                const auto b = static_cast<unsigned char>(c);
                if (b < 0x20) {
                    // XML has no way at all to carry the other control characters.
                    out += '?';
                } else if (b >= 0x80) {
                    // The file declares no encoding, so readers take it as UTF-8;
                    // a reference keeps an 8-bit byte readable, as the fields
                    // show it (one byte, one Latin-1 character).
                    out += "&#" + std::to_string(b) + ";";
                } else {
                    out += c;
                }
            }
        }
    }
    return out;
}

std::string RecordFileHead(std::int64_t rowCount) {
    std::string out = HeadBeforeCount();
    out += FormatInt(rowCount);
    out += HeadAfterCount();
    return out;
}

std::string_view RecordFileFoot() { return kFoot; }

int ParameterBlockRowCount(const ParameterSet& set) {
    return (set.useDecimalCounter || set.useCsvFile || set.useFixData) ? 20 : 19;
}

std::string ParameterBlockRows(std::string_view setName, const ParameterSet& set) {
    std::string out;
    auto emptyRow = [&out] {
        out += kRowOpen;
        out += kRowClose;
    };
    auto labelledRow = [&out](std::string_view label, std::string_view value) {
        out += kRowOpen;
        LabelCell(out, 1, label);
        ValueCell(out, value);
        out += kRowClose;
    };

    emptyRow();
    emptyRow();
    emptyRow();
    out += kRowOpen;
    out += "    <Cell><Data ss:Type=\"String\">Procedure:</Data></Cell>\r\n";
    ValueCell(out, setName);
    out += kRowClose;
    emptyRow();
    labelledRow("Operator badge ID#:", set.operatorBadgeId);
    labelledRow("Part number:", set.partNumber);
    labelledRow("Work order number:", set.workOrderNumber);
    labelledRow("Quantity:", set.quantity);
    emptyRow();
    if (set.useDecimalCounter) {
        labelledRow("Decimal counter:", "true");
    } else if (set.useCsvFile) {
        labelledRow("csv file:", set.csvFileName);
    } else if (set.useFixData) {
        labelledRow("fix data:", "true");
    }
    emptyRow();
    labelledRow("Carrier ID Offset:", set.carrierIdOffset);
    labelledRow("Carrier ID Length:", set.carrierIdLength);
    labelledRow("Lock Carrier ID:", set.lockCarrierId ? "true" : "false");
    emptyRow();
    labelledRow("Transponder type:", set.typeTI ? "TI Multipage" : "Norvik Multipage");
    emptyRow();

    out += kRowOpen;
    LabelCell(out, 1, "Date:");
    LabelCell(out, 2, "Time:");
    LabelCell(out, 4, "UID");
    for (int page = 1; page <= kPageCount; ++page) {
        LabelCell(out, 3 * page + 3, "Page " + FormatInt(page));
    }
    out += kRowClose;

    out += kRowOpen;
    for (int page = 1; page <= kPageCount; ++page) {
        LabelCell(out, 3 * page + 3, "Data:");
        LabelCell(out, 3 * page + 4, "Lock:");
    }
    out += kRowClose;
    return out;
}

std::string TransponderRow(const RecordInput& input) {
    const LocalTime& t = input.time;
    std::string out(kRowOpen);
    PlainCell(out, TwoDigits(t.day) + "/" + TwoDigits(t.month) + "/" +
                       TwoDigits(YearOfCentury(t.year)));
    PlainCell(out, TwoDigits(t.hour) + ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second));
    PlainCell(out, "");
    PlainCell(out, input.set.typeNorvik ? input.uid : std::string_view());
    PlainCell(out, "");
    for (std::size_t p = 0; p < static_cast<std::size_t>(kPageCount); ++p) {
        // The pages WritePages wrote, in the HEX form it sent.
        if (input.image.selected[p] != 0 && !input.image.fieldText[p].empty()) {
            PlainCell(out, input.image.hexText[p]);
            PlainCell(out, input.set.lockPage[p] ? "X" : "");
        } else {
            PlainCell(out, "");
            PlainCell(out, "");
        }
        PlainCell(out, "");
    }
    out += kRowClose;
    return out;
}

// --- names ---

std::string NextRecordFileName(const std::string& path) {
    fs::path p(path);
    const std::string name = p.filename().string();
    const std::size_t underscore = name.rfind('_');
    const std::size_t dot = name.rfind('.');
    std::string next;
    bool numbered = underscore != std::string::npos && dot != std::string::npos && dot > underscore;
    for (std::size_t i = underscore + 1; numbered && i < dot; ++i) numbered = IsDigit(name[i]);
    if (numbered) {
        const std::string_view digits =
            std::string_view(name).substr(underscore + 1, dot - underscore - 1);
        std::uint64_t number = ParseU64(digits);
        if (number != std::numeric_limits<std::uint64_t>::max()) ++number;
        next = name.substr(0, underscore + 1) + FormatU64(number) + ".xml";
    } else {
        next = name.substr(0, dot) + "_1.xml";
    }
    return p.replace_filename(next).string();
}

std::string TimestampedName(const std::string& path, const LocalTime& now) {
    std::string stamp = "JJMMDDHHMMSS";
    const bool valid = now.year >= 0 && now.year <= 9999 && now.month >= 1 && now.month <= 12 &&
                       now.day >= 1 && now.day <= 31 && now.hour >= 0 && now.hour <= 23 &&
                       now.minute >= 0 && now.minute <= 59 && now.second >= 0 &&
                       now.second <= 60;
    if (valid) {
        stamp = TwoDigits(YearOfCentury(now.year)) + TwoDigits(now.month) + TwoDigits(now.day) +
                TwoDigits(now.hour) + TwoDigits(now.minute) + TwoDigits(now.second);
    }
    fs::path p(path);
    std::string name = p.filename().string();
    const std::size_t xml = name.find(".xml");
    if (xml == std::string::npos) {
        name += "_" + stamp;
    } else {
        name.insert(xml, "_" + stamp);
    }
    return p.replace_filename(name).string();
}

// --- the file ---

std::int64_t ReadRowCount(const fs::path& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) return 0;
    std::optional<std::string> head = PReadUpTo(fd.Get(), 0, kCountWindow);
    return head ? RowCountIn(*head) : 0;
}

bool UpdateRowCount(const fs::path& path, std::int64_t old, std::int64_t added,
                    const LocalTime& now) {
    Fd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (!fd.Valid()) return false;
    return WriteRowCount(fd.Get(), path, old + added, now) != CountWrite::Failed;
}

bool AppendRecord(RecordTarget& target, const RecordInput& input) {
    if (target.logFileName.empty()) {
        target.logFileName = (target.setDirectory / kFallbackRecordFileName).string();
    }
    bool recovered = false;
    for (;;) {
        const fs::path path = target.logFileName;
        Fd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
        if (!fd.Valid()) return false;
        const std::optional<off_t> size = FileSize(fd.Get());
        if (!size) return false;

        if (*size == 0) {
            fd.Close();
            target.headerBlockPending = true;
            if (!CreateRecordFile(path, input)) return false;
            target.headerBlockPending = false;
            return true;
        }

        const std::optional<std::string> head = PReadUpTo(fd.Get(), 0, kHeadWindow);
        if (!head) return false;
        const std::optional<FootLine> foot = FindFootLine(fd.Get(), *size);
        if (!foot) {
            // Damaged or not ours: never touched. Our own cut-short append is
            // mended once, then looked at afresh.
            const std::optional<std::size_t> rowsStart = RowsStartOfOurHead(*head);
            if (recovered || !rowsStart) return false;
            if (!RecoverInterruptedAppend(fd, path, *rowsStart, input.time)) return false;
            recovered = true;
            continue;
        }

        const std::int64_t old = RowCountIn(*head);
        if (old >= kRecordMaxRows ||
            (old >= kRecordMaxRowsBeforeBlock && target.headerBlockPending)) {
            fd.Close();
            std::string next = NextRecordFileName(target.logFileName);
            if (next == target.logFileName) return false;
            target.headerBlockPending = true;
            target.logFileName = std::move(next);
            recovered = false;
            continue;
        }

        std::string rows;
        std::int64_t added = 1;
        if (target.headerBlockPending) {
            rows = ParameterBlockRows(input.setName, input.set);
            added += ParameterBlockRowCount(input.set);
        }
        rows += TransponderRow(input);

        // The rows replace the foot; the file stays without one until the
        // count covers them (see RecoverInterruptedAppend).
        const off_t end = foot->lineStart + static_cast<off_t>(rows.size());
        if (!PWriteAll(fd.Get(), rows, foot->lineStart) || ::ftruncate(fd.Get(), end) != 0 ||
            !Sync(fd.Get())) {
            // Put the old tail back; should that fail as well, the next
            // append mends the file.
            if (PWriteAll(fd.Get(), foot->oldTail, foot->lineStart) &&
                ::ftruncate(fd.Get(), foot->lineStart +
                                          static_cast<off_t>(foot->oldTail.size())) == 0) {
                (void)Sync(fd.Get());
            }
            return false;
        }
        // The rows are on disk: the block is written even if what follows
        // fails (the next append then mends the count and the foot).
        target.headerBlockPending = false;
        const CountWrite countWrite = WriteRowCount(fd.Get(), path, old + added, input.time);
        if (countWrite == CountWrite::Failed) return false;
        return AddFoot(fd, path, countWrite);
    }
}

}  // namespace tagwright
