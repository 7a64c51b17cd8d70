#include "gps/Units.h"

#include "gps/NumberText.h"

using NumberText::fixed;
using NumberText::q;

QString Units::gpsSpeedText(double knots, int speedFormat) {
    if (speedFormat == KilometresPerHour) return q(fixed(knotsToKmh(knots), 2)) + QStringLiteral("Km/h");
    if (speedFormat == MilesPerHour) return q(fixed(knotsToMph(knots), 2)) + QStringLiteral("Mi/h");
    return q(fixed(knots, 2)) + QStringLiteral("Kn");
}

QString Units::distanceText(double km, int distanceFormat) {
    if (distanceFormat < Inches) return q(fixed(km, 2)) + QStringLiteral("Km");
    return q(fixed(kmToMiles(km), 2)) + QStringLiteral("Mi");
}
