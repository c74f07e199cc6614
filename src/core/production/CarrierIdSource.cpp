#include "core/production/CarrierIdSource.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <vector>

#include "core/base/AtomicFile.h"
#include "core/base/CText.h"
#include "core/domain/ByteText.h"
#include "core/domain/Hex.h"

namespace tagwright {

namespace {

// One step of a spin control, wrapping at both ends.
std::uint64_t Step(std::uint64_t v, std::uint64_t limit, int delta) {
    if (delta > 0) return v > 0 ? v - 1 : limit;
    return v < limit ? v + 1 : 0;
}

// --- list file lines ---

struct Line {
    std::size_t begin = 0;
    std::string_view text;
    int number = 0;  // 1 is the header
};

// The entry lines the scan looks at: every line after the first that is not
// empty (a stray blank line does not hide the entries below it). None when
// the header is missing.
std::vector<Line> EntryLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    for (std::size_t index = 0;; ++index) {
        if (pos > text.size()) break;
        const std::size_t cut = text.find("\r\n", pos);
        const std::size_t stop = cut == std::string_view::npos ? text.size() : cut;
        const std::string_view line = text.substr(pos, stop - pos);
        if (index == 0) {
            if (line.find("Carrier ID;") == std::string_view::npos ||
                line.find("done;") == std::string_view::npos) {
                return {};
            }
        } else {
            if (!line.empty()) lines.push_back({pos, line, static_cast<int>(index) + 1});
        }
        if (cut == std::string_view::npos) break;
        pos = cut + 2;
    }
    return lines;
}

std::string_view EntryId(std::string_view line) {
    const std::size_t semi = line.find(';');
    return semi == std::string_view::npos ? std::string_view{} : line.substr(0, semi);
}

bool EntryDone(std::string_view line) {
    const std::size_t first = line.find(';');
    if (first == std::string_view::npos) return false;
    const std::size_t second = line.find(';', first + 1);
    if (second == std::string_view::npos) return false;
    return line.substr(first + 1, second - first - 1) == "X";
}

bool HasDoneEntry(std::string_view text, std::string_view id) {
    for (const Line& line : EntryLines(text)) {
        if (EntryDone(line.text) && EntryId(line.text) == id) return true;
    }
    return false;
}

// An exclusive lock on the list file, so that stations sharing it take and
// mark one after the other. The file is replaced by a rename, so a lock won
// on a file that was replaced meanwhile guards nothing: then it is taken
// again on the new one. Not held (the read then says why) when the path is
// no regular file that can be opened.
class ListFileLock {
public:
    explicit ListFileLock(const std::filesystem::path& path) {
        for (int attempt = 0; attempt < 1000 && fd_ < 0; ++attempt) {
            // O_NONBLOCK: opening a FIFO must not wait for a writer.
            const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
            if (fd < 0) return;
            struct stat locked{};
            if (::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode)) {
                ::close(fd);
                return;
            }
            int rc = 0;
            do rc = ::flock(fd, LOCK_EX); while (rc != 0 && errno == EINTR);
            struct stat now{};
            if (rc == 0 && ::stat(path.c_str(), &now) == 0 && now.st_dev == locked.st_dev &&
                now.st_ino == locked.st_ino) {
                fd_ = fd;
            } else {
                ::close(fd);
                if (rc != 0) return;
            }
        }
    }
    ~ListFileLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    ListFileLock(const ListFileLock&) = delete;
    ListFileLock& operator=(const ListFileLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace

// --- the carrier ID area ---

CarrierIdSpan SpanOf(std::int64_t offset, std::int64_t length) {
    CarrierIdSpan s;
    s.offset = offset;
    s.length = length;
    if (length <= 0) return s;
    // Computed in 64 bits from 32-bit inputs: the sum cannot overflow.
    const std::int64_t lo = std::clamp<std::int64_t>(offset, 0, kCarrierIdBytes);
    const std::int64_t hi = std::clamp<std::int64_t>(offset + length, 0, kCarrierIdBytes);
    if (hi > lo) {
        s.first = static_cast<int>(lo);
        s.end = static_cast<int>(hi);
    }
    return s;
}

CarrierIdSpan SpanOf(const ParameterSet& set) {
    return SpanOf(Atol(set.carrierIdOffset), Atol(set.carrierIdLength));
}

std::string SetPageText(const ParameterSet& set, int page, PageFormat format) {
    const auto& bytes = format == PageFormat::Ascii ? set.ascii : set.hex;
    std::string text;
    for (int i = 0; i < kPageBytes; ++i) {
        if (i > 0) text += ' ';
        text += bytes.at(static_cast<std::size_t>((page - 1) * kPageBytes + i));
    }
    return text;
}

void ComposeCarrierId(ParameterSet& set, std::string_view carrierId) {
    const CarrierIdSpan span = SpanOf(set);
    // Padding is computed, not built: the length may be any number.
    const std::int64_t size = static_cast<std::int64_t>(carrierId.size());
    const std::int64_t pad = std::max<std::int64_t>(0, span.length - size);
    for (int k = span.first; k < span.end; ++k) {
        const std::int64_t i = k - span.offset;  // 0 <= i < length
        const char c = i < pad ? '0' : carrierId[static_cast<std::size_t>(i - pad)];
        const auto byte = static_cast<std::size_t>(k);
        set.hex[byte] = HexByte(static_cast<unsigned char>(c));
        set.ascii[byte] = ByteText::ByteToAscii(static_cast<unsigned char>(c));
    }
}

std::string ComposedCarrierId(const ParameterSet& set) {
    const CarrierIdSpan span = SpanOf(set);
    std::string id;
    for (int k = span.first; k < span.end; ++k) {
        const std::string& text = set.ascii[static_cast<std::size_t>(k)];
        if (!text.empty()) id += text.front();
    }
    return id;
}

// --- the decimal counter ---

std::uint64_t CounterLimit(int length) {
    if (length <= 0) return 0;
    if (length > std::numeric_limits<std::uint64_t>::digits10) {
        return std::numeric_limits<std::uint64_t>::max();
    }
    std::uint64_t power = 1;
    for (int i = 0; i < length; ++i) power *= 10;
    return power - 1;
}

std::uint64_t CounterLimit(const ParameterSet& set) {
    return CounterLimit(Atol(set.carrierIdLength));
}

std::string StepCounterText(std::string_view text, std::uint64_t limit, int delta) {
    return FormatU64(Step(ParseU64(text), limit, delta));
}

std::string ClampCounterText(std::string_view text, std::uint64_t limit) {
    return FormatU64(std::min(ParseU64(text), limit));
}

std::uint64_t CounterCeiling(const ParameterSet& set, std::string_view max) {
    return std::min(CounterLimit(set), ParseU64(max));
}

std::optional<std::uint64_t> CounterValueToProgram(std::string_view current,
                                                   const ParameterSet& set,
                                                   std::string_view max) {
    const std::uint64_t value = ParseU64(current);
    if (value > CounterCeiling(set, max)) return std::nullopt;
    return value;
}

// --- the carrier ID list file ---

std::string NormaliseLineEnds(std::string_view raw) {
    std::string out;
    out.reserve(raw.size() + raw.size() / 16);
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

ListEntry FirstOpenListEntry(std::string_view text) {
    for (const Line& line : EntryLines(text)) {
        if (!EntryDone(line.text)) return {std::string(EntryId(line.text)), line.number};
    }
    return {};
}

std::string FirstOpenEntry(std::string_view text) {
    return FirstOpenListEntry(text).id;
}

bool IsCarrierIdCharacter(char c) {
    // Printable ASCII without the blank; the markup characters would break
    // the record file and host messages that carry the ID.
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x21 || u > 0x7E) return false;
    return std::string_view("<>&\"'").find(c) == std::string_view::npos;
}

std::string RefusedListEntryMessage(const ListEntry& entry) {
    if (std::all_of(entry.id.begin(), entry.id.end(), IsCarrierIdCharacter)) return {};
    return "The carrier ID in line " + std::to_string(entry.line) +
           " of the carrier ID list file holds a character that a carrier ID must not "
           "hold (a control character, a blank, a byte above 0x7E, or one of < > & \" ').";
}

std::size_t CountOpenEntries(std::string_view text) {
    std::size_t open = 0;
    for (const Line& line : EntryLines(text)) open += EntryDone(line.text) ? 0 : 1;
    return open;
}

bool MarkEntryInText(std::string& text, std::string_view id) {
    if (id.empty()) return false;
    for (const Line& line : EntryLines(text)) {
        if (EntryDone(line.text) || EntryId(line.text) != id) continue;
        // The ID field equals id, so the line's first ";" follows it directly.
        text.insert(line.begin + id.size() + 1, "X;");
        return true;
    }
    return false;
}

std::string ReadFirstOpenEntry(const std::filesystem::path& list, std::string* error) {
    std::string reason;
    const std::optional<std::string> raw = ReadWholeFile(list, &reason);
    if (!raw) {
        if (error != nullptr) *error = reason;
        return {};
    }
    const ListEntry entry = FirstOpenListEntry(NormaliseLineEnds(*raw));
    reason = RefusedListEntryMessage(entry);
    if (reason.empty()) return entry.id;
    if (error != nullptr) *error = reason;
    return {};
}

std::optional<std::size_t> ReadOpenEntryCount(const std::filesystem::path& list) {
    const std::optional<std::string> raw = ReadWholeFile(list);
    if (!raw) return std::nullopt;
    return CountOpenEntries(NormaliseLineEnds(*raw));
}

bool EntryFitsSet(std::string_view id, const ParameterSet& set) {
    const std::int32_t length = Atol(set.carrierIdLength);
    return !id.empty() && length > 0 && id.size() == static_cast<std::size_t>(length);
}

std::string TakeFirstOpenEntry(const std::filesystem::path& list, const ParameterSet& set,
                               std::string* error, bool* usedUp) {
    const ListFileLock lock(list);
    std::string reason;
    const std::optional<std::string> raw = ReadWholeFile(list, &reason);
    if (!raw) {
        if (error != nullptr) *error = reason;
        return {};
    }
    std::string text = NormaliseLineEnds(*raw);
    const ListEntry entry = FirstOpenListEntry(text);
    if (usedUp != nullptr) *usedUp = entry.id.empty() && entry.line == 0;
    reason = RefusedListEntryMessage(entry);
    if (reason.empty() && !EntryFitsSet(entry.id, set)) return {};
    // Not marked, not taken: an ID is never programmed twice.
    if (reason.empty() && MarkEntryInText(text, entry.id) &&
        WriteFileAtomically(list, text, &reason)) {
        return entry.id;
    }
    if (error != nullptr) *error = reason;
    return {};
}

CsvMarkResult MarkEntryInFile(const std::filesystem::path& list, std::string_view id,
                              std::string* error) {
    const ListFileLock lock(list);
    const std::optional<std::string> raw = ReadWholeFile(list);
    if (!raw) return CsvMarkResult::Unreadable;
    std::string text = NormaliseLineEnds(*raw);
    // Nothing to mark: the file is left exactly as it is. An entry that its
    // take marked already is what the cycle expects; marking on would hit a
    // later entry with the same ID, which then would never be reported.
    if (!id.empty() && HasDoneEntry(text, id)) return CsvMarkResult::Marked;
    if (!MarkEntryInText(text, id)) return CsvMarkResult::NotFound;
    if (!WriteFileAtomically(list, text, error)) return CsvMarkResult::WriteFailed;
    return CsvMarkResult::Marked;
}

std::string MarkFailureMessage(CsvMarkResult result, std::string_view id,
                               std::string_view listName, std::string_view error) {
    const std::string programmed = "The carrier ID " + std::string(id) + " has been programmed, but ";
    const std::string listFile = "\"" + std::string(listName) + "\"";
    switch (result) {
        case CsvMarkResult::Unreadable:
            return programmed + "the carrier ID list file " + listFile +
                   " cannot be read, so it could not be marked as done.\r\n"
                   "The next cycle will offer the same carrier ID again.";
        case CsvMarkResult::WriteFailed:
            return programmed + "it could not be marked as done in the carrier ID list file.\r\n" +
                   std::string(error) +
                   "\r\nThe next cycle will offer the same carrier ID again: mark it as done "
                   "in the list file before you go on.";
        case CsvMarkResult::NotFound:
        case CsvMarkResult::Marked:
            break;
    }
    return programmed + "the carrier ID list file " + listFile +
           " holds no open entry for it, so it could not be marked as done.\r\n"
           "Check the list file before you go on: the next cycle may offer the same "
           "carrier ID again.";
}

}  // namespace tagwright
