#include "core/app/WriteChecks.h"

#include <algorithm>
#include <cctype>

#include "core/app/Station.h"

namespace tagwright {

namespace {

// A judged reply's cut without the line end the Reader put after it.
std::string Shown(std::string_view cut) {
    while (!cut.empty() && (cut.back() == '\r' || cut.back() == '\n')) cut.remove_suffix(1);
    return cut.empty() ? std::string("no reply") : std::string(cut);
}

void Fail(Station& station, int page, const char* step, std::string reply, std::string message) {
    WriteCheckState& checks = station.writeChecks;
    checks.failedStep = step;
    checks.readerReply = std::move(reply);
    station.window.SetBackground(PageField(page), colour::Red);
    station.window.SetFocus(PageField(page));
    ++station.FailureCount;
    station.window.Tell(std::move(message));
}

// The digits a page holds now: those written in this cycle, else a read.
std::string DigitsOf(Station& station, int page, bool& readFailed) {
    const auto& written = station.writeChecks.written;
    const auto it = std::find_if(written.begin(), written.end(),
                                 [page](const WrittenPage& w) { return w.page == page; });
    if (it != written.end()) return it->digits;
    const JudgedReply reply = station.reader.link.ReadPage(page);
    readFailed = !reply.good;
    return reply.cut;
}

}  // namespace

void WriteCheckState::Reset() {
    written.clear();
    failedStep.clear();
    readerReply.clear();
    locksDone = false;
}

bool SameDigits(std::string_view written, std::string_view read) {
    return written.size() == read.size() &&
           std::equal(written.begin(), written.end(), read.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) ==
                      std::toupper(static_cast<unsigned char>(b));
           });
}

std::string VerifyFailureMessage(int page, std::string_view written, std::string_view read) {
    return "Page " + std::to_string(page) + " was not written as sent.\r\nWritten: " +
           std::string(written) + "\r\nRead back: " + Shown(read);
}

std::string LockNotProvenMessage(int page, std::string_view reply) {
    const std::string p = std::to_string(page);
    if (reply == "ACK") {
        return "Page " + p + " is not locked: it still takes a write.";
    }
    return "Page " + p + " could not be proven locked: a write to it got " + Shown(reply) + ".";
}

bool VerifyWrittenPages(Station& station) {
    for (const WrittenPage& w : station.writeChecks.written) {
        const JudgedReply reply = station.reader.link.ReadPage(w.page);
        if (reply.good && SameDigits(w.digits, reply.cut)) continue;
        Fail(station, w.page, kVerifyFailedStep, Shown(reply.cut),
             VerifyFailureMessage(w.page, w.digits, reply.cut));
        return false;
    }
    return true;
}

namespace {

// Why the proof of one page's lock fails; empty when the page refused the
// write and still holds its digits, which shows the tag is still there.
std::string LockProofProblem(Station& station, int page, const std::string& digits,
                             std::string& reply) {
    ReaderLink& link = station.reader.link;
    const JudgedReply proof = link.ProofWrite(page, digits);
    reply = Shown(proof.line);
    switch (JudgeProofReply(proof)) {
    case ProofReply::Taken: return LockNotProvenMessage(page, "ACK");
    case ProofReply::NoAnswer: return LockNotProvenMessage(page, reply);
    case ProofReply::Refused: break;
    }
    // A refusal proves the lock only from a tag that is still on the antenna.
    const JudgedReply read = link.ReadPage(page);
    if (read.good && SameDigits(digits, read.cut)) return {};
    reply = Shown(read.good ? read.cut : read.line);
    return "Page " + std::to_string(page) + " could not be proven locked: it refused a write (" +
           Shown(proof.line) + "), but a read of it then gave " + reply + ", not " + digits +
           ".";
}

}  // namespace

bool ProveLocks(Station& station, const std::vector<int>& lockedPages) {
    for (const int page : lockedPages) {
        bool readFailed = false;
        const std::string digits = DigitsOf(station, page, readFailed);
        if (readFailed) {
            Fail(station, page, kLockNotProvenStep, Shown(digits),
                 "Page " + std::to_string(page) + " could not be proven locked: it could not "
                 "be read (" + Shown(digits) + ").");
            return false;
        }
        std::string reply;
        std::string problem = LockProofProblem(station, page, digits, reply);
        if (problem.empty()) continue;
        Fail(station, page, kLockNotProvenStep, std::move(reply), std::move(problem));
        return false;
    }
    return true;
}

}  // namespace tagwright
