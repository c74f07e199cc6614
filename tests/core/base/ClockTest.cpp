#include <gtest/gtest.h>

#include "core/base/Clock.h"

TEST(SystemClock, GivesAPlausibleLocalTime) {
    tagwright::LocalTime t = tagwright::SystemClock{}.Now();
    EXPECT_GE(t.year, 2024);
    EXPECT_GE(t.month, 1);
    EXPECT_LE(t.month, 12);
    EXPECT_LE(t.second, 60);
}
