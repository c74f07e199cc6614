#include "core/app/PinHash.h"

#include <sodium.h>

namespace tagwright {

namespace {

constexpr char kPrefix[] = "$argon2id$";

// Interactive limits: an unlock takes a fraction of a second, and a copied
// file still costs an attacker 64 MiB and two passes per guess.
constexpr unsigned long long kOpsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr std::size_t kMemLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;

bool Ready() { return sodium_init() >= 0; }

}  // namespace

std::optional<std::string> HashPin(const std::string& pin) {
    if (!Ready()) return std::nullopt;
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, pin.data(), pin.size(), kOpsLimit, kMemLimit,
                              crypto_pwhash_ALG_ARGON2ID13) != 0) {
        return std::nullopt;
    }
    return std::string(out);
}

bool PinHashUsable(const std::string& hash) {
    if (!Ready() || hash.rfind(kPrefix, 0) != 0 || hash.size() >= crypto_pwhash_STRBYTES) {
        return false;
    }
    // -1: libsodium cannot read the string; 0 or 1: it can (1 only says
    // that other limits were used when it was made).
    return crypto_pwhash_str_needs_rehash(hash.c_str(), kOpsLimit, kMemLimit) != -1;
}

bool PinMatches(const std::string& hash, const std::string& pin) {
    if (!PinHashUsable(hash)) return false;
    return crypto_pwhash_str_verify(hash.c_str(), pin.data(), pin.size()) == 0;
}

std::string PinRefusal(const std::string& pin) {
    if (pin.size() < 4) return "The PIN needs at least four characters.";
    if (pin.size() > 128) return "The PIN may have at most 128 characters.";
    for (unsigned char c : pin) {
        if (c < 0x20 || c == 0x7F) return "The PIN may not hold control characters.";
    }
    return {};
}

}  // namespace tagwright
