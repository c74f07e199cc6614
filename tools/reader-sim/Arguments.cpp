#include "reader-sim/Arguments.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string_view>

#include "reader-sim/TransponderFile.h"

namespace tagwright::sim {

const char kUsage[] =
    "Usage: tagwright-reader-sim [options]\n"
    "A virtual Reader with one Multipage transponder on its antenna.\n"
    "Prints the path of its serial line (the link if given) and runs until\n"
    "SIGINT or SIGTERM.\n"
    "\n"
    "  --link PATH       put a symbolic link to the line at PATH (removed on exit)\n"
    "  --tor N           the number \"TOR\" answers (default 10)\n"
    "  --uid XXXXXXXX    the transponder's UID, 8 characters (default 1A2B3C4D)\n"
    "  --absent          no transponder on the antenna\n"
    "  --delay MS        wait MS milliseconds before each reply\n"
    "  --crlf            end replies with CR LF instead of CR\n"
    "  --locked-reply T  what a write to a locked page answers (default NAK),\n"
    "                    e.g. \"#09 locked\"\n"
    "  --no-tag-reply T  what a write or lock answers with no transponder on the\n"
    "                    antenna (default NAK), e.g. \"No Read\"\n"
    "  --state FILE      keep the transponder in FILE: loaded at start when it\n"
    "                    exists, saved after every change\n"
    "  --page N=HEX      page N (1-17) starts with 16 hexadecimal digits\n"
    "  --lock N          page N (1-17) starts locked\n"
    "Faults (PAGES is a page 1-17 or \"all\"; repeat the option for more pages):\n"
    "  --drop-write PAGES  answer ACK to writes and keep the old bytes\n"
    "  --flip-bit PAGES    answer ACK to writes and store them with one bit flipped\n"
    "  --fake-lock PAGES   answer ACK to locks and leave the page unlocked\n"
    "  --fail N          the next N replies are the failure reply (No Read, NAK,\n"
    "                    ERR); the commands change nothing\n"
    "  --fail-silent N   the next N commands get no reply and change nothing\n"
    "  --remove-after K  the tag leaves the antenna once page K is written\n"
    "  --leave-after-lock K  the tag leaves the antenna once page K is locked\n"
    "  --nul             every reply has a NUL byte in its middle\n"
    "  --long-line       every reply comes after 10000 hexadecimal digits without CR\n"
    "  --short-page      page reads answer 14 digits instead of 16\n"
    "Tag sequence (instead of the one transponder; not with --state):\n"
    "  --tags LIST       lay tags on the antenna one after another: UIDs of 8\n"
    "                    characters separated by commas, or a count N for the\n"
    "                    UIDs 00000001 to N in hexadecimal; each has its own pages\n"
    "  --stay N          each tag stays for N commands\n"
    "  --stay-ms MS      each tag stays MS milliseconds (default 3000)\n"
    "  --gap N           then no tag for N commands\n"
    "  --gap-ms MS       then no tag for MS milliseconds (default 1000)\n"
    "  --help            this text\n"
    "--page, --lock and --uid apply on top of a loaded state file; sequence tags\n"
    "start from the same pages.\n";

namespace {

using Apply = std::function<std::string(const std::string&)>;

struct Flag {
    const char* name;
    bool takesValue;
    Apply apply;  // empty when the value is good, else what is wrong
};

bool ParseInt(const std::string& text, long low, long high, long* value) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || v < low || v > high) return false;
    *value = v;
    return true;
}

bool GoodUid(const std::string& uid) {
    return uid.size() == 8 && uid.find_first_of(" \t\r\n,") == std::string::npos;
}

// A number into *out, or the problem.
template <typename T>
Apply Number(T* out, long low, long high, std::string problem) {
    return [=](const std::string& v) {
        long n = 0;
        if (!ParseInt(v, low, high, &n)) return problem;
        *out = static_cast<T>(n);
        return std::string();
    };
}

Apply Milliseconds(std::chrono::milliseconds* out, std::string problem) {
    return [=](const std::string& v) {
        long n = 0;
        if (!ParseInt(v, 0, 3600000, &n)) return problem;
        *out = std::chrono::milliseconds(n);
        return std::string();
    };
}

// A reply line of the Reader's: not empty, no line end inside.
Apply ReplyText(std::string* out, const char* name) {
    return [=](const std::string& v) {
        if (v.empty() || v.find_first_of("\r\n") != std::string::npos) {
            return std::string(name) + " needs a reply text without line ends";
        }
        *out = v;
        return std::string();
    };
}

Apply PageSet(std::bitset<kPages>* out, const char* name) {
    return [=](const std::string& v) {
        long n = 0;
        if (v == "all") {
            out->set();
        } else if (ParseInt(v, 1, kPages, &n)) {
            out->set(static_cast<std::size_t>(n - 1));
        } else {
            return std::string(name) + " needs a page from 1 to 17 or \"all\"";
        }
        return std::string();
    };
}

std::string ParseTags(const std::string& v, std::vector<std::string>* uids) {
    long count = 0;
    if (ParseInt(v, 1, 65535, &count)) {
        for (long i = 1; i <= count; ++i) {
            char uid[24];
            std::snprintf(uid, sizeof uid, "%08lX", static_cast<unsigned long>(i));
            uids->push_back(uid);
        }
        return {};
    }
    for (std::size_t start = 0; start <= v.size();) {
        std::size_t comma = v.find(',', start);
        if (comma == std::string::npos) comma = v.size();
        const std::string uid = v.substr(start, comma - start);
        if (!GoodUid(uid)) return "--tags needs a count or UIDs of 8 characters, e.g. 1A2B3C4D";
        uids->push_back(uid);
        start = comma + 1;
    }
    return {};
}

