#pragma once
// The station settings file's [Roles] section: the engineer PIN's hash and
// the idle time after which engineer mode locks itself. The station reads it
// at start and never rewrites it at shutdown; only setting the PIN writes
// it, at once.
//
//   [Roles]
//   PinHash=$argon2id$v=19$m=65536,t=2,p=1$...
//   IdleMinutes=10

#include <filesystem>
#include <string>

namespace tagwright {

class IniFile;

inline constexpr int kDefaultIdleMinutes = 10;

struct RoleSettings {
    std::string pinHash;  // empty: no PIN, the station has no roles
    int idleMinutes = kDefaultIdleMinutes;
};

void LoadRoleSettings(const IniFile& file, RoleSettings& roles);

// Writes hash as [Roles] PinHash into the settings file of setDirectory,
// keeping everything else the file holds; the file is replaced atomically.
// False with *error set when it could not be written.
bool SavePinHash(const std::filesystem::path& setDirectory, const std::string& hash,
                 std::string* error);

}  // namespace tagwright
