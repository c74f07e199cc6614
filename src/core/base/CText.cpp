#include "core/base/CText.h"

#include <charconv>
#include <limits>

namespace tagwright {

namespace {

// isspace in the C locale, whatever locale the process runs in.
bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips white space and reads an optional sign; returns true for "-".
bool SkipToDigits(std::string_view text, std::size_t& i) {
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return negative;
}

template <typename T>
std::string ToDecimal(T value) {
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace

std::int32_t Atol(std::string_view text) {
    std::size_t i = 0;
    const bool negative = SkipToDigits(text, i);
    // The magnitude stays at most 2^31, so ten times it plus a digit fits.
    const std::int64_t limit =
        negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                 : std::numeric_limits<std::int32_t>::max();
    std::int64_t magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) magnitude = limit;
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::uint64_t ParseU64(std::string_view text) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    std::size_t i = 0;
    const bool negative = SkipToDigits(text, i);
    std::uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        const auto digit = static_cast<std::uint64_t>(text[i] - '0');
        if (value > (kMax - digit) / 10) overflow = true;
        if (!overflow) value = value * 10 + digit;
    }
    if (overflow) return kMax;
    // Negation modulo 2^64, as the C library's unsigned conversions do it.
    return negative ? 0 - value : value;
}

std::string FormatU64(std::uint64_t value) { return ToDecimal(value); }

std::string FormatInt(std::int64_t value) { return ToDecimal(value); }

}  // namespace tagwright
