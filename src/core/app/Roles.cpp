#include "core/app/Roles.h"

#include <algorithm>
#include <array>

#include "core/app/ChangeGuard.h"
#include "core/app/PinHash.h"
#include "core/app/RoleSettings.h"
#include "core/app/Station.h"

namespace tagwright {

namespace {

struct CommandName {
    EngineerCommand command;
    const char* doing;  // for "... needs engineer mode."
};

// The engineer-only commands, once.
constexpr std::array<CommandName, 11> kEngineerCommands{{
    {EngineerCommand::WritePages, "Writing pages"},
    {EngineerCommand::LockPages, "Locking pages"},
    {EngineerCommand::WriteCarrierId, "Writing a carrier ID"},
    {EngineerCommand::TerminalSend, "Sending a terminal command"},
    {EngineerCommand::InterfaceSettings, "Changing the Reader port's settings"},
    {EngineerCommand::SwitchMode, "Switching between manual and automatic mode"},
    {EngineerCommand::Counter, "Changing the carrier ID counter"},
    {EngineerCommand::SaveSet, "Saving a parameter set"},
    {EngineerCommand::DeleteSet, "Deleting a parameter set"},
    {EngineerCommand::Pages317, "Changing pages 3-17"},
    {EngineerCommand::SetPin, "Changing the engineer PIN"},
}};

constexpr char kHowToUnlock[] = "Unlock it with Engineer > Unlock and the engineer PIN.";

constexpr char kDamagedHashMessage[] =
    "The engineer PIN stored in Tagwright.ini ([Roles] PinHash) is not a hash this station "
    "can check: it was edited by hand or damaged.\r\nThe station stays in operator mode. Set "
    "the PIN again with \"tagwright-station roles set-pin\".";

const std::string& PinHashOf(const Station& station) { return station.settings.roles.pinHash; }

std::int64_t Now(const Station& station) { return station.WallClock().Seconds(); }

std::string Seconds(std::int64_t n) { return std::to_string(n) + (n == 1 ? " second" : " seconds"); }

void EnterEngineerMode(Station& station, bool engineer) {
    station.roles.engineer = engineer;
    station.roles.lastActivity = Now(station);
    ApplyRoleLocks(station);
}

// A wrong PIN: counted; the fifth starts a lock-out twice as long as the last.
std::string WrongPin(Station& station) {
    RoleState& roles = station.roles;
    std::string text = "The PIN is wrong.";
    if (++roles.wrongTries < kWrongTriesBeforeLockOut) return text;
    const std::int64_t seconds =
        std::min<std::int64_t>(std::int64_t{kFirstLockOutSeconds} << std::min(roles.lockOuts, 10),
                               kLongestLockOutSeconds);
    roles.wrongTries = 0;
    ++roles.lockOuts;
    roles.lockedOutUntil = Now(station) + seconds;
    return text + "\r\nAfter " + std::to_string(kWrongTriesBeforeLockOut) +
           " wrong tries, unlocking is locked out for " + Seconds(seconds) + ".";
}

}  // namespace

bool RolesOn(const Station& station) { return !PinHashOf(station).empty(); }

bool EngineerMode(const Station& station) { return !RolesOn(station) || station.roles.engineer; }

const char* RoleName(const Station& station) {
    if (!RolesOn(station)) return kRoleNone;
    return station.roles.engineer ? "engineer" : "operator";
}

std::string RoleStatusText(const Station& station) {
    if (!RolesOn(station)) return {};
    return station.roles.engineer ? "Engineer mode" : "Operator mode (locked)";
}

std::string RefusalText(EngineerCommand command) {
    const auto it = std::find_if(kEngineerCommands.begin(), kEngineerCommands.end(),
                                 [command](const CommandName& c) { return c.command == command; });
    return std::string(it->doing) + " needs engineer mode.\r\n" + kHowToUnlock;
}

bool MayRun(Station& station, EngineerCommand command) {
    if (EngineerMode(station)) return true;
    station.window.Tell(RefusalText(command));
    return false;
}

void UnlockCommand(Station& station, const PinAsker& ask) {
    if (!RolesOn(station) || station.roles.engineer) return;
    RoleState& roles = station.roles;
    if (const std::int64_t left = roles.lockedOutUntil - Now(station); left > 0) {
        station.window.Tell("Unlocking is locked out for another " + Seconds(left) + " after " +
                            std::to_string(kWrongTriesBeforeLockOut) + " wrong tries.");
        return;
    }
    if (!PinHashUsable(PinHashOf(station))) {
        ApproveChange(station, kAuditUnlockFailed, "the stored PIN hash cannot be checked");
        station.window.Tell(kDamagedHashMessage);
        return;
    }
    const std::optional<std::string> pin = ask();
    if (!pin) return;
    RunCommand(station.View(), [&] {
        if (!PinMatches(PinHashOf(station), *pin)) {
            const std::string told = WrongPin(station);
            const bool lockedOut = roles.wrongTries == 0;
            ApproveChange(station, kAuditUnlockFailed,
                          lockedOut ? "wrong PIN; unlocking locked out" : "wrong PIN");
            station.window.Tell(told);
            return;
        }
        // Unlocked only with its row in the trail.
        if (!ApproveChange(station, kAuditUnlock, "engineer mode")) return;
        roles.wrongTries = 0;
        roles.lockOuts = 0;
        EnterEngineerMode(station, true);
    });
}

void LockCommand(Station& station) {
    if (!RolesOn(station) || !station.roles.engineer) return;
    RunCommand(station.View(), [&] { EnterEngineerMode(station, false); });
}

void SetPinCommand(Station& station, const NewPinAsker& ask) {
    if (!MayRun(station, EngineerCommand::SetPin)) return;
    const auto pins = ask();
    if (!pins) return;
    if (pins->first != pins->second) {
        station.window.Tell("The two PINs differ. The PIN was not changed.");
        return;
    }
    if (const std::string refusal = PinRefusal(pins->first); !refusal.empty()) {
        station.window.Tell(refusal + "\r\nThe PIN was not changed.");
        return;
    }
    const char* change = RolesOn(station) ? "engineer PIN changed" : "engineer PIN set";
    if (!ApproveChange(station, kAuditPinSet, change)) return;
    const std::optional<std::string> hash = HashPin(pins->first);
    std::string error = "The PIN could not be hashed.";
    if (!hash || !SavePinHash(station.setDirectory, *hash, &error)) {
        station.window.Tell("The PIN was not changed.\r\n" + error);
        return;
    }
    RunCommand(station.View(), [&] {
        station.settings.roles.pinHash = *hash;
        // Whoever set it is the engineer: the station stays unlocked.
        EnterEngineerMode(station, true);
    });
    station.window.Tell("The engineer PIN is set.");
}

void NoteActivity(Station& station) {
    if (station.roles.engineer) station.roles.lastActivity = Now(station);
}

void RolesTick(Station& station) {
    if (!RolesOn(station) || !station.roles.engineer) return;
    const std::int64_t idle = Now(station) - station.roles.lastActivity;
    if (idle < std::int64_t{station.settings.roles.idleMinutes} * 60) return;
    EnterEngineerMode(station, false);
    station.View().ShowFieldValues();
}

void ApplyRoleLocks(Station& station) {
    if (!RolesOn(station)) return;
    WindowControls& w = station.window;
    const bool locked = !station.roles.engineer;
    // Typing or stepping a counter would move the carrier IDs of every tag
    // that follows: the fields say so by being disabled.
    for (MainControl c : {MainControl::NextField, MainControl::MaxField, MainControl::NextSpin,
                          MainControl::MaxSpin}) {
        w.SetLocked(c, locked);
    }
    for (MainControl c : {MainControl::NextField, MainControl::MaxField}) {
        w.SetBackground(c, w.Control(c).enabled ? colour::White : colour::DisabledBackground);
    }
}

}  // namespace tagwright
