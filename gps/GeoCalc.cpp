#include "gps/GeoCalc.h"

#include <algorithm>
#include <cmath>

double GeoCalc::centralAngle(double lat1, double lon1, double lat2, double lon2) const {
    const double p1 = lat1 * kDegToRad, l1 = lon1 * kDegToRad;
    const double p2 = lat2 * kDegToRad, l2 = lon2 * kDegToRad;
    double c = std::cos(l1 - l2) * std::cos(p2) * std::cos(p1) + std::sin(p2) * std::sin(p1);
    // Rounding can push the cosine just past 1 for equal points; acos would give NaN.
    c = std::clamp(c, -1.0, 1.0);
    return std::acos(c);
}

double GeoCalc::distanceKm(double lat1, double lon1, double lat2, double lon2) const {
    return kMeanEarthRadiusKm * centralAngle(lat1, lon1, lat2, lon2);
}

namespace {
// Hundredths of a second, rounded half up.
double toHundredthsOfSecond(double degrees) {
    return std::floor(degrees * 360000.0 + 0.5);
}
} // namespace

double GeoCalc::bearing(double lat1, double lon1, double lat2, double lon2) const {
    const double rLat1 = toHundredthsOfSecond(lat1), rLon1 = toHundredthsOfSecond(lon1);
    const double rLat2 = toHundredthsOfSecond(lat2), rLon2 = toHundredthsOfSecond(lon2);

    if (rLat1 == rLat2) {
        if (rLon1 == rLon2) return 0.0;
        return rLon2 > rLon1 ? 90.0 : 270.0;
    }
    if (rLon1 == rLon2) return rLat2 < rLat1 ? 180.0 : 0.0;

    const double d = centralAngle(lat1, lon1, lat2, lon2);
    const double s = std::sin(d);
    double ratio = s == 0.0 ? 0.0 : std::sin((lon2 - lon1) * kDegToRad) / s * std::cos(lat2 * kDegToRad);
    ratio = std::clamp(ratio, -1.0, 1.0);
    const double a = std::asin(ratio) * kRadToDeg;

    if (rLat2 > rLat1) return rLon2 > rLon1 ? a : a + 360.0;
    return 180.0 - a;
}

double GeoCalc::ellipsoidalDistanceKm(double lat1, double lon1, double lat2, double lon2) const {
    if (lat1 == lat2 && lon1 == lon2) return 0.0;

    const double a = kEquatorialRadiusKm;
    const double f = kFlattening;
    const double b = a * (1.0 - f);

    const double l = (lon2 - lon1) * kDegToRad;
    // Reduced latitudes. atan2 rather than atan(tan()): with the rounded degree factor, 90 degrees
    // lands just past a right angle, where tan() changes sign and a pole would flip hemisphere.
    const double p1 = lat1 * kDegToRad, p2 = lat2 * kDegToRad;
    const double u1 = std::atan2((1.0 - f) * std::sin(p1), std::cos(p1));
    const double u2 = std::atan2((1.0 - f) * std::sin(p2), std::cos(p2));
    const double sinU1 = std::sin(u1), sinU2 = std::sin(u2);
    double cosU1 = std::cos(u1), cosU2 = std::cos(u2);
    if (cosU1 == 0.0) cosU1 = 1e-10;
    if (cosU2 == 0.0) cosU2 = 1e-10;

    double lambda = l;
    double sinSigma = 0, cosSigma = 0, sigma = 0, cosSqAlpha = 0, cos2SigmaM = 0;
    // Nearly antipodal points may not converge; a bounded number of rounds keeps that finite.
    for (int iteration = 0; iteration < 200; ++iteration) {
        const double sinLambda = std::sin(lambda), cosLambda = std::cos(lambda);
        const double t1 = cosU2 * sinLambda;
        const double t2 = cosU1 * sinU2 - sinU1 * cosU2 * cosLambda;
        sinSigma = std::sqrt(t1 * t1 + t2 * t2);
        if (sinSigma == 0.0) return 0.0; // coincident points
        cosSigma = sinU1 * sinU2 + cosU1 * cosU2 * cosLambda;
        sigma = std::atan2(sinSigma, cosSigma);
        const double sinAlpha = cosU1 * cosU2 * sinLambda / sinSigma;
        cosSqAlpha = 1.0 - sinAlpha * sinAlpha;
        // Both points on the equator: the geodesic is the equator itself.
        cos2SigmaM = cosSqAlpha != 0.0 ? cosSigma - 2.0 * sinU1 * sinU2 / cosSqAlpha : 0.0;
        const double c = f / 16.0 * cosSqAlpha * (4.0 + f * (4.0 - 3.0 * cosSqAlpha));
        const double previous = lambda;
        lambda = l + (1.0 - c) * f * sinAlpha *
                         (sigma + c * sinSigma *
                                      (cos2SigmaM + c * cosSigma * (-1.0 + 2.0 * cos2SigmaM * cos2SigmaM)));
        if (std::fabs(lambda - previous) <= kConvergenceLimit) break;
    }

    const double uSq = cosSqAlpha * (a * a - b * b) / (b * b);
    const double bigA = 1.0 + uSq / 16384.0 * (4096.0 + uSq * (-768.0 + uSq * (320.0 - 175.0 * uSq)));
    const double bigB = uSq / 1024.0 * (256.0 + uSq * (-128.0 + uSq * (74.0 - 47.0 * uSq)));
    const double deltaSigma =
        bigB * sinSigma *
        (cos2SigmaM + bigB / 4.0 *
                          (cosSigma * (-1.0 + 2.0 * cos2SigmaM * cos2SigmaM) -
                           bigB / 6.0 * cos2SigmaM * (-3.0 + 4.0 * sinSigma * sinSigma) *
                               (-3.0 + 4.0 * cos2SigmaM * cos2SigmaM)));
    return b * bigA * (sigma - deltaSigma);
}
