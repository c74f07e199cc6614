#include "core/production/RecordFile.h"

#include <optional>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/base/AtomicFile.h"
#include "core/base/CText.h"
#include "core/base/PosixFile.h"

namespace tagwright {

namespace fs = std::filesystem;

namespace {

// Enough for the head with its column lines.
constexpr std::size_t kHeadWindow = 8192;
constexpr std::size_t kChunk = 1 << 20;
// A line longer than this is none of ours: recovery stops there.
constexpr std::size_t kMaxLine = 16 << 20;

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

enum class CountWrite { Failed, InPlace, Replaced };

// Copies the open file into out from the count on, with new digits in the
// count.
bool CopyWithCount(int fd, int out, std::string_view head, RowCountField field,
                   std::string_view digits) {
    std::string first(head.substr(0, field.begin));
    first += digits;
    if (!PWriteAll(out, first, 0)) return false;
    off_t inPos = static_cast<off_t>(field.end);
    off_t outPos = static_cast<off_t>(first.size());
    for (;;) {
        std::optional<std::string> chunk = PReadUpTo(fd, inPos, kChunk);
        if (!chunk) return false;
        if (chunk->empty()) return true;
        if (!PWriteAll(out, *chunk, outPos)) return false;
        inPos += static_cast<off_t>(chunk->size());
        outPos += static_cast<off_t>(chunk->size());
    }
}

// Writes a copy of the file with new digits in the count and renames it
// over the file. The old file stays until the rename, so a crash leaves one
// of the two whole.
bool RewriteWithCount(int fd, const fs::path& path, std::string_view head, RowCountField field,
                      std::string_view digits, const LocalTime& now) {
    const fs::path target = ReplacementTarget(path);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;

    const std::string temp = TimestampedName(target.string(), now);
    UniqueFd out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!out.Valid()) return false;
    KeepOwnerAndMode(out.Get(), st);
    if (!CopyWithCount(fd, out.Get(), head, field, digits) || !SyncFile(out.Get()) ||
        !out.Close() || ::rename(temp.c_str(), target.c_str()) != 0) {
        (void)out.Close();
        ::unlink(temp.c_str());
        return false;
    }
    SyncDirectoryOf(target);
    return true;
}

// Sets the count of the open file. After Replaced, fd refers to the old,
// no longer named file: reopen the path.
CountWrite WriteRowCount(int fd, const fs::path& path, std::int64_t count, const LocalTime& now) {
    std::optional<std::string> head = PReadUpTo(fd, 0, kRowCountWindow);
    if (!head) return CountWrite::Failed;
    const std::optional<RowCountField> field = FindRowCountField(*head);
    if (!field) return CountWrite::InPlace;  // a file without a count: nothing to keep right
    const std::string digits = FormatInt(count);
    if (digits.size() == field->end - field->begin) {
        if (!PWriteAll(fd, digits, static_cast<off_t>(field->begin)) || !SyncFile(fd)) {
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
bool AddFoot(UniqueFd& fd, const fs::path& path, CountWrite countWrite) {
    if (countWrite == CountWrite::Replaced) {
        fd.Reset(::open(path.c_str(), O_RDWR | O_CLOEXEC));
        if (!fd.Valid()) return false;
    }
    const std::optional<off_t> size = RegularFileSize(fd.Get());
    if (!size) return false;
    return PWriteAll(fd.Get(), RecordFileFoot(), *size) && SyncFile(fd.Get()) && fd.Close();
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
// is written. Each step leaves a file that this recovery mends again, so a
// crash during it is harmless too. Only a file that starts with our head is
// mended this way: anything else is refused untouched.
bool RecoverInterruptedAppend(UniqueFd& fd, const fs::path& path, std::size_t rowsStart,
                              const LocalTime& now) {
    const std::optional<RowRun> run = CompleteRows(fd.Get(), rowsStart);
    if (!run) return false;
    if (::ftruncate(fd.Get(), run->end) != 0 || !SyncFile(fd.Get())) return false;
    const CountWrite countWrite = WriteRowCount(fd.Get(), path, run->rows, now);
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
    content += RecordFileFoot();
    return WriteFileAtomically(path, content);
}

// The rows replace the foot; the file stays without one until the count
// covers them (see RecoverInterruptedAppend).
bool AppendRows(UniqueFd& fd, const fs::path& path, off_t foot, std::int64_t old,
                RecordTarget& target, const RecordInput& input) {
    std::string rows;
    std::int64_t added = 1;
    if (target.headerBlockPending) {
        rows = ParameterBlockRows(input.setName, input.set);
        added += ParameterBlockRowCount(input.set);
    }
    rows += TransponderRow(input);

    const off_t end = foot + static_cast<off_t>(rows.size());
    if (!PWriteAll(fd.Get(), rows, foot) || ::ftruncate(fd.Get(), end) != 0 ||
        !SyncFile(fd.Get())) {
        // Put the foot back; should that fail as well, the next append
        // mends the file.
        const std::string_view tail = RecordFileFoot();
        if (PWriteAll(fd.Get(), tail, foot) &&
            ::ftruncate(fd.Get(), foot + static_cast<off_t>(tail.size())) == 0) {
            (void)SyncFile(fd.Get());
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
                    const LocalTime& now) {
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC));
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
        UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
        if (!fd.Valid()) return false;
        const std::optional<off_t> size = RegularFileSize(fd.Get());
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
        // Not ours: never touched.
        const std::optional<std::size_t> rowsStart = RowsStartOfOurHead(*head);
        if (!rowsStart) return false;
        const std::optional<off_t> foot = FindFoot(fd.Get(), *size, *rowsStart);
        if (!foot) {
            // Our own cut-short append is mended once, then looked at afresh.
            if (recovered) return false;
            if (!RecoverInterruptedAppend(fd, path, *rowsStart, input.time)) return false;
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

}  // namespace tagwright
