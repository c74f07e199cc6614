#pragma once
// The C library's number rules as the station's files and fields use them.

#include <cstdint>
#include <string>
#include <string_view>

namespace tagwright {

// atol/atoi: leading white space, an optional sign, decimal digits; 0 when
// there are none. Values beyond 32 bits saturate.
std::int32_t Atol(std::string_view text);

// 64-bit unsigned reading: leading white space, an optional sign, digits; a
// text without digits gives 0; a negative value wraps as the C library's
// conversion does ("-1" gives 2^64 - 1); overflow gives 2^64 - 1.
std::uint64_t ParseU64(std::string_view text);

// Unsigned 64-bit decimal: no leading zeros, no sign, no separators.
std::string FormatU64(std::uint64_t value);

// "%i".
std::string FormatInt(std::int64_t value);

}  // namespace tagwright
