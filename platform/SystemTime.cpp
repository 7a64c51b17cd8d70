#include "platform/SystemTime.h"

SystemTime SystemTime::fromDateTime(const QDateTime& dt) {
    SystemTime t;
    const QDate d = dt.date();
    const QTime tm = dt.time();
    t.year = static_cast<uint16_t>(d.year());
    t.month = static_cast<uint16_t>(d.month());
    t.dayOfWeek = static_cast<uint16_t>(d.dayOfWeek() % 7);
    t.day = static_cast<uint16_t>(d.day());
    t.hour = static_cast<uint16_t>(tm.hour());
    t.minute = static_cast<uint16_t>(tm.minute());
    t.second = static_cast<uint16_t>(tm.second());
    t.millisecond = static_cast<uint16_t>(tm.msec());
    return t;
}

QDateTime SystemTime::toDateTime(Qt::TimeSpec zone) const {
    const QDate d(year, month, day);
    const QTime tm(hour, minute, second, millisecond);
    if (!d.isValid() || !tm.isValid()) return {};
    return QDateTime(d, tm, zone == Qt::UTC ? Qt::UTC : Qt::LocalTime);
}

qint64 SystemTime::toSecsSinceEpoch(Qt::TimeSpec zone) const {
    const QDateTime dt = toDateTime(zone);
    return dt.isValid() ? dt.toSecsSinceEpoch() : 0;
}

namespace {

// Days from 1970-01-01 to the proleptic Gregorian date (the civil-days algorithm).
qint64 daysFromCivil(qint64 y, unsigned m, unsigned d) {
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<qint64>(doe) - 719468;
}

} // namespace

qint64 SystemTime::wallClockSeconds() const {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year == 0 || month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59 ||
        millisecond > 999)
        return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) return 0;
    return daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}
