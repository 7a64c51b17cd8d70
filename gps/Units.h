#pragma once

#include <QString>

// The unit codes shared by the unit settings (SPEED_FORMAT, DISTANCE_FORMAT, ALTITUDE_FORMAT,
// TEMPERATURE_FORMAT, RAIN_FORMAT) and the conversions applied where values are shown. Inside the
// station database speeds are knots, altitudes feet, distances kilometres.
namespace Units {

enum Code {
    Celsius = 0,
    Fahrenheit = 1,
    KilometresPerHour = 2,
    MilesPerHour = 3,
    Knots = 4,
    Centimetres = 5,
    Metres = 6,
    Kilometres = 7,
    Inches = 8,
    Feet = 9,
    Miles = 10,
    Millimetres = 16,
    HundredthsOfInch = 17,
};

inline constexpr double kKnotsToKmh = 1.8520000893004895;
inline constexpr double kKnotsToMph = 1.150779503512294;
inline constexpr double kKmToMiles = 0.621371192237334;
inline constexpr double kMetresToFeet = 3.280839895013123; // 1 / 0.3048
inline constexpr double kMetresPerSecondToKnots = 3600.0 / 1852.0;

inline double knotsToKmh(double knots) {
    return knots * kKnotsToKmh;
}
inline double knotsToMph(double knots) {
    return knots * kKnotsToMph;
}
inline double kmToMiles(double km) {
    return km * kKmToMiles;
}
inline double metresToFeet(double metres) {
    return metres * kMetresToFeet;
}
inline double feetToMetres(double feet) {
    return feet / kMetresToFeet;
}

// The GPS view's speed: code 2 "18.52Km/h", 3 "11.51Mi/h", anything else "10.00Kn".
QString gpsSpeedText(double knots, int speedFormat);
// A distance as the station list shows it: codes below 8 "12.35Km", otherwise "7.67Mi".
QString distanceText(double km, int distanceFormat);

} // namespace Units
