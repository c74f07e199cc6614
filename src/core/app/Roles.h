#pragma once
// Operator and engineer. With a PIN hash in the settings' [Roles] section the
// station starts locked, in operator mode: the commands of one table need
// engineer mode, which the PIN unlocks until the window has been idle for the
// set time, is minimised, or the engineer locks it. Five wrong PINs lock
// unlocking out for a time that doubles with each lock-out. Without a PIN
// there are no roles: nothing is refused, nothing is disabled.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tagwright {

class Station;

// What only the engineer may do.
enum class EngineerCommand {
    WritePages,
    LockPages,
    WriteCarrierId,
    TerminalSend,
    InterfaceSettings,
    SwitchMode,
    Counter,
    SaveSet,
    DeleteSet,
    Pages317,
    SetPin,
};

inline constexpr int kWrongTriesBeforeLockOut = 5;
inline constexpr int kFirstLockOutSeconds = 30;
inline constexpr int kLongestLockOutSeconds = 15 * 60;

// The station's role, kept for the run only: a restart is locked again.
struct RoleState {
    bool engineer = false;
    std::int64_t lastActivity = 0;  // Clock::Seconds of the operator's last input
    int wrongTries = 0;             // since the last lock-out or unlock
    int lockOuts = 0;               // since the last unlock
    std::int64_t lockedOutUntil = 0;
};

// A PIN is set: the station has roles.
bool RolesOn(const Station& station);
// Engineer commands may run: no roles, or unlocked.
bool EngineerMode(const Station& station);
// "none" without roles, else "operator" or "engineer".
const char* RoleName(const Station& station);
// The status line's words for the mode; "" without roles.
std::string RoleStatusText(const Station& station);

// What the operator is told when command is refused.
std::string RefusalText(EngineerCommand command);
// True when command may run now; otherwise the operator is told how to
// unlock, and false.
bool MayRun(Station& station, EngineerCommand command);

// Asks for a PIN (a field without echo); nothing when the operator cancels.
using PinAsker = std::function<std::optional<std::string>()>;
// Asks for a new PIN twice; nothing when the operator cancels.
using NewPinAsker = std::function<std::optional<std::pair<std::string, std::string>>()>;

// The menu's Unlock: refused while locked out or when the stored hash cannot
// be checked; a wrong PIN counts towards the lock-out.
void UnlockCommand(Station& station, const PinAsker& ask);
// The menu's Lock, and the window minimised.
void LockCommand(Station& station);
// Sets or changes the PIN (engineer mode, or no roles yet) and writes its
// hash into the settings file at once.
void SetPinCommand(Station& station, const NewPinAsker& ask);

// The operator pressed a key or a mouse button.
void NoteActivity(Station& station);
// The message tick: engineer mode ends after the idle time.
void RolesTick(Station& station);
// The engineer-only controls disabled in operator mode (start-up, unlock,
// lock); nothing changes without roles.
void ApplyRoleLocks(Station& station);

}  // namespace tagwright
