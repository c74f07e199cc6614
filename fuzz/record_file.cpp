// Record files: an append to a damaged or foreign file either fails or
// leaves a well-formed file (checked with libxml2), and never loses a
// complete row that the file held.

#include <fuzzer/FuzzedDataProvider.h>
#include <libxml/parser.h>

#include <vector>

#include "FuzzCheck.h"
#include "core/base/AtomicFile.h"
#include "core/production/RecordFile.h"

using namespace tagwright;
namespace fs = std::filesystem;

namespace {

const ParameterSet& Set() {
    static const ParameterSet set = [] {
        ParameterSet s;
        s.partNumber = "P<1>&\xFC";
        s.logEnabled = true;
        return s;
    }();
    return set;
}

bool Append(const fs::path& path, bool block) {
    static const TransponderImage image;
    RecordTarget target{path.string(), path.parent_path(), block};
    const RecordInput input{"set", Set(), image, "1A2B3C4D", LocalTime{2026, 12, 7, 8, 0, 0}};
    return AppendRecord(target, input) && target.logFileName == path.string();
}

// A record file of ours with a parameter block and two rows.
const std::string& GoodFile() {
    static const std::string text = [] {
        fuzz::EmptyScratchDir();
        const fs::path path = fuzz::ScratchDir() / "good.xml";
        FUZZ_REQUIRE(Append(path, true) && Append(path, false) && Append(path, false));
        return ReadWholeFile(path).value_or("");
    }();
    return text;
}

// The length of the complete row at pos, or 0.
std::size_t RowAt(std::string_view text, std::size_t pos) {
    if (text.substr(pos, kRecordRowOpen.size()) != kRecordRowOpen) return 0;
    std::size_t at = pos + kRecordRowOpen.size();
    for (;;) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string_view::npos) return 0;
        const std::string_view line = text.substr(at, end + 2 - at);
        if (line == kRecordRowClose) return end + 2 - pos;
        if (!IsRecordCellLine(line)) return 0;
        at = end + 2;
    }
}

// The unbroken run of complete rows after our head, in order: what a
// cut-short append leaves sound. Rows after something else are not rows.
std::vector<std::string> Rows(std::string_view text) {
    std::vector<std::string> rows;
    const std::optional<std::size_t> start = RowsStartOfOurHead(text);
    if (!start) return rows;
    std::size_t pos = *start;
    while (const std::size_t n = RowAt(text, pos)) {
        rows.emplace_back(text.substr(pos, n));
        pos += n;
    }
    return rows;
}

bool KeepsInOrder(const std::string& text, const std::vector<std::string>& rows) {
    std::size_t pos = 0;
    for (const std::string& row : rows) {
        pos = text.find(row, pos);
        if (pos == std::string::npos) return false;
        pos += row.size();
    }
    return true;
}

bool WellFormed(const std::string& text) {
    xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "record.xml",
                                  "ISO-8859-1", XML_PARSE_NONET | XML_PARSE_NOERROR |
                                                    XML_PARSE_NOWARNING | XML_PARSE_HUGE);
    if (doc == nullptr) return false;
    xmlFreeDoc(doc);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    const std::string& good = GoodFile();
    FuzzedDataProvider in(data, size);
    const int mode = in.ConsumeIntegralInRange(0, 2);
    const std::size_t cut = in.ConsumeIntegralInRange<std::size_t>(0, good.size());
    const std::string junk = in.ConsumeRemainingBytesAsString();
    std::string before;
    if (mode == 0) before = good.substr(0, cut) + junk;                     // cut short
    if (mode == 1) before = good.substr(0, cut) + junk + good.substr(cut);  // damaged inside
    if (mode == 2) before = junk;                                           // anything

    fuzz::EmptyScratchDir();
    const fs::path path = fuzz::ScratchDir() / "record.xml";
    FUZZ_REQUIRE(WriteFileAtomically(path, before));
    const bool appended = Append(path, false);
    const std::string after = ReadWholeFile(path).value_or("");
    FUZZ_REQUIRE(KeepsInOrder(after, Rows(before)));
    // A file that is not ours is never touched.
    if (!before.empty() && !RowsStartOfOurHead(before)) FUZZ_REQUIRE(!appended && after == before);
    if (appended) {
        // A cut-short tail is the append's to mend. Damage before a line
        // that closes the table is not: the append reads only the tail.
        const bool tailOnly = mode == 0 && junk.find(kRecordTableEnd) == std::string::npos;
        if (tailOnly || WellFormed(before)) FUZZ_REQUIRE(WellFormed(after));
        // After a mended tail the new row extends the unbroken run.
        if (tailOnly) FUZZ_REQUIRE(Rows(after).size() > Rows(before).size());
    }
    return 0;
}
