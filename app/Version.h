#pragma once

#include <QString>

// The program's version comes from its build date ("May 18 2008"): major = year,
// minor = month * 100 + day.
struct ProgramVersion {
    int major = 0;
    int minor = 0;
    static ProgramVersion fromBuildDate(const char* date);
    static ProgramVersion current();
    QString text() const { return QStringLiteral("Ver %1.%2").arg(major).arg(minor); }
};
