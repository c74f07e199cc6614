#include "core/production/RecordFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/base/AtomicFile.h"
#include "core/base/CText.h"
#include "core/base/PosixFile.h"
#include "core/base/Utf8.h"
#include "core/domain/Hex.h"
#include "core/domain/PageCodec.h"
#include "core/production/CarrierIdSource.h"

namespace tagwright {

namespace fs = std::filesystem;

namespace {

// Enough for the head with its column lines.
constexpr std::size_t kHeadWindow = 8192;
constexpr std::size_t kChunk = 1 << 20;
// A line longer than this is none of ours: recovery stops there.
constexpr std::size_t kMaxLine = 16 << 20;

// Opens the file and waits for its exclusive lock, so that stations on
// one host that share the file append one after the other. The file may
// have been replaced while we waited (a copy for a longer count, a file
// written whole): the lock then holds a file that no longer has the name,
// and the name is opened afresh. A file system without locks still gets
// its rows, as it did before there were locks.
UniqueFd OpenLocked(const fs::path& path, int flags) {
    for (;;) {
        UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC, 0666));
        if (!fd.Valid()) return fd;
        int locked = 0;
        do {
            locked = ::flock(fd.Get(), LOCK_EX);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0 && errno != ENOLCK && errno != EOPNOTSUPP && errno != EINVAL) {
            return UniqueFd();
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd.Get(), &held) != 0) return UniqueFd();
        if (::stat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
            named.st_ino == held.st_ino) {
            return fd;
        }
    }
}

// Where the foot starts in a file of ours whose rows begin at rowsStart;
// nothing unless the file ends with exactly our foot. Anything after it,
// even a line that closes a table, means the file did not end as an append
// of ours leaves it.
std::optional<off_t> FindFoot(int fd, off_t size, std::size_t rowsStart) {
    const std::string_view foot = RecordFileFoot();
    const off_t start = size - static_cast<off_t>(foot.size());
    if (start < static_cast<off_t>(rowsStart)) return std::nullopt;
    const std::optional<std::string> tail = PReadUpTo(fd, start, foot.size());
    if (!tail || *tail != foot) return std::nullopt;
    return start;
}

// Copies the open file up to copyEnd into out, with new digits in the
// count, and adds tail.
bool CopyWithCount(int fd, int out, std::string_view head, RowCountField field,
                   std::string_view digits, off_t copyEnd, std::string_view tail) {
    std::string first(head.substr(0, field.begin));
    first += digits;
    if (!PWriteAll(out, first, 0)) return false;
    off_t inPos = static_cast<off_t>(field.end);
    off_t outPos = static_cast<off_t>(first.size());
    while (inPos < copyEnd) {
        const std::size_t want = static_cast<std::size_t>(
            std::min<off_t>(static_cast<off_t>(kChunk), copyEnd - inPos));
        std::optional<std::string> chunk = PReadUpTo(fd, inPos, want);
        if (!chunk || chunk->size() != want) return false;
        if (!PWriteAll(out, *chunk, outPos)) return false;
        inPos += static_cast<off_t>(want);
        outPos += static_cast<off_t>(want);
    }
    return PWriteAll(out, tail, outPos);
}

// When the count changes its number of digits everything after it shifts,
// so the file is replaced by a complete copy: the file's bytes up to
// copyEnd with the new count, then tail. The old file stays whole and
// readable until the rename, so a reader, a crash or a full disk sees
// either the old complete file or the new one.
bool ReplaceWithCount(int fd, const fs::path& path, std::string_view head, RowCountField field,
                          std::string_view digits, off_t copyEnd, std::string_view tail) {
    const fs::path target = ReplacementTarget(path);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;

    std::string temp;
    UniqueFd out = CreateUniqueFile(target.parent_path(), temp);
    if (!out.Valid()) return false;
    KeepOwnerAndMode(out.Get(), st);
    if (!CopyWithCount(fd, out.Get(), head, field, digits, copyEnd, tail) ||
        !SyncFile(out.Get()) || ::rename(temp.c_str(), target.c_str()) != 0) {
        (void)out.Close();
        ::unlink(temp.c_str());
        return false;
    }
    SyncDirectoryOf(target);
    return true;
}

