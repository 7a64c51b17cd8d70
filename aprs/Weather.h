#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

class StationRecord;

// One parsed APRS weather report. -1 (temperature -50000) means that the value was not reported.
struct WeatherReport {
    QString remainder; // the text after the last recognised weather field
    QString software = QStringLiteral("Unknown Program!");
    int32_t windDirection = -1;     // degrees
    int32_t windSpeed = -1;         // mph
    int32_t windGust = -1;          // mph
    double temperature = -50000;    // °F
    int32_t rainLastHour = -1;      // 1/100 in
    int32_t rainLast24h = -1;       // 1/100 in
    int32_t rainSinceMidnight = -1; // 1/100 in
    int32_t humidity = -1;          // %
    int32_t pressure = -1;          // 1/10 hPa
    int32_t unnamed1 = -1;
    int32_t unnamed2 = -1;
    double windChill = -1; // °F, derived
    double dewPoint = -1;  // °F, derived
    double heatIndex = -1; // °F, derived
    // Read for the decode tool; the record has no field for them.
    int32_t luminosity = -1; // W/m² ('L' below 1000, 'l' from 1000)
    double snow24h = -1;     // inches in the last 24 hours
    int32_t rainRaw = -1;    // raw rain counter ('#')
    QString stationType;     // software type and weather unit ("wRSW"), when that is all that follows
};

// The reporting software named by the character after 'S'.
QString weatherSoftwareName(QChar code);

// A positionless report "_MMDDHHMM" followed by weather fields (the whole information field).
// Negative temperatures are not taken in this form; a four-digit pressure is whole hPa. Derived
// values are filled in. Nothing when a field runs past the end of the text.
std::optional<WeatherReport> parsePositionlessWeather(QStringView information);

// The weather after a position with the weather symbol: "ddd/sss" (wind direction and speed), then
// weather fields from character 7. Negative temperatures are taken; the pressure is always five
// digits. Derived values are filled in. Nothing when the text does not start with a wind group or
// a field runs past its end.
std::optional<WeatherReport> parseWeatherAfterPositionText(QStringView text);

// Derived values. A non-reported input gives a meaningless number, stored as it comes.
double windChillF(double temperatureF, double windSpeedMph);
double dewPointF(double temperatureF, double humidityPercent);
double heatIndexF(double temperatureF, double humidityPercent);
// Fills windChill, dewPoint and heatIndex of the report from its readings.
void deriveWeatherValues(WeatherReport& report);

// Copies every weather value into the record's weather block (temperature and heat index as whole
// numbers) and makes it a weather station.
void applyWeather(StationRecord& record, const WeatherReport& report);

// Saturating conversion of a derived or parsed value to the record's whole numbers.
int32_t wholeNumber(double value);
