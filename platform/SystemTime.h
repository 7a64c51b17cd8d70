#pragma once

#include <QDateTime>
#include <cstdint>

// Broken-down time as the data files store it: eight 16-bit values.
struct SystemTime {
    uint16_t year = 0;
    uint16_t month = 0;
    uint16_t dayOfWeek = 0; // 0 = Sunday
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t millisecond = 0;

    static SystemTime fromDateTime(const QDateTime& dt);
    // Read as local time (heard times) or as UTC (message times).
    QDateTime toDateTime(Qt::TimeSpec zone = Qt::LocalTime) const;
    bool isValid() const { return toDateTime().isValid(); }
    // Seconds since 1970 for the clock-free comparisons (expiry); 0 for an invalid time.
    qint64 toSecsSinceEpoch(Qt::TimeSpec zone = Qt::LocalTime) const;
    // Seconds from 1970-01-01 00:00:00 to the time as written, with no time zone applied: the
    // difference of two local times is their wall-clock difference. No zone look-up, so ages of
    // 100,000 stations are taken in microseconds, not a file-system check each. 0 for an invalid
    // time.
    qint64 wallClockSeconds() const;
    bool operator==(const SystemTime&) const = default;
};
