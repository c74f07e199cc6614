#include "station/RolesCommand.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>

#include "core/app/PinHash.h"
#include "core/app/RoleSettings.h"
#include "core/base/DataPaths.h"
#include "station/ExitCodes.h"

namespace tagwright::station {

namespace {

// One line from standard input; on a terminal, after the prompt and with
// the echo off, so that the PIN is never shown.
std::optional<std::string> ReadSecretLine(const char* prompt, bool terminal) {
    termios old{};
    if (terminal) {
        std::fputs(prompt, stderr);
        std::fflush(stderr);
        tcgetattr(STDIN_FILENO, &old);
        termios quiet = old;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    const bool read = static_cast<bool>(std::getline(std::cin, line));
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
        std::fputc('\n', stderr);
    }
    if (!read) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

int Fail(const std::string& why) {
    std::fprintf(stderr, "tagwright-station: %s\nThe PIN was not changed.\n", why.c_str());
    return kOtherFailure;
}

}  // namespace

int RunRolesSetPin(const std::atomic<bool>& stop) {
    const bool terminal = isatty(STDIN_FILENO) == 1;
    if (!terminal) {
        std::fputs("tagwright-station: standard input is not a terminal: the PIN is its first "
                   "line, asked once.\n",
                   stderr);
    }
    const std::optional<std::string> pin = ReadSecretLine("New engineer PIN: ", terminal);
    if (stop) return kInterrupted;
    if (!pin) return Fail("no PIN was given");
    if (terminal) {
        const std::optional<std::string> again = ReadSecretLine("The PIN again: ", terminal);
        if (stop) return kInterrupted;
        if (!again || *again != *pin) return Fail("the two PINs differ");
    }
    if (const std::string refusal = PinRefusal(*pin); !refusal.empty()) return Fail(refusal);
    const std::optional<std::string> hash = HashPin(*pin);
    if (!hash) return Fail("the PIN could not be hashed");

    std::error_code ec;
    const std::filesystem::path directory = StationSettingsDirectory(ec);
    std::string error;
    if (ec) return Fail("the settings folder cannot be used: " + ec.message());
    if (!SavePinHash(directory, *hash, &error)) return Fail(error);
    std::printf("The engineer PIN is set in %s ([Roles] PinHash).\n",
                SettingsFilePath(directory).string().c_str());
    return kSuccess;
}

}  // namespace tagwright::station
