#pragma once

#include <QString>
#include <QStringView>
#include <optional>

class StationRecord;

// Data extensions and comment fields that follow an APRS position.

struct PhgValues {
    int power = 0;       // W
    int height = 0;      // ft
    int gain = 0;        // dB
    int directivity = 0; // degrees, 0 omni
    double range = 0;    // miles
};

// The first "PHGphgd" in text. Power, height and gain codes must be digits; a power of 0 makes
// it invalid (0 dB gain is a valid antenna). Directivity '1'..'8' is 45..360 degrees, anything
// else omni.
std::optional<PhgValues> parsePhg(QStringView text);
// Stores a valid PHG in the record; false (record unchanged) otherwise.
bool applyPhg(StationRecord& record, QStringView text);

// The number after the first "/A=" in text, in feet (an optional '-' before the digits). nullopt
// without "/A=", without digits, or when it does not fit 32 bits.
std::optional<int> parseAltitude(QStringView text);
// Altitude from the comment; unchanged when parseAltitude finds none.
void applyAltitude(StationRecord& record, QStringView comment);

struct CourseSpeed {
    int course = 0; // degrees
    int speed = 0;  // knots
};
// "ccc/sss" at the start of the comment (three digits, '/', three digits).
std::optional<CourseSpeed> parseCourseSpeed(QStringView comment);
// Course and speed from the comment; unchanged when it does not start with "ccc/sss".
void applyCourseSpeed(StationRecord& record, QStringView comment);

// "!DAO!" extra precision: datum byte, then two digits (upper-case datum: thousandths of a minute)
// or two base-91 characters (lower-case datum: 1/91 of a hundredth of a minute) adding to the
// latitude and longitude minutes; blanks carry the datum alone.
struct Dao {
    char16_t datum = 'W';       // upper case
    bool hasOffset = false;     // false for the datum-only form
    double latitudeOffset = 0;  // degrees, towards the pole
    double longitudeOffset = 0; // degrees, away from the meridian
    qsizetype at = 0;           // index of the opening '!'; the field is 5 characters
};
// The last "!xyz!" of text, when it reads as a DAO field.
std::optional<Dao> findDao(QStringView text);
// Moves the position by the offsets, away from the equator and the prime meridian.
void applyDao(const Dao& dao, double& latitude, double& longitude);

// "RNGrrrr" at the start of the comment: the pre-calculated radio range in miles.
std::optional<int> parseRange(QStringView comment);

// Base-91 comment telemetry "|ssAABBCCDDEEbb|": sequence and 1..5 analog values of two characters,
// the digital bits as one value.
struct CommentTelemetry {
    int sequence = 0;
    int values[5] = {};
    int valueCount = 0;
    std::optional<int> bits;
    qsizetype at = 0;     // index of the opening '|'
    qsizetype length = 0; // both bars included
};
std::optional<CommentTelemetry> findCommentTelemetry(QStringView text);

// A comment once the data extensions are taken out, as the public parsers return it.
struct CommentParts {
    std::optional<CourseSpeed> courseSpeed; // leading "ccc/sss"
    std::optional<PhgValues> phg;           // leading "PHGphgd"
    std::optional<int> rangeMiles;          // leading "RNGrrrr"
    std::optional<int> altitudeFt;          // the first "/A=", anywhere
    std::optional<Dao> dao;                 // anywhere
    std::optional<CommentTelemetry> telemetry;
    QString text; // what is left, trimmed
};
enum class CommentKind {
    Position, // course/speed, PHG or RNG may lead
    Plain,    // no leading extension (Mic-E status, weather remainder): altitude, DAO and telemetry only
};
CommentParts splitComment(QStringView comment, CommentKind kind = CommentKind::Position);
// The text of a comment without its extensions, trimmed; the same as splitComment(...).text.
QString commentText(QStringView comment, CommentKind kind = CommentKind::Position);
// Stores commentText(comment, kind) in field, copying nothing when it is unchanged.
void assignCommentText(QString& field, QStringView comment, CommentKind kind = CommentKind::Position);
