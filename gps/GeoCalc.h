#pragma once

// Geodetic constants and the distance and bearing computations. A GeoCalc has no state beyond its
// constants and is made on the stack wherever a distance or a bearing is needed. The constants keep
// their historic precision so that distances and bearings come out the same everywhere.
class GeoCalc {
public:
    static constexpr double kPi = 3.14159265359;
    static constexpr double kTwoPi = 6.28318530718;
    static constexpr double kDegToRad = 0.01745329252;
    static constexpr double kRadToDeg = 57.2957795129;
    static constexpr double kEquatorialRadiusKm = 6378.135;
    static constexpr double kEquatorialRadiusM = 6378135.0;
    static constexpr double kMeanEarthRadiusKm = 6371.0;
    static constexpr double kFlattening = 0.003352779454167505; // 1/298.26
    static constexpr double kConvergenceLimit = 5e-12;
    static constexpr double kKmToMiles = 0.621371;

    // Great-circle distance in kilometres on the 6371.0 km sphere (spherical law of cosines).
    double distanceKm(double lat1, double lon1, double lat2, double lon2) const;

    // Initial bearing from point 1 to point 2 in degrees 0..360. Points that agree to a hundredth of a
    // second in latitude or longitude take the exact cardinal directions.
    double bearing(double lat1, double lon1, double lat2, double lon2) const;

    // Distance on the ellipsoid in kilometres by Vincenty's inverse formula.
    double ellipsoidalDistanceKm(double lat1, double lon1, double lat2, double lon2) const;

    // The central angle in radians between two points (the arc the distances are built on).
    double centralAngle(double lat1, double lon1, double lat2, double lon2) const;
};
