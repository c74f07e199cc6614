#include "reader-sim/ReaderLogic.h"

#include <vector>

#include "reader-sim/TransponderFile.h"

namespace tagwright::sim {
namespace {

const char kNoRead[] = "No Read";
const char kAck[] = "ACK";
const char kRefused[] = "NAK";
const char kMalformed[] = "ERR";

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::string Upper(std::string_view word) {
    std::string out(word);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// Page numbers 1 to 17 in decimal, one or two digits; -1 otherwise.
int PageIndex(std::string_view word) {
    if (word.empty() || word.size() > 2) return -1;
    int n = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return (n >= 1 && n <= kPages) ? n - 1 : -1;
}

Answer Write(int i, const std::array<std::uint8_t, 8>& data, Options& o) {
    Transponder& t = o.transponder;
    Faults& f = o.faults;
    if (!o.present) return {o.noTagReply};
    if (t.locked[i]) return {o.lockedWriteReply};
    Answer a{kAck};
    if (!f.dropWrite[i]) {
        t.pages[i] = data;
        if (f.flipWrite[i]) t.pages[i][7] ^= 0x01;
        a.changed = true;
    }
    if (f.removeAfterPage == i + 1) {
        o.present = false;
        f.removeAfterPage = 0;
    }
    return a;
}

Answer Lock(int i, Options& o) {
    Transponder& t = o.transponder;
    if (!o.present) return {o.noTagReply};
    if (o.faults.fakeLock[i]) return {kAck};
    const bool changed = !t.locked[i];
    t.locked[i] = true;
    if (o.faults.leaveAfterLock == i + 1) {
        o.present = false;
        o.faults.leaveAfterLock = 0;
    }
    return {kAck, false, changed};
}

Answer AnswerCommand(std::string_view line, Options& o) {
    const std::vector<std::string_view> w = Words(line);
    const std::string key = w.empty() ? std::string() : Upper(w[0]);
    const Transponder& t = o.transponder;
    if (w.size() == 1 && key == "TOR") return {std::to_string(o.torValue)};
    if (w.size() == 1 && key == "RUID") return {o.present ? t.uid : kNoRead};
    const int i = w.size() >= 2 ? PageIndex(w[1]) : -1;
    if (w.size() == 2 && key == "RD") {
        if (i < 0) return {kMalformed};
        return {o.present ? FormatPageHex(t.pages[i]) : kNoRead};
    }
    if (w.size() == 2 && key == "LD") return i < 0 ? Answer{kMalformed} : Lock(i, o);
    if (w.size() == 3 && key == "WD") {
        std::array<std::uint8_t, 8> data{};
        if (i < 0 || !ParsePageHex(w[2], &data)) return {kMalformed};
        return Write(i, data, o);
    }
    return {kMalformed};
}

// The first word of a command line in upper case.
std::string Keyword(std::string_view line) {
    const std::vector<std::string_view> w = Words(line);
    return w.empty() ? std::string() : Upper(w[0]);
}

Answer FailureReply(std::string_view line, bool silently) {
    if (silently) return {"", true};
    const std::string key = Keyword(line);
    if (key == "RD" || key == "RUID") return {kNoRead};
    if (key == "WD" || key == "LD") return {kRefused};
    return {kMalformed};
}

}  // namespace

Answer ReaderLogic::Respond(std::string_view line, Options& o,
                            std::chrono::steady_clock::time_point now) {
    Advance(o, now);
    ++seq_.commandsInPhase;
    if (o.faults.failNext > 0) {
        --o.faults.failNext;
        return FailureReply(line, o.faults.failSilently);
    }
    return AnswerCommand(line, o);
}

std::string ReaderLogic::Bytes(std::string_view command, const Answer& a, const Options& o) {
    std::string text = a.text;
    switch (o.faults.badReply) {
    case BadReply::None: break;
    case BadReply::NulInside: text.insert(text.size() / 2, 1, '\0'); break;
    case BadReply::OverLongLine: text.insert(0, kJunkBytes, 'F'); break;
    case BadReply::ShortPage:
        if (Keyword(command) == "RD" && text.size() == 16) text.resize(14);
        break;
    }
    return text + o.lineEnd;
}

void ReaderLogic::Enter(Options& o, std::size_t index, bool gap,
                        std::chrono::steady_clock::time_point now) {
    std::vector<Transponder>& tags = o.sequence.tags;
    if (seq_.started && !seq_.inGap && seq_.index < tags.size()) tags[seq_.index] = o.transponder;
    seq_.started = true;
    seq_.index = index;
    seq_.inGap = gap;
    seq_.commandsInPhase = 0;
    seq_.phaseStart = now;
    o.present = !gap && index < tags.size();
    if (o.present) o.transponder = tags[index];
}

void ReaderLogic::Advance(Options& o, std::chrono::steady_clock::time_point now) {
    const TagSequence& s = o.sequence;
    if (s.tags.empty()) return;
    if (!seq_.started) Enter(o, 0, false, now);
    for (;;) {
        if (seq_.index >= s.tags.size()) return;  // all laid: the antenna stays empty
        const std::size_t count = seq_.inGap ? s.gapCommands : s.stayCommands;
        const auto time = seq_.inGap ? s.gapTime : s.stayTime;
        const bool over = count > 0 ? seq_.commandsInPhase >= count
                                    : now - seq_.phaseStart >= time;
        if (!over) return;
        const auto end = count > 0 ? now : seq_.phaseStart + time;
        if (seq_.inGap) {
            Enter(o, seq_.index + 1, false, end);
        } else {
            Enter(o, seq_.index, true, end);
        }
    }
}

std::vector<Transponder> ReaderLogic::Tags(const Options& o) const {
    std::vector<Transponder> tags = o.sequence.tags;
    if (seq_.started && !seq_.inGap && seq_.index < tags.size()) tags[seq_.index] = o.transponder;
    return tags;
}

}  // namespace tagwright::sim
