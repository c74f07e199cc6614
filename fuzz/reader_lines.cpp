// Reader input: the lines, and how each is judged, do not depend on how the
// bytes arrive in reads; a line never exceeds the buffer; a reply is judged
// only on its bytes before the first NUL.

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "FuzzCheck.h"
#include "core/reader/LineAssembler.h"
#include "core/reader/ReaderLink.h"

using namespace tagwright;

namespace {

bool operator==(const JudgedReply& a, const JudgedReply& b) {
    return a.good == b.good && a.cut == b.cut;
}

void CheckLine(const AssembledLine& line) {
    FUZZ_REQUIRE(line.text.ends_with("\r\n"));
    FUZZ_REQUIRE(line.text.size() <= LineAssembler::kMaxLineBytes + 2);
    FUZZ_REQUIRE(line.text.find('\r') == line.text.size() - 2);
    const std::string_view text = line.text;
    const std::string_view beforeNul = text.substr(0, text.find('\0'));
    for (ReplyKind kind : {ReplyKind::PageData, ReplyKind::Ack, ReplyKind::Uid}) {
        const JudgedReply whole = JudgeReply(kind, text);
        FUZZ_REQUIRE(whole == JudgeReply(kind, beforeNul));
        if (whole.good && kind != ReplyKind::Ack) FUZZ_REQUIRE(AllHex(whole.cut));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::vector<std::size_t> chunks(in.ConsumeIntegralInRange<std::size_t>(0, 16));
    for (std::size_t& c : chunks) c = in.ConsumeIntegralInRange<std::size_t>(1, 300);
    const std::string bytes = in.ConsumeRemainingBytesAsString();

    std::vector<AssembledLine> whole;
    LineAssembler one;
    one.Feed(bytes, whole);

    std::vector<AssembledLine> pieces;
    LineAssembler many;
    std::string_view rest = bytes;
    for (std::size_t i = 0; !rest.empty(); ++i) {
        const std::size_t n = chunks.empty() ? 1 : chunks[i % chunks.size()];
        many.Feed(rest.substr(0, n), pieces);
        rest.remove_prefix(std::min(n, rest.size()));
    }
    FUZZ_REQUIRE(whole.size() == pieces.size());
    for (std::size_t i = 0; i < whole.size(); ++i) {
        FUZZ_REQUIRE(whole[i].text == pieces[i].text && whole[i].dropped == pieces[i].dropped);
        CheckLine(whole[i]);
    }
    FUZZ_REQUIRE(one.PendingBytes() == many.PendingBytes());

    // After Reset nothing of the line begun reaches the next one.
    many.Reset();
    FUZZ_REQUIRE(many.PendingBytes() == 0);
    std::vector<AssembledLine> next;
    many.Feed("ACK\r", next);
    FUZZ_REQUIRE(next.size() == 1 && next[0].text == "ACK\r\n");
    return 0;
}
