#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// An APRS object report ";NNNNNNNNN*DDHHMMzDDMM.mmN/DDDMM.mmW$comment" or an item report
// ")NAME!DDMM.mmN/DDDMM.mmW$comment", either with a compressed position in place of the plain one.
struct ObjectReport {
    QString name;      // objects: nine characters, blanks included; items: 3..9 characters
    bool item = false; // ')' report
    bool live = false; // objects '*', items '!'; anything else killed
    QString time;      // objects: the seven-character time stamp; not used for the record
    bool hasPosition = false;
    bool compressed = false;
    double latitude = 0;
    double longitude = 0;
    int ambiguity = 0; // plain positions: level 0..4, the position is the box's centre
    char16_t symbolTable = '/';
    char16_t symbolCode = '-';
    // What the cs bytes of a compressed position carry.
    std::optional<int> course;   // degrees
    std::optional<double> speed; // knots
    std::optional<int> altitude; // feet
    std::optional<double> range; // miles
    QString comment;             // the text after the symbol code, as sent
};

// The whole information field, ';' or ')' included. Objects: nothing when the text after ';' is
// shorter than 35 characters (30 with a compressed position), or, for a live object, when the
// symbol code is missing or the position does not read; a killed object needs only its name.
// Items: nothing without a name of 3..9 characters ended by '!' or '_', or, when live, without a
// position.
std::optional<ObjectReport> parseObjectReport(QStringView information);
