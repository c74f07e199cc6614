#pragma once
// The Reader port's parameters as the station keeps them.

#include <cstdint>
#include <string>

namespace tagwright {

struct PortSettings {
    std::string portName;            // "ttyUSB0" (under /dev) or a path
    std::int32_t baudRate = 0;
    std::int32_t dataBits = 0;
    std::int32_t stopBitsCode = 0;   // 0 = one, 1 = one and a half, 2 = two
    std::int32_t parityCode = 0;     // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::int32_t flowControlCode = 0;  // 0 none, 1 XON/XOFF, 2 hardware
};

}  // namespace tagwright
