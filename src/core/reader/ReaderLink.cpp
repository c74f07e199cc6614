#include "core/reader/ReaderLink.h"

#include <array>
#include <chrono>
#include <climits>

#include "core/domain/Hex.h"

namespace tagwright {

namespace {

constexpr std::string_view kNoRead = "No Read";
constexpr std::array<std::string_view, 3> kFailureMarkers{kNoRead, "#09", "XXXXXXXX"};

std::string Num(int n) { return std::to_string(n); }

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

std::string TimingCommand() { return "TOR\r"; }

std::string ReadPageCommand(int page) { return "RD " + Num(page) + "\r"; }

std::string ReadPageLogLine(int page) {
    return "RD " + Num(page) + " // Read page " + Num(page) + "\r\n";
}

std::string WritePageCommand(int page, std::string_view digits) {
    return "WD " + Num(page) + " " + std::string(digits) + "\r";
}

std::string WritePageLogLine(int page, std::string_view digits) {
    // No blank before the slashes: the command is followed at once by them.
    return "WD " + Num(page) + " " + std::string(digits) + "// Write page " + Num(page) + "\r\n";
}

std::string LockPageCommand(int page) { return "LD " + Num(page) + "\r"; }

std::string LockPageLogLine(int page) {
    return "LD " + Num(page) + " // Lock page " + Num(page) + "\r\n";
}

std::string ReadUidCommand() { return "RUID\r"; }

std::string ReadUidLogLine() { return "RUID // Read UID\r\n"; }

bool HasFailureMarker(std::string_view text) {
    for (const auto marker : kFailureMarkers) {
        if (text.find(marker) != std::string_view::npos) return true;
    }
    return false;
}

std::string RetryNote(int repeat, int retries) {
    return "(retry " + Num(repeat) + " of " + Num(retries) + ")\r\n";
}

bool CallsForRetry(const ExchangeReply& reply) {
    if (!reply.sent) return false;  // a port that cannot send does not heal by sending again
    const std::string_view text = std::string_view(reply.text).substr(0, reply.text.find('\0'));
    return text.empty() || HasFailureMarker(text);
}

bool ProofCallsForRetry(const ExchangeReply& reply) {
    if (!reply.sent) return false;
    const std::string_view text = std::string_view(reply.text).substr(0, reply.text.find('\0'));
    return text.empty() || text.find(kNoRead) != std::string_view::npos;
}

ProofReply JudgeProofReply(const JudgedReply& reply) {
    if (reply.good) return ProofReply::Taken;
    if (reply.line.empty() || reply.line.find(kNoRead) != std::string::npos) {
        return ProofReply::NoAnswer;
    }
    return ProofReply::Refused;
}

std::size_t CutLength(ReplyKind kind) {
    switch (kind) {
    case ReplyKind::PageData: return 16;
    case ReplyKind::Ack: return 3;
    case ReplyKind::Uid: return 8;
    }
    return 0;
}

bool AllHex(std::string_view text) {
    for (const char c : text) {
        if (!IsHexDigit(c)) return false;
    }
    return true;
}

JudgedReply JudgeReply(ReplyKind kind, std::string_view reply) {
    // The reply is copied up to its first NUL, as a C string would be.
    reply = reply.substr(0, reply.find('\0'));
    JudgedReply judged;
    const std::size_t length = CutLength(kind);
    judged.replyLength = reply.size();
    judged.cut = std::string(reply.substr(0, length));
    judged.line = std::string(reply.substr(0, reply.find_last_not_of("\r\n") + 1));
    if (kind == ReplyKind::Ack) {
        judged.good = judged.cut == "ACK";
    } else {
        // Page bytes and UIDs are hexadecimal: anything else is a Reader
        // message or a line end taken for data.
        judged.good = judged.cut.size() == length && AllHex(judged.cut) &&
                      !HasFailureMarker(judged.cut);
    }
    return judged;
}

long TimingValue(std::string_view reply) {
    std::size_t i = 0;
    while (i < reply.size() && IsSpace(reply[i])) ++i;
    bool negative = false;
    if (i < reply.size() && (reply[i] == '+' || reply[i] == '-')) {
        negative = reply[i] == '-';
        ++i;
    }
    long value = 0;
    for (; i < reply.size() && reply[i] >= '0' && reply[i] <= '9'; ++i) {
        // Saturate: only 1 to 255 matters, and a huge number must not wrap into it.
        if (value < LONG_MAX / 10) value = value * 10 + (reply[i] - '0');
    }
    return negative ? -value : value;
}

void ReaderLink::DiscardPending() {
    for (const ReceivedLine& line : port_.DiscardLines()) {
        if (line.shown) continue;
        traffic_.PutOnTop(line.text);
        if (line.dropped != 0) traffic_.PutOnTop(TooLongNote(line.dropped));
    }
}

std::string ReaderLink::TakeReply(unsigned waitMultiple) {
    const auto wait = std::chrono::milliseconds(static_cast<std::uint64_t>(waitMultiple)
                                                * ResponseTimeBase);
    std::optional<ReceivedLine> line = port_.WaitLine(wait, waitHook_);
    if (!line) return {};
    if (line->dropped != 0) {
        // Its end is lost, and with it whatever the Reader meant: the
        // exchange fails as if nothing had come.
        if (!line->shown) traffic_.PutOnTop(TooLongNote(line->dropped));
        return {};
    }
    return std::move(line->text);
}

void ReaderLink::SyncTiming(int factor) {
    DiscardPending();
    if (port_.SendCommand(TimingCommand()) != 0) return;
    const long value = TimingValue(TakeReply(kTimingWait));
    if (value >= 1 && value <= 255) {
        ResponseTimeBase = static_cast<std::uint32_t>(value) * static_cast<std::uint32_t>(factor);
    }
}

ExchangeReply ReaderLink::Exchange(std::string_view command, std::string_view logLine,
                                   unsigned waitMultiple) {
    // Discarding before every command, not only once per operation, keeps a
    // reply that came too late from being taken as the answer to this one.
    DiscardPending();
    ExchangeReply reply;
    if (port_.SendCommand(command) != 0) return reply;
    reply.sent = true;
    traffic_.PutOnTop(logLine);
    reply.text = TakeReply(waitMultiple);
    return reply;
}

void ReaderLink::LogJudged(std::string_view cut) {
    std::string line(cut);
    line += "\r\n";
    traffic_.PutOnTop(line);
}

JudgedReply ReaderLink::Judged(ReplyKind kind, std::string_view command,
                               std::string_view logLine, unsigned waitMultiple,
                               bool (*callsForRetry)(const ExchangeReply&)) {
    // Every command judged here is safe to repeat: a page read, a write of
    // the same bytes, a lock, a UID read.
    for (int repeat = 1;; ++repeat) {
        const ExchangeReply reply = Exchange(command, logLine, waitMultiple);
        JudgedReply judged = JudgeReply(kind, reply.text);
        judged.sent = reply.sent;
        LogJudged(judged.cut);
        if (judged.good || repeat > Retries || !callsForRetry(reply)) return judged;
        ++retriesUsed_;
        traffic_.PutOnTop(RetryNote(repeat, Retries));
        if (retryHook_) retryHook_(logLine, repeat);
    }
}

JudgedReply ReaderLink::ReadPage(int page) {
    return Judged(ReplyKind::PageData, ReadPageCommand(page), ReadPageLogLine(page),
                  kReadPageWait);
}

JudgedReply ReaderLink::WritePage(int page, std::string_view digits) {
    return Judged(ReplyKind::Ack, WritePageCommand(page, digits), WritePageLogLine(page, digits),
                  kWritePageWait);
}

JudgedReply ReaderLink::ProofWrite(int page, std::string_view digits) {
    return Judged(ReplyKind::Ack, WritePageCommand(page, digits), WritePageLogLine(page, digits),
                  kWritePageWait, ProofCallsForRetry);
}

JudgedReply ReaderLink::LockPage(int page) {
    return Judged(ReplyKind::Ack, LockPageCommand(page), LockPageLogLine(page), kLockPageWait);
}

JudgedReply ReaderLink::ReadUid() {
    return Judged(ReplyKind::Uid, ReadUidCommand(), ReadUidLogLine(), kReadUidWait);
}

}  // namespace tagwright
