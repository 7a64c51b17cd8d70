#include "app/Version.h"

#include <QStringList>

ProgramVersion ProgramVersion::fromBuildDate(const char* date) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QStringList parts = QString::fromLatin1(date).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    ProgramVersion v;
    if (parts.size() != 3) return v;
    int month = 0;
    for (int i = 0; i < 12; ++i)
        if (parts[0] == QLatin1String(kMonths[i])) month = i + 1;
    v.major = parts[2].toInt();
    v.minor = month * 100 + parts[1].toInt();
    return v;
}

ProgramVersion ProgramVersion::current() {
    return fromBuildDate(__DATE__);
}
