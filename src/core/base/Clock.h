#pragma once
// Local wall-clock time, injectable so that time stamps are exact in tests.

#include <cstdint>

namespace tagwright {

struct LocalTime {
    int year = 1970;  // four digits
    int month = 1;    // 1-12
    int day = 1;      // 1-31
    int hour = 0;     // 0-23
    int minute = 0;
    int second = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime Now() const = 0;
    // Seconds for measuring spans (idle times, waits). By default counted
    // from Now() as if it were UTC, so that a clock a test sets moves them.
    virtual std::int64_t Seconds() const;
};

class SystemClock final : public Clock {
public:
    LocalTime Now() const override;
    // Monotonic: a change of the wall clock or of summer time moves no span.
    std::int64_t Seconds() const override;
};

}  // namespace tagwright