std::vector<Flag> TransponderFlags(ProgramSettings* s) {
    Options& o = s->options;
    return {
        {"--link", true, [s](const std::string& v) { s->link = v; return std::string(); }},
        {"--state", true, [&o](const std::string& v) { o.stateFile = v; return std::string(); }},
        {"--absent", false, [&o](const std::string&) { o.present = false; return std::string(); }},
        {"--crlf", false, [&o](const std::string&) { o.lineEnd = "\r\n"; return std::string(); }},
        {"--locked-reply", true, ReplyText(&o.lockedWriteReply, "--locked-reply")},
        {"--no-tag-reply", true, ReplyText(&o.noTagReply, "--no-tag-reply")},
        {"--tor", true, Number(&o.torValue, -99999, 99999, "--tor needs a number")},
        {"--delay", true, Milliseconds(&o.replyDelay, "--delay needs milliseconds")},
        {"--uid", true, [s](const std::string& v) {
             s->uid = v;
             return GoodUid(v) ? std::string() : "--uid needs 8 characters without blanks";
         }},
        {"--lock", true, [s](const std::string& v) {
             long n = 0;
             if (!ParseInt(v, 1, kPages, &n)) return std::string("--lock needs a page from 1 to 17");
             s->locks.push_back(static_cast<int>(n) - 1);
             return std::string();
         }},
        {"--page", true, [s](const std::string& v) {
             const std::size_t eq = v.find('=');
             long n = 0;
             std::array<std::uint8_t, 8> bytes{};
             if (eq == std::string::npos || !ParseInt(v.substr(0, eq), 1, kPages, &n) ||
                 !ParsePageHex(std::string_view(v).substr(eq + 1), &bytes))
                 return std::string("--page needs N=HEX with N from 1 to 17 and 16 hexadecimal "
                                    "digits");
             s->pages.emplace_back(static_cast<int>(n) - 1, bytes);
             return std::string();
         }},
    };
}

std::vector<Flag> FaultFlags(ProgramSettings* s) {
    Faults& f = s->options.faults;
    TagSequence& q = s->options.sequence;
    auto bad = [&f](BadReply mode) {
        return [&f, mode](const std::string&) { f.badReply = mode; return std::string(); };
    };
    return {
        {"--drop-write", true, PageSet(&f.dropWrite, "--drop-write")},
        {"--flip-bit", true, PageSet(&f.flipWrite, "--flip-bit")},
        {"--fake-lock", true, PageSet(&f.fakeLock, "--fake-lock")},
        {"--fail", true, Number(&f.failNext, 0, 1000000, "--fail needs a count")},
        {"--fail-silent", true, [&f](const std::string& v) {
             f.failSilently = true;
             return Number(&f.failNext, 0, 1000000, "--fail-silent needs a count")(v);
         }},
        {"--remove-after", true,
         Number(&f.removeAfterPage, 1, kPages, "--remove-after needs a page from 1 to 17")},
        {"--leave-after-lock", true,
         Number(&f.leaveAfterLock, 1, kPages, "--leave-after-lock needs a page from 1 to 17")},
        {"--nul", false, bad(BadReply::NulInside)},
        {"--long-line", false, bad(BadReply::OverLongLine)},
        {"--short-page", false, bad(BadReply::ShortPage)},
        {"--tags", true, [s](const std::string& v) { return ParseTags(v, &s->tagUids); }},
        {"--stay", true, Number(&q.stayCommands, 1, 1000000, "--stay needs a count")},
        {"--stay-ms", true, Milliseconds(&q.stayTime, "--stay-ms needs milliseconds")},
        {"--gap", true, Number(&q.gapCommands, 0, 1000000, "--gap needs a count")},
        {"--gap-ms", true, Milliseconds(&q.gapTime, "--gap-ms needs milliseconds")},
    };
}

}  // namespace

std::string ParseArguments(const std::vector<std::string>& args, ProgramSettings* settings) {
    std::vector<Flag> flags = TransponderFlags(settings);
    for (Flag& f : FaultFlags(settings)) flags.push_back(std::move(f));
    bool gapGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help") {
            settings->help = true;
            return {};
        }
        const Flag* flag = nullptr;
        for (const Flag& f : flags) {
            if (args[i] == f.name) flag = &f;
        }
        if (flag == nullptr) return "unknown option: " + args[i];
        if (flag->takesValue && i + 1 == args.size()) return "missing value: " + args[i];
        gapGiven = gapGiven || args[i] == "--gap" || args[i] == "--gap-ms";
        std::string problem = flag->apply(flag->takesValue ? args[++i] : std::string());
        if (!problem.empty()) return problem;
    }
    TagSequence& q = settings->options.sequence;
    if (settings->tagUids.empty()) return {};
    if (!settings->options.stateFile.empty()) return "--tags cannot be used with --state";
    if (q.stayCommands == 0 && q.stayTime.count() == 0) q.stayTime = std::chrono::seconds(3);
    if (!gapGiven) q.gapTime = std::chrono::seconds(1);
    return {};
}

void ApplyStartState(ProgramSettings* settings) {
    Options& o = settings->options;
    for (const auto& [index, bytes] : settings->pages) o.transponder.pages[index] = bytes;
    for (int index : settings->locks) o.transponder.locked[index] = true;
    if (!settings->uid.empty()) o.transponder.uid = settings->uid;
    for (const std::string& uid : settings->tagUids) {
        Transponder t = o.transponder;
        t.uid = uid;
        o.sequence.tags.push_back(t);
    }
}

}  // namespace tagwright::sim
