#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// An APRS object report ";NNNNNNNNN*DDHHMMzDDMM.mmN/DDDMM.mmW$comment".
struct ObjectReport {
    QString name;      // nine characters, blanks included
    bool live = false; // '*' live, anything else killed
    QString time;      // the seven-character time stamp; not used for the record
    // Position and symbol: only read for a live object.
    double latitude = 0;
    double longitude = 0;
    char16_t symbolTable = '/';
    char16_t symbolCode = '-';
    QString comment;
};

// The whole information field, ';' included. Nothing when the text after ';' is shorter than 35
// characters, or, for a live object, when the symbol code is missing or the position does not
// read. A killed object needs only its name.
std::optional<ObjectReport> parseObjectReport(QStringView information);
