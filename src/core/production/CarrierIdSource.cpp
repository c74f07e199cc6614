#include "core/production/CarrierIdSource.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <optional>
#include <vector>

#include "core/domain/Hex.h"
#include "core/base/AtomicFile.h"
#include "core/base/CText.h"
#include "core/domain/ByteText.h"
#include "core/config/ParameterSet.h"
#include "core/app/Station.h"

namespace tagwright {

namespace {

// The bytes [first, end) of the carrier ID area that offset and length
// cover. A set file edited by hand can hold any numbers; only what lies
// inside the area is ever addressed.
struct AreaSpan {
    std::int64_t offset = 0;
    std::int64_t length = 0;
    int first = 0;
    int end = 0;
};

AreaSpan SpanOf(const ParameterSet& set) {
    AreaSpan s;
    s.offset = Atol(set.carrierIdOffset);
    s.length = Atol(set.carrierIdLength);
    if (s.length <= 0) return s;
    const std::int64_t lo = std::clamp<std::int64_t>(s.offset, 0, kCarrierIdBytes);
    const std::int64_t hi = std::clamp<std::int64_t>(s.offset + s.length, 0, kCarrierIdBytes);
    if (hi > lo) {
        s.first = static_cast<int>(lo);
        s.end = static_cast<int>(hi);
    }
    return s;
}

// Page 1 or 2 as its field shows it: the set's byte texts, joined by blanks.
std::string AreaPageText(const ParameterSet& set, int page, PageFormat format) {
    const auto& texts = format == PageFormat::Ascii ? set.ascii : set.hex;
    std::string text;
    for (int i = 0; i < kPageBytes; ++i) {
        if (i > 0) text += ' ';
        text += texts[static_cast<std::size_t>((page - 1) * kPageBytes + i)];
    }
    return text;
}

// One step of a spin control, wrapping at both ends.
std::uint64_t Step(std::uint64_t v, std::uint64_t limit, int delta) {
    if (delta > 0) return v > 0 ? v - 1 : limit;
    return v < limit ? v + 1 : 0;
}

std::string Clamped(std::string_view text, std::uint64_t limit) {
    return FormatU64(std::min(ParseU64(text), limit));
}

// --- list file lines ---

struct Line {
    std::size_t begin = 0;
    std::string_view text;
};

// The entry lines the scan looks at: from the second line up to the first
// empty one (or the end). None when the header is missing.
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
            if (line.empty()) break;
            lines.push_back({pos, line});
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

}  // namespace

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

std::uint64_t CounterLimit(const Station& station) {
    return CounterLimit(Atol(station.currentSet.carrierIdLength));
}

void StepNext(Station& station, int delta) {
    MainView& view = station.View();
    view.TakeFieldValues();
    const std::uint64_t v = Step(ParseU64(station.nextFieldText), CounterLimit(station), delta);
    station.currentCarrierId = FormatU64(v);
    station.nextFieldText = station.currentCarrierId;
    view.ShowFieldValues();
    ComposeDataSet(station);
}

void CommitNext(Station& station) {
    MainView& view = station.View();
    view.TakeFieldValues();
    station.currentCarrierId = Clamped(station.nextFieldText, CounterLimit(station));
    station.nextFieldText = station.currentCarrierId;
    view.ShowFieldValues();
    ComposeDataSet(station);
}

void StepMax(Station& station, int delta) {
    MainView& view = station.View();
    view.TakeFieldValues();
    std::string& max = station.settings.carrierIdMax;
    max = FormatU64(Step(ParseU64(max), CounterLimit(station), delta));
    view.ShowFieldValues();
}

void CommitMax(Station& station) {
    MainView& view = station.View();
    view.TakeFieldValues();
    std::string& max = station.settings.carrierIdMax;
    max = Clamped(max, CounterLimit(station));
    view.ShowFieldValues();
}

void ComposeCarrierId(ParameterSet& set, std::string_view carrierId) {
    const AreaSpan span = SpanOf(set);
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

void ComposeDataSet(Station& station) {
    MainView& view = station.View();
    view.TakeFieldValues();
    ComposeCarrierId(station.currentSet, station.currentCarrierId);
    const PageFormat format = station.image.format;
    for (int page = 1; page <= 2; ++page) {
        station.image.FieldText(page) = AreaPageText(station.currentSet, page, format);
    }
    view.ShowFieldValues();
}

bool PrepareCounterDataSet(Station& station, std::uint64_t& value) {
    value = ParseU64(station.currentCarrierId);
    const std::uint64_t limit =
        std::min(CounterLimit(station), ParseU64(station.settings.carrierIdMax));
    if (value > limit) {
        station.Tell(kMaximumReachedMessage);
        return false;
    }
    ComposeDataSet(station);
    return true;
}

void AdvanceCounter(Station& station, std::uint64_t preparedValue) {
    station.currentCarrierId = FormatU64(preparedValue + 1);
    station.nextFieldText = station.currentCarrierId;
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

std::string FirstOpenEntry(std::string_view text) {
    for (const Line& line : EntryLines(text)) {
        if (!EntryDone(line.text)) return std::string(EntryId(line.text));
    }
    return {};
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

std::string ReadNextCsvEntry(Station& station) {
    MainView& view = station.View();
    view.TakeFieldValues();
    std::string result;
    const std::optional<std::string> raw =
        ReadWholeFile(std::filesystem::path(station.currentSet.csvFileName));
    if (raw) result = FirstOpenEntry(NormaliseLineEnds(*raw));
    view.ShowFieldValues();
    return result;
}

void NextDataSet(Station& station) {
    const std::string id = ReadNextCsvEntry(station);
    MainView& view = station.View();
    view.TakeFieldValues();
    station.FailureCount = 0;
    const std::int32_t length = Atol(station.currentSet.carrierIdLength);
    if (!id.empty() && length > 0 && id.size() == static_cast<std::size_t>(length)) {
        station.currentCarrierId = id;
        ComposeDataSet(station);
        station.nextFieldText = station.currentCarrierId;
    } else {
        ++station.FailureCount;
        station.Tell(kWrongListFormatMessage);
    }
    view.ShowFieldValues();
}

bool MarkCsvEntryDone(Station& station, std::string_view id, CsvMarkResult* result,
                      std::string* error) {
    MainView& view = station.View();
    view.TakeFieldValues();
    const std::filesystem::path path(station.currentSet.csvFileName);
    CsvMarkResult outcome = CsvMarkResult::Marked;
    if (std::optional<std::string> raw = ReadWholeFile(path); !raw) {
        outcome = CsvMarkResult::Unreadable;
    } else {
        std::string text = NormaliseLineEnds(*raw);
        // Nothing to mark: the file is left exactly as it is.
        if (!MarkEntryInText(text, id)) {
            outcome = CsvMarkResult::NotFound;
        } else if (!WriteFileAtomically(path, text, error)) {
            outcome = CsvMarkResult::WriteFailed;
        }
    }
    view.ShowFieldValues();
    if (result != nullptr) *result = outcome;
    return outcome == CsvMarkResult::Marked;
}

void CurrentDataSetProcessed(Station& station) {
    station.View().TakeFieldValues();
    // Rebuilt from the bytes that went to the transponder, not from
    // currentCarrierId.
    const ParameterSet& set = station.currentSet;
    const AreaSpan span = SpanOf(set);
    std::string id;
    for (int k = span.first; k < span.end; ++k) {
        const std::string& text = set.ascii[static_cast<std::size_t>(k)];
        if (!text.empty()) id += text.front();
    }

    CsvMarkResult result = CsvMarkResult::Marked;
    std::string error;
    if (MarkCsvEntryDone(station, id, &result, &error)) return;

    const std::string programmed = "The carrier ID " + id + " has been programmed, but ";
    const std::string listFile = "\"" + set.csvFileName + "\"";
    std::string text;
    switch (result) {
        case CsvMarkResult::Unreadable:
            text = programmed + "the carrier ID list file " + listFile +
                   " cannot be read, so it could not be marked as done.\r\n"
                   "The next cycle will offer the same carrier ID again.";
            break;
        case CsvMarkResult::WriteFailed:
            text = programmed + "it could not be marked as done in the carrier ID list file.\r\n" +
                   error +
                   "\r\nThe next cycle will offer the same carrier ID again: mark it as done "
                   "in the list file before you go on.";
            break;
        case CsvMarkResult::NotFound:
        case CsvMarkResult::Marked:
            text = programmed + "the carrier ID list file " + listFile +
                   " holds no open entry for it, so it could not be marked as done.\r\n"
                   "Check the list file before you go on: the next cycle may offer the same "
                   "carrier ID again.";
            break;
    }
    station.Tell(std::move(text));
}

}  // namespace tagwright
