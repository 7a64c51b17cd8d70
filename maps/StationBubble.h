#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

class StationRecord;

// The text shown for a station that is clicked or hovered on the map: plain lines, never markup.
// Texts from the air have their control characters replaced and are cut to a sensible length, so
// a comment cannot add lines of its own or grow without bound.
namespace StationBubble {

struct Context {
    QDateTime now;                     // local time, for the age
    std::optional<double> ownLatitude; // the station's own position, when known
    std::optional<double> ownLongitude;
    int distanceFormat = 7; // DISTANCE_FORMAT
    int speedFormat = 2;    // SPEED_FORMAT
};

constexpr int kMaxTextLength = 200;

// Call sign (with the object's owner), symbol name, comment, status, age, distance and bearing
// from us, speed and course when moving, heard via.
QStringList lines(const StationRecord& record, const Context& context);
// The lines joined with newlines.
QString plainText(const StationRecord& record, const Context& context);
// The lines as a tooltip: HTML-escaped and wrapped so that no text is taken for markup.
QString toolTip(const QStringList& lines);

// "just now", "45 s ago", "3 min ago", "2 h 5 min ago", "3 days ago"; "in the future" for a
// last-heard time ahead of now.
QString ageText(qint64 seconds);
// One line of a stranger's text: control characters become spaces, surrounding space is trimmed,
// and anything past kMaxTextLength becomes an ellipsis.
QString singleLine(const QString& text);

} // namespace StationBubble
