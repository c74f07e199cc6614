#include "core/app/RoleSettings.h"

#include <algorithm>

#include "core/app/StationSettings.h"
#include "core/base/AtomicFile.h"
#include "core/base/CText.h"
#include "core/base/IniFile.h"

namespace tagwright {

namespace {
constexpr std::string_view kRoles = "Roles";
constexpr int kMaxIdleMinutes = 24 * 60;
}  // namespace

void LoadRoleSettings(const IniFile& file, RoleSettings& roles) {
    roles.pinHash = file.Get(kRoles, "PinHash");
    const std::string idle = file.Get(kRoles, "IdleMinutes");
    const int minutes = Atol(idle);
    // A missing, zero or unreadable value would never lock: the default then.
    roles.idleMinutes = minutes > 0 ? std::min(minutes, kMaxIdleMinutes) : kDefaultIdleMinutes;
}

bool SavePinHash(const std::filesystem::path& setDirectory, const std::string& hash,
                 std::string* error) {
    const std::filesystem::path path = SettingsFilePath(setDirectory);
    // A file that is there but cannot be read is not replaced by one that
    // holds the PIN alone.
    IniFile file;
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        const std::optional<std::string> content = ReadWholeFile(path, error);
        if (!content) return false;
        file = IniFile::Parse(*content);
    }
    file.Set(kRoles, "PinHash", hash);
    return file.Save(path, error);
}

}  // namespace tagwright
