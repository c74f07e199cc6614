#pragma once
// Local wall-clock time, injectable so that time stamps are exact in tests.

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
};

class SystemClock final : public Clock {
public:
    LocalTime Now() const override;
};

}  // namespace tagwright