// Where the count stands in a head of ours.
std::optional<RowCountField> CountFieldOf(int fd, std::string& head) {
    std::optional<std::string> text = PReadUpTo(fd, 0, kRowCountWindow);
    if (!text) return std::nullopt;
    head = std::move(*text);
    return FindRowCountField(head);
}

bool WriteAndSync(int fd, std::string_view data, off_t offset) {
    return PWriteAll(fd, data, offset) && SyncFile(fd);
}

// The end of the unbroken run of complete rows from rowsStart, and how many
// rows it holds; nothing when the file cannot be read.
struct RowRun {
    std::int64_t rows = 0;
    off_t end = 0;
};

std::optional<RowRun> CompleteRows(int fd, std::size_t rowsStart) {
    RowRun run{0, static_cast<off_t>(rowsStart)};
    bool inRow = false;
    std::string buf;
    off_t bufOffset = run.end;
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
            std::optional<std::string> chunk = PReadUpTo(fd, readPos, kChunk);
            if (!chunk) return std::nullopt;
            eof = chunk->empty();
            readPos += static_cast<off_t>(chunk->size());
            buf += *chunk;
            continue;
        }
        const std::string_view line(buf.data() + i, nl + 1 - i);
        if (!inRow) {
            if (line != kRecordRowOpen) break;
            inRow = true;
        } else if (line == kRecordRowClose) {
            inRow = false;
            ++run.rows;
            run.end = bufOffset + static_cast<off_t>(nl + 1);
        } else if (!IsRecordCellLine(line)) {
            break;
        }
        i = nl + 1;
    }
    return run;
}

// Recovery of an interrupted append. An append first replaces the foot by
// its rows (the file then has no foot), then sets the count, then adds the
// foot; so a file with its foot always has the right count, and a file
// without one is an append cut short: its rows up to the last complete one
// are sound, and what follows is the torn row, bits of the old foot, or
// zeros that a power cut left. The rows are checked line by line from the
// first one, and the file is cut after the last complete row of the
// unbroken run; the count is set to the rows counted, and only then the foot
// is written (or, when the count changes its number of digits, the mended
// file is written whole as a copy). Each step leaves a file that this
// recovery mends again, so a crash during it is harmless too. Only a file
// that starts with our head is mended this way: anything else is refused
// untouched.
bool RecoverInterruptedAppend(UniqueFd& fd, const fs::path& path, std::size_t rowsStart) {
    const std::optional<RowRun> run = CompleteRows(fd.Get(), rowsStart);
    std::string head;
    const std::optional<RowCountField> field = CountFieldOf(fd.Get(), head);
    if (!run || !field) return false;
    const std::string digits = FormatInt(run->rows);
    if (digits.size() != field->end - field->begin) {
        return ReplaceWithCount(fd.Get(), path, head, *field, digits, run->end, RecordFileFoot());
    }
    return ::ftruncate(fd.Get(), run->end) == 0 && SyncFile(fd.Get()) &&
           WriteAndSync(fd.Get(), digits, static_cast<off_t>(field->begin)) &&
           WriteAndSync(fd.Get(), RecordFileFoot(), run->end);
}

// A missing or empty file: written whole, so that a crash leaves it empty or
// complete, never half a head.
bool CreateRecordFile(const fs::path& path, const RecordInput& input) {
    const int blockRows = ParameterBlockRowCount(input.set);
    std::string content = RecordFileHead(blockRows + 1);
    content += ParameterBlockRows(input.setName, input.set);
    content += TransponderRow(input);
    content += RecordFileFoot();
    return WriteFileAtomically(path, content);
}

// The rows replace the foot, then the count is set, then the foot is put
// back at the new end: a crash between the steps leaves a file without a
// foot, which the next append mends (see RecoverInterruptedAppend). A step
// that fails takes the file back to what it was, so that a row reported
// as not recorded never turns up in it.
bool AppendInPlace(int fd, off_t foot, std::string_view rows, RowCountField field,
                   std::string_view oldDigits, std::string_view newDigits) {
    const off_t end = foot + static_cast<off_t>(rows.size());
    const auto countAt = static_cast<off_t>(field.begin);
    if (WriteAndSync(fd, rows, foot) && WriteAndSync(fd, newDigits, countAt) &&
        WriteAndSync(fd, RecordFileFoot(), end)) {
        return true;
    }
    // Rows cut off before the count is put back, and the count before the
    // foot, so that each step leaves a file the recovery mends to the old
    // one. Should this fail as well, the next append mends the file.
    (void)(::ftruncate(fd, foot) == 0 && SyncFile(fd) &&
           WriteAndSync(fd, oldDigits, countAt) && WriteAndSync(fd, RecordFileFoot(), foot));
    return false;
}

