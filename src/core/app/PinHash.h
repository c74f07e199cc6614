#pragma once
// The engineer's PIN is kept only as a salted Argon2id hash in libsodium's
// string form ("$argon2id$v=19$m=...,t=...,p=...$salt$hash"); the PIN itself
// is never stored.

#include <optional>
#include <string>

namespace tagwright {

// The hash of pin, or nothing when the hashing failed (out of memory).
std::optional<std::string> HashPin(const std::string& pin);

// A hash the station can check a PIN against: the Argon2id string form with
// parameters libsodium accepts. A hand-edited or cut value is not.
bool PinHashUsable(const std::string& hash);

// True when pin is the one hashed; false for another PIN or an unusable hash.
bool PinMatches(const std::string& hash, const std::string& pin);

// What a PIN must be, or "" when it is good: at least four characters,
// no control characters, at most 128 bytes.
std::string PinRefusal(const std::string& pin);

}  // namespace tagwright
