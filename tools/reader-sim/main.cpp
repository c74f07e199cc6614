// tagwright-reader-sim: a virtual Reader on a pseudo-terminal, for demos and
// operator training without the device. Prints the path to open as the
// station's port and answers until SIGINT or SIGTERM.

#include <pthread.h>
#include <signal.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "reader-sim/TransponderFile.h"
#include "reader-sim/VirtualReader.h"

namespace {

using tagwright::sim::Options;

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
    "  --state FILE      keep the transponder in FILE: loaded at start when it\n"
    "                    exists, saved after every change\n"
    "  --page N=HEX      page N (1-17) starts with 16 hexadecimal digits\n"
    "  --lock N          page N (1-17) starts locked\n"
    "  --help            this text\n"
    "--page, --lock and --uid apply on top of a loaded state file.\n";

bool ParseInt(const char* text, long low, long high, long* value) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < low || v > high) return false;
    *value = v;
    return true;
}

int Usage(const char* problem) {
    std::fprintf(stderr, "tagwright-reader-sim: %s\n\n%s", problem, kUsage);
    return 2;
}

struct PageSetting {
    int index;
    std::array<std::uint8_t, 8> bytes;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string link;
    std::string uid;
    std::vector<PageSetting> pages;
    std::vector<int> locks;

    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        long n = 0;
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--absent") {
            options.present = false;
        } else if (arg == "--crlf") {
            options.lineEnd = "\r\n";
        } else if (!hasValue) {
            return Usage(("unknown option or missing value: " + std::string(arg)).c_str());
        } else if (arg == "--link") {
            link = argv[++i];
        } else if (arg == "--state") {
            options.stateFile = argv[++i];
        } else if (arg == "--tor") {
            if (!ParseInt(argv[++i], -99999, 99999, &n)) return Usage("--tor needs a number");
            options.torValue = static_cast<int>(n);
        } else if (arg == "--delay") {
            if (!ParseInt(argv[++i], 0, 3600000, &n)) return Usage("--delay needs milliseconds");
            options.replyDelay = std::chrono::milliseconds(n);
        } else if (arg == "--uid") {
            uid = argv[++i];
            if (uid.size() != 8 || uid.find_first_of(" \t\r\n") != std::string::npos)
                return Usage("--uid needs 8 characters without blanks");
        } else if (arg == "--lock") {
            if (!ParseInt(argv[++i], 1, 17, &n)) return Usage("--lock needs a page from 1 to 17");
            locks.push_back(static_cast<int>(n) - 1);
        } else if (arg == "--page") {
            const std::string value = argv[++i];
            const std::size_t eq = value.find('=');
            PageSetting p{};
            if (eq == std::string::npos || !ParseInt(value.substr(0, eq).c_str(), 1, 17, &n) ||
                !tagwright::sim::ParsePageHex(std::string_view(value).substr(eq + 1), &p.bytes))
                return Usage("--page needs N=HEX with N from 1 to 17 and 16 hexadecimal digits");
            p.index = static_cast<int>(n) - 1;
            pages.push_back(p);
        } else {
            return Usage(("unknown option: " + std::string(arg)).c_str());
        }
    }

    std::string error;
    if (!options.stateFile.empty() && std::filesystem::exists(options.stateFile) &&
        !tagwright::sim::LoadTransponderFile(options.stateFile, &options.transponder, &error)) {
        // Refuse rather than overwrite a file we cannot read.
        std::fprintf(stderr, "tagwright-reader-sim: %s\n", error.c_str());
        return 1;
    }
    for (const PageSetting& p : pages) options.transponder.pages[p.index] = p.bytes;
    for (int index : locks) options.transponder.locked[index] = true;
    if (!uid.empty()) options.transponder.uid = uid;

    // Blocked before the worker starts, so only sigwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    tagwright::sim::VirtualReader reader(options);
    if (!reader.Start(&error)) {
        std::fprintf(stderr, "tagwright-reader-sim: %s\n", error.c_str());
        return 1;
    }
    // Writes the state file at once, with the command line's pages applied.
    if (!options.stateFile.empty()) reader.SetTransponder(options.transponder);
    if (!link.empty() && !reader.CreateLink(link, &error)) {
        std::fprintf(stderr, "tagwright-reader-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", link.empty() ? reader.SlavePath().c_str() : link.c_str());
    std::fflush(stdout);

    int caught = 0;
    sigwait(&stopSignals, &caught);
    reader.Stop();
    return 0;
}
