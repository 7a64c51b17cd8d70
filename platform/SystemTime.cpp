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

QDateTime SystemTime::toDateTime(Qt::TimeSpec spec) const {
    const QDate d(year, month, day);
    const QTime tm(hour, minute, second, millisecond);
    if (!d.isValid() || !tm.isValid()) return {};
    return QDateTime(d, tm, spec == Qt::UTC ? Qt::UTC : Qt::LocalTime);
}

qint64 SystemTime::toSecsSinceEpoch(Qt::TimeSpec spec) const {
    const QDateTime dt = toDateTime(spec);
    return dt.isValid() ? dt.toSecsSinceEpoch() : 0;
}
