// Broken-down times as the data files keep them.
#include "platform/SystemTime.h"

#include <gtest/gtest.h>
#include <random>

namespace {

SystemTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    SystemTime t;
    t.year = static_cast<uint16_t>(y);
    t.month = static_cast<uint16_t>(mo);
    t.day = static_cast<uint16_t>(d);
    t.hour = static_cast<uint16_t>(h);
    t.minute = static_cast<uint16_t>(mi);
    t.second = static_cast<uint16_t>(s);
    t.millisecond = static_cast<uint16_t>(ms);
    return t;
}

TEST(SystemTime, WallClockSecondsAgreeWithTheCalendarAsIfUtc) {
    std::mt19937 rng(11);
    for (int i = 0; i < 20000; ++i) {
        const QDateTime utc = QDateTime::fromSecsSinceEpoch(
            std::uniform_int_distribution<qint64>(-2'000'000'000LL, 8'000'000'000LL)(rng), Qt::UTC);
        const SystemTime t = SystemTime::fromDateTime(utc);
        ASSERT_EQ(t.wallClockSeconds(), utc.toSecsSinceEpoch()) << utc.toString(Qt::ISODate).toStdString();
    }
    EXPECT_EQ(at(2000, 2, 29, 23, 59, 59, 999).wallClockSeconds(), 951868799);
    EXPECT_EQ(at(2024, 3, 1).wallClockSeconds() - at(2024, 2, 28).wallClockSeconds(), 2 * 86400);
}

TEST(SystemTime, UnreadableTimesCountAsZero) {
    EXPECT_EQ(SystemTime{}.wallClockSeconds(), 0);
    EXPECT_EQ(at(2023, 2, 29).wallClockSeconds(), 0); // no leap day
    EXPECT_EQ(at(1900, 2, 29).wallClockSeconds(), 0);
    EXPECT_EQ(at(2023, 13, 1).wallClockSeconds(), 0);
    EXPECT_EQ(at(2023, 4, 31).wallClockSeconds(), 0);
    EXPECT_EQ(at(2023, 1, 1, 24).wallClockSeconds(), 0);
    EXPECT_EQ(at(2023, 1, 1, 0, 60).wallClockSeconds(), 0);
    EXPECT_EQ(at(2023, 1, 1, 0, 0, 0, 1000).wallClockSeconds(), 0);
}

} // namespace