bool AppendRows(UniqueFd& fd, const fs::path& path, off_t foot, std::int64_t old,
                RecordTarget& target, const RecordInput& input) {
    std::string rows;
    std::int64_t added = 1;
    if (target.headerBlockPending) {
        rows = ParameterBlockRows(input.setName, input.set);
        added += ParameterBlockRowCount(input.set);
    }
    rows += TransponderRow(input);

    std::string head;
    const std::optional<RowCountField> field = CountFieldOf(fd.Get(), head);
    if (!field) return false;
    const std::string oldDigits = head.substr(field->begin, field->end - field->begin);
    const std::string newDigits = FormatInt(old + added);
    bool done = false;
    if (newDigits.size() == oldDigits.size()) {
        done = AppendInPlace(fd.Get(), foot, rows, *field, oldDigits, newDigits);
    } else {
        rows += RecordFileFoot();
        done = ReplaceWithCount(fd.Get(), path, head, *field, newDigits, foot, rows);
    }
    if (done) target.headerBlockPending = false;
    return done;
}

// True when the file is too full for this record.
bool IsFull(std::int64_t rows, bool blockPending) {
    return rows >= kRecordMaxRows || (rows >= kRecordMaxRowsBeforeBlock && blockPending);
}

}  // namespace

std::int64_t ReadRowCount(const fs::path& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) return 0;
    std::optional<std::string> head = PReadUpTo(fd.Get(), 0, kRowCountWindow);
    return head ? RowCountIn(*head) : 0;
}

bool UpdateRowCount(const fs::path& path, std::int64_t old, std::int64_t added,
                    const LocalTime& /*now*/) {
    UniqueFd fd = OpenLocked(path, O_RDWR);
    if (!fd.Valid()) return false;
    std::string head;
    const std::optional<RowCountField> field = CountFieldOf(fd.Get(), head);
    if (!field) return true;  // a file without a count: nothing to keep right
    const std::string digits = FormatInt(old + added);
    if (digits.size() == field->end - field->begin) {
        return WriteAndSync(fd.Get(), digits, static_cast<off_t>(field->begin));
    }
    const std::optional<off_t> size = RegularFileSize(fd.Get());
    return size && ReplaceWithCount(fd.Get(), path, head, *field, digits, *size, {});
}

bool AppendRecord(RecordTarget& target, const RecordInput& input) {
    if (target.logFileName.empty()) {
        target.logFileName = (target.setDirectory / kFallbackRecordFileName).string();
    }
    bool recovered = false;
    for (;;) {
        const fs::path path = target.logFileName;
        UniqueFd fd = OpenLocked(path, O_RDWR | O_CREAT);
        if (!fd.Valid()) return false;
        const std::optional<off_t> size = RegularFileSize(fd.Get());
        if (!size) return false;

        if (*size == 0) {
            // Written whole under the new name while the lock keeps others
            // waiting; they then find the new file.
            target.headerBlockPending = true;
            if (!CreateRecordFile(path, input)) return false;
            target.headerBlockPending = false;
            return true;
        }

        const std::optional<std::string> head = PReadUpTo(fd.Get(), 0, kHeadWindow);
        if (!head) return false;
        // Not ours: never touched.
        const std::optional<std::size_t> rowsStart = RowsStartOfOurHead(*head);
        if (!rowsStart) return false;
        const std::optional<off_t> foot = FindFoot(fd.Get(), *size, *rowsStart);
        if (!foot) {
            // Our own cut-short append is mended once, then looked at afresh.
            if (recovered) return false;
            if (!RecoverInterruptedAppend(fd, path, *rowsStart)) return false;
            recovered = true;
            continue;
        }

        const std::int64_t old = RowCountIn(*head);
        if (!IsFull(old, target.headerBlockPending)) {
            return AppendRows(fd, path, *foot, old, target, input);
        }
        fd.Close();
        std::string next = NextRecordFileName(target.logFileName);
        if (next == target.logFileName) return false;
        target.headerBlockPending = true;
        target.logFileName = std::move(next);
        recovered = false;
    }
}

