#pragma once
// The Reader's command protocol: one CR-terminated command, one reply line,
// waits that are multiples of ResponseTimeBase, and the rules that judge a
// reply. Window thread only.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/reader/SerialPort.h"
#include "core/reader/TrafficText.h"

namespace tagwright {

// What a judged command examines of its reply.
enum class ReplyKind {
    PageData,  // first 16 characters, exactly 16 hexadecimal digits
    Ack,       // first 3 characters, equal to "ACK"
    Uid,       // first 8 characters, exactly 8 hexadecimal digits
};

struct ExchangeReply {
    std::string text;   // the reply line with its CR LF; empty when none came in time
    bool sent = false;  // false: the command could not be written (counts as no reply)
};

struct JudgedReply {
    bool good = false;
    std::string cut;               // the examined part of the reply, as it is logged
    std::size_t replyLength = 0;   // the whole reply's length, CR LF included
    bool sent = false;
    std::string line;              // the whole reply without its line end
};

// What a write to a page just locked says about the lock, from its whole
// reply line: "ACK" took the write; no reply, or "No Read", proves nothing
// (the tag may have gone); any other answer ("NAK", "#09 ...") refused it.
enum class ProofReply { Taken, NoAnswer, Refused };
ProofReply JudgeProofReply(const JudgedReply& reply);

// Wait multiples of the commands.
inline constexpr unsigned kTimingWait = 4;
inline constexpr unsigned kReadPageWait = 17;
inline constexpr unsigned kWritePageWait = 4;
inline constexpr unsigned kLockPageWait = 4;
inline constexpr unsigned kReadUidWait = 9;

// Factors of the timing exchange.
inline constexpr int kReadTimingFactor = 13;   // read pages, read carrier ID
inline constexpr int kWriteTimingFactor = 25;  // write, lock, read UID, write carrier ID

// Commands and their traffic lines; page is 1 to 17.
std::string TimingCommand();
std::string ReadPageCommand(int page);
std::string ReadPageLogLine(int page);
// digits: the page's 16 hexadecimal digits, as they are to be sent.
std::string WritePageCommand(int page, std::string_view digits);
std::string WritePageLogLine(int page, std::string_view digits);
std::string LockPageCommand(int page);
std::string LockPageLogLine(int page);
std::string ReadUidCommand();
std::string ReadUidLogLine();

// Judging, with no port involved.
bool HasFailureMarker(std::string_view text);
bool AllHex(std::string_view text);
// The traffic line put on top before a repeat: "(retry 1 of 2)" CR LF.
std::string RetryNote(int repeat, int retries);
// True when a reply calls for a repeat: none came, or it holds a failure marker.
bool CallsForRetry(const ExchangeReply& reply);
// The same for a lock's proof write: only no reply or "No Read"; a refusal is
// the answer sought, whatever its words.
bool ProofCallsForRetry(const ExchangeReply& reply);
std::size_t CutLength(ReplyKind kind);
// Judges the bytes of reply before its first NUL.
JudgedReply JudgeReply(ReplyKind kind, std::string_view reply);
// The number at the start of a timing reply, read as the C library's atoi.
long TimingValue(std::string_view reply);

class ReaderLink {
public:
    ReaderLink(SerialPort& port, TrafficText& traffic) : port_(port), traffic_(traffic) {}

    // Runs while a reply is awaited, about every 15 ms (the GUI keeps painting
    // there); empty in the core's own tests.
    void SetWaitHook(std::function<void()> hook) { waitHook_ = std::move(hook); }

    // Throws away any line that waits unasked (a reply that came too late).
    // Lines the operator has not seen yet are put on top of the traffic text.
    void DiscardPending();

    // "TOR": a reply of 1 to 255 sets ResponseTimeBase to it times factor.
    // Logs nothing.
    void SyncTiming(int factor);

    // Sends command (ending in CR), puts logLine on top of the traffic text
    // and waits up to waitMultiple x ResponseTimeBase for the reply. A
    // command that could not be sent is neither logged nor waited for. An
    // over-long reply line gives an empty reply, with a note on top.
    ExchangeReply Exchange(std::string_view command, std::string_view logLine,
                           unsigned waitMultiple);

    // Puts the examined part of a reply with CR LF on top of the traffic text.
    void LogJudged(std::string_view cut);

    // How often a judged command is sent again after no reply or a reply
    // with a failure marker. A refusal ("NAK") is an answer and is not
    // repeated. 0 keeps the traffic exactly as without retries.
    int Retries = 0;
    // Called before each repeat with the command's traffic line and the
    // repeat's number (1 = first repeat).
    void SetRetryHook(std::function<void(std::string_view logLine, int repeat)> hook) {
        retryHook_ = std::move(hook);
    }
    // Repeats sent since the last reset.
    unsigned RetriesUsed() const { return retriesUsed_; }
    void ResetRetriesUsed() { retriesUsed_ = 0; }

    // One judged command each: exchange, cut, judge, log the cut part.
    JudgedReply ReadPage(int page);
    JudgedReply WritePage(int page, std::string_view digits);
    JudgedReply LockPage(int page);
    JudgedReply ReadUid();
    // A write to a page just locked, judged by JudgeProofReply.
    JudgedReply ProofWrite(int page, std::string_view digits);

    // Milliseconds; every wait is a multiple of it.
    std::uint32_t ResponseTimeBase = 160;

private:
    JudgedReply Judged(ReplyKind kind, std::string_view command, std::string_view logLine,
                       unsigned waitMultiple,
                       bool (*callsForRetry)(const ExchangeReply&) = CallsForRetry);
    std::string TakeReply(unsigned waitMultiple);

    SerialPort& port_;
    TrafficText& traffic_;
    std::function<void()> waitHook_;
    std::function<void(std::string_view, int)> retryHook_;
    unsigned retriesUsed_ = 0;
};

}  // namespace tagwright
