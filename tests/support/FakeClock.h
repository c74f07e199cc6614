#pragma once
#include "core/base/Clock.h"

namespace tagwright::test {

// A clock that shows what the test sets.
class FakeClock final : public Clock {
public:
    explicit FakeClock(LocalTime t = {2026, 12, 5, 4, 45, 57}) : now_(t) {}
    LocalTime Now() const override { return now_; }
    void Set(LocalTime t) { now_ = t; }

private:
    LocalTime now_;
};

}  // namespace tagwright::test