// --- reading the rows back ---

namespace {

constexpr int kTransponderCells = 5 + 3 * kPageCount;

// The text of one cell line, with its ss:Index (0 when it has none).
struct CellLine {
    int index = 0;
    std::string text;
};

std::string Unescaped(std::string_view text) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool replaced = false;
        for (const auto& [entity, c] : kEntities) {
            if (text.substr(i).starts_with(entity)) {
                out += c;
                i += entity.size() - 1;
                replaced = true;
                break;
            }
        }
        if (!replaced) out += text[i];
    }
    return out;
}

std::optional<CellLine> ParseCellLine(std::string_view line) {
    static constexpr std::string_view kData = R"(<Data ss:Type="String">)";
    static constexpr std::string_view kDataEnd = "</Data></Cell>";
    const std::size_t data = line.find(kData);
    const std::size_t end = line.rfind(kDataEnd);
    if (!line.starts_with("    <Cell") || data == std::string_view::npos ||
        end == std::string_view::npos || end < data) {
        return std::nullopt;
    }
    CellLine cell;
    const std::size_t index = line.find(R"(ss:Index=")");
    if (index != std::string_view::npos && index < data) cell.index = Atol(line.substr(index + 10));
    cell.text = Unescaped(line.substr(data + kData.size(), end - data - kData.size()));
    return cell;
}

std::string HexDigitsOnly(std::string_view text) {
    std::string digits;
    for (char c : text) {
        if (IsHexDigit(c)) digits += c;
    }
    return digits;
}

std::string CarrierIdIn(const RecordedTransponder& row, std::int64_t offset, std::int64_t length) {
    const std::string hex = HexDigitsOnly(row.pages[0]) + HexDigitsOnly(row.pages[1]);
    const CarrierIdSpan span = SpanOf(offset, length);
    if (hex.size() < 2 * static_cast<std::size_t>(span.end)) return {};
    return PageCodec::HexDigitsToBytes(hex).substr(static_cast<std::size_t>(span.first),
                                                   static_cast<std::size_t>(span.end - span.first));
}

// What the rows so far said: the block's carrier ID area.
struct SheetState {
    std::optional<std::int64_t> offset, length;
};

void TakeRow(const std::vector<CellLine>& cells, std::int64_t number, SheetState& state,
             std::vector<RecordedTransponder>& rows) {
    if (cells.size() == 2 && cells[0].index == 1) {
        if (cells[0].text == "Carrier ID Offset:") state.offset = Atol(cells[1].text);
        if (cells[0].text == "Carrier ID Length:") state.length = Atol(cells[1].text);
        return;
    }
    const bool plain = std::all_of(cells.begin(), cells.end(),
                                   [](const CellLine& c) { return c.index == 0; });
    if (!plain || cells.size() != static_cast<std::size_t>(kTransponderCells)) return;
    RecordedTransponder row;
    row.row = number;
    row.uid = cells[3].text;
    for (std::size_t p = 0; p < static_cast<std::size_t>(kPageCount); ++p) {
        row.pages[p] = cells[5 + 3 * p].text;
    }
    if (state.offset && state.length) row.carrierId = CarrierIdIn(row, *state.offset, *state.length);
    rows.push_back(std::move(row));
}

}  // namespace

RecordedRows ReadRecordRows(const fs::path& path) {
    RecordedRows result;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {  // a pipe or device would block or never end
        result.error = "The record file \"" + MessagePath(path) + "\" is not a regular file.";
        return result;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.error = "The record file \"" + MessagePath(path) + "\" cannot be read: " +
                       std::strerror(errno) + ".";
        return result;
    }
    SheetState state;
    std::vector<CellLine> cells;
    std::int64_t number = 0;
    bool inRow = false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == "   <Row>") {
            inRow = true;
            ++number;
            cells.clear();
        } else if (line == "   </Row>" && inRow) {
            inRow = false;
            TakeRow(cells, number, state, result.rows);
        } else if (inRow) {
            if (auto cell = ParseCellLine(line)) cells.push_back(std::move(*cell));
        }
    }
    result.ok = true;
    return result;
}

}  // namespace tagwright
