#pragma once
// One parameter set: the work order data, where carrier IDs come from, the
// carrier ID layout, the transponder type, the fixed contents of all 17 pages
// with their Edit and Lock flags, and the record file setting.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/domain/TransponderImage.h"

namespace tagwright {

// Pages 1 and 2 hold the carrier ID; their bytes are fixed data or ID bytes.
inline constexpr int kCarrierIdBytes = 2 * kPageBytes;  // 16

struct ParameterSet {
    std::string operatorBadgeId;
    std::string partNumber;
    std::string workOrderNumber;
    std::string quantity;

    bool useDecimalCounter = false;
    bool useCsvFile = false;
    std::string csvFileName;
    bool useFixData = false;

    std::string carrierIdOffset;
    std::string carrierIdLength;
    std::string carrierId;
    bool lockCarrierId = false;

    bool typeTI = false;
    bool typeNorvik = false;

    // Index 0 is byte 0 of page 1. hex is what the set file holds; ascii is
    // derived from it.
    std::array<std::string, kImageBytes> hex{};
    std::array<std::string, kImageBytes> ascii{};
    std::array<bool, kCarrierIdBytes> fixByte{};
    // Index 0 is page 1.
    std::array<bool, kPageCount> editPage{};
    std::array<bool, kPageCount> lockPage{};
    bool writePages3to17 = false;

    bool logEnabled = false;
    std::string logFileName;

    // Read back every written page and prove every lock. A set built in code
    // starts with the old traffic (off, no retries); the store gives sets
    // whose file lacks the keys, new ones included, the defaults below.
    bool verifyAfterWrite = false;
    int retries = 0;  // kMinRetries .. kMaxRetries

    // Not stored in the set file: follows the main window's HEX/ASCII choice.
    int hexAsciiMode = 0;  // 1 = ASCII, anything else HEX

    friend bool operator==(const ParameterSet&, const ParameterSet&) = default;
};

inline constexpr int kMinRetries = 0;
inline constexpr int kMaxRetries = 5;
inline constexpr bool kDefaultVerifyAfterWrite = true;
inline constexpr int kDefaultRetries = 2;

// ascii[k] from hex[k] for all 136 bytes (one byte each); hex stays as it is.
void DeriveAsciiTexts(ParameterSet& set);

// The last carrier ID of a work order: first ID + quantity - 1, held within
// 0 .. 2^64-1 instead of wrapping, so that no quantity ever means "no limit".
std::uint64_t LastCarrierId(std::string_view firstId, std::string_view quantity);

// --- the carrier ID layout ---

inline constexpr char kOffsetLengthMessage[] =
    "Carrier ID Offset + Carrier ID Length must be under 16.";

// A layout value that does not fit the carrier ID area: the set file's key,
// the text it holds, and the value it has to become. Offset and length are
// each held within 0..16, and the length is cut to what the offset leaves.
// A length that fits also keeps the decimal counter (10^length - 1) and
// every "max" below it well inside 64 bits.
struct LayoutCut {
    std::string ParameterSet::*field = nullptr;
    const char* key = "";
    std::string text;
    int fitted = 0;
};
// The values that have to change, offset first; empty when the layout fits.
std::vector<LayoutCut> CarrierIdLayoutCuts(const ParameterSet& set);
// Why a set cannot be used for a cycle as it stands, naming each key and
// value that does not fit; "" when it can.
std::string CarrierIdLayoutRefusal(const ParameterSet& set);

}  // namespace tagwright
