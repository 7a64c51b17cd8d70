#pragma once

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
