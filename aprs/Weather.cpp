#include "aprs/Weather.h"

#include "aprs/StationRecord.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// The decimal number at text[from] up to its first non-digit, with an optional leading '-' when
// allowed. A field of dots or blanks (the format's "no reading") has no digits: the value stays
// unreported. False for a number too large for the record's 32 bits.
bool readField(QStringView text, qsizetype from, int32_t& out, bool allowSign = false) {
    qsizetype i = from;
    bool negative = false;
    if (allowSign && i < text.size() && text[i] == u'-') {
        negative = true;
        ++i;
    }
    const qsizetype firstDigit = i;
    int64_t value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > std::numeric_limits<int32_t>::max()) return false;
    }
    if (i == firstDigit) return true;
    out = static_cast<int32_t>(negative ? -value : value);
    return true;
}

enum class WeatherForm { Positionless, AfterPosition };

// A remainder that is only the software type and the weather unit code ("wRSW", "eMDS") names
// the station, it is no comment.
void takeStationType(WeatherReport& w) {
    const QStringView r = QStringView(w.remainder).trimmed();
    if (r.size() < 3 || r.size() > 5 || !isAsciiLetter(r[0])) return;
    for (QChar c : r)
        if (!isAsciiLetter(c) && !isDigit(c) && c != u'-' && c != u'_') return;
    w.stationType = r.toString();
}

// The weather fields from text[p] on: each letter names a field of fixed width; the first
// character that names no field keeps the rest as the remainder. Stepping past the end of the text
// means a field was cut short: the report is refused.
bool parseFields(QStringView text, qsizetype p, WeatherForm form, WeatherReport& w) {
    const bool positionless = form == WeatherForm::Positionless;
    const qsizetype n = text.size();
    for (;;) {
        if (p == n) return true;
        if (p > n) return false;
        const char16_t c = text[p].unicode();
        bool ok = true;
        switch (c) {
        case u's':
            // After the wind group (and in reports after a position) 's' is the snowfall.
            if (!positionless || w.windSpeed != -1) {
                qsizetype i = p + 1;
                double snow = 0;
                bool any = false;
                for (; i < n && i < p + 4 && (isDigit(text[i]) || text[i] == u'.'); ++i) any = true;
                if (any) {
                    bool converted = false;
                    snow = text.sliced(p + 1, i - p - 1).toDouble(&converted);
                    if (converted) w.snow24h = snow;
                }
                p += 4;
                break;
            }
            ok = readField(text, p + 1, w.windSpeed);
            p += 4;
            break;
        case u'L':
        case u'l': {
            int32_t lum = -1;
            ok = readField(text.first(std::min(n, p + 4)), p + 1, lum);
            if (lum != -1) w.luminosity = c == u'l' ? lum + 1000 : lum;
            p += 4;
            break;
        }
        case u'#':
            ok = readField(text.first(std::min(n, p + 4)), p + 1, w.rainRaw);
            p += 4;
            break;
        case u'c':
            if (!positionless) {
                w.remainder = text.sliced(p).toString();
                return true;
            }
            ok = readField(text, p + 1, c == u'c' ? w.windDirection : w.windSpeed);
            p += 4;
            break;
        case u'g':
            ok = readField(text, p + 1, w.windGust);
            p += 4;
            break;
        case u't':
            // Positionless reports only take a temperature that starts with a digit.
            if (!positionless || (p + 1 < n && isDigit(text[p + 1]))) {
                int32_t t = -50000;
                ok = readField(text, p + 1, t, !positionless);
                if (ok && t != -50000) w.temperature = t;
            }
            p += 4;
            break;
        case u'r':
            ok = readField(text, p + 1, w.rainLastHour);
            p += 4;
            break;
        case u'p':
            ok = readField(text, p + 1, w.rainLast24h);
            p += 4;
            break;
        case u'P':
            ok = readField(text, p + 1, w.rainSinceMidnight);
            p += 4;
            break;
        case u'h':
            ok = readField(text, p + 1, w.humidity);
            if (w.humidity == 0) w.humidity = 100; // "h00" is 100 %
            p += 3;
            break;
        case u'b': {
            int32_t pressure = -1;
            ok = readField(text, p + 1, pressure);
            // A positionless report may give whole hPa in four digits, a letter following at once.
            if (positionless && p + 5 < n && isAsciiLetter(text[p + 5])) {
                if (pressure >= 0) {
                    if (pressure > std::numeric_limits<int32_t>::max() / 10) return false;
                    pressure *= 10;
                }
                p += 5;
            } else {
                p += 6;
            }
            if (pressure != -1) w.pressure = pressure;
            break;
        }
        case u'S':
            if (p + 1 < n) w.software = weatherSoftwareName(text[p + 1]);
            p += 2;
            break;
        default:
            w.remainder = text.sliced(p).toString();
            takeStationType(w);
            return true;
        }
        if (!ok) return false;
    }
}

} // namespace

QString weatherSoftwareName(QChar code) {
    switch (code.unicode()) {
    case u'M':
        return QStringLiteral("MacAPRS");
    case u'S':
        return QStringLiteral("APRS+SA");
    case u'W':
        return QStringLiteral("WinAPRS");
    case u'X':
        return QStringLiteral("X-APRS");
    case u'd':
        return QStringLiteral("APRSdos");
    case u'p':
        return QStringLiteral("PocketAPRS");
    default:
        return QStringLiteral("Unknown Program!");
    }
}

std::optional<WeatherReport> parsePositionlessWeather(QStringView information) {
    // '_' and the time stamp MMDDHHMM come first; the fields start at character 9.
    WeatherReport w;
    if (!parseFields(information, 9, WeatherForm::Positionless, w)) return std::nullopt;
    deriveWeatherValues(w);
    return w;
}

std::optional<WeatherReport> parseWeatherAfterPositionText(QStringView text) {
    if (text.size() < 4 || text[3] != u'/') return std::nullopt;
    WeatherReport w;
    if (!readField(text.first(3), 0, w.windDirection) || !readField(text, 4, w.windSpeed))
        return std::nullopt;
    if (!parseFields(text, 7, WeatherForm::AfterPosition, w)) return std::nullopt;
    deriveWeatherValues(w);
    return w;
}

double windChillF(double t, double v) {
    if (v < 4) return t;
    return 0.0817 * (3.71 * std::sqrt(v) + 5.81 - 0.25 * v) * (t - 91.4) + 91.4;
}

double dewPointF(double temperatureF, double humidityPercent) {
    // Magnus form of the saturation vapour pressure over water (coefficients 17.625 and
    // 243.04 °C), inverted for the temperature at which the actual vapour pressure saturates.
    constexpr double b = 17.625;
    constexpr double c = 243.04;
    const double t = (temperatureF - 32.0) * 5.0 / 9.0;
    const double gamma = std::log(humidityPercent / 100.0) + b * t / (c + t);
    const double dew = c * gamma / (b - gamma);
    const double f = dew * 9.0 / 5.0 + 32.0;
    // No humidity (or a temperature on the formula's pole) has no dew point: keep the not-derived
    // value rather than a NaN or infinity that every later comparison and conversion trips over.
    return std::isfinite(f) ? f : -1.0;
}

double heatIndexF(double t, double rh) {
    if (t < 80 || rh < 40) return t;
    return -42.379 + 2.04901523 * t + 10.14333127 * rh - 0.22475541 * t * rh - 6.83783e-3 * t * t -
           5.481717e-2 * rh * rh + 1.22874e-3 * t * t * rh + 8.5282e-4 * t * rh * rh -
           1.99e-6 * t * t * rh * rh;
}

void deriveWeatherValues(WeatherReport& w) {
    w.windChill = windChillF(w.temperature, w.windSpeed);
    w.dewPoint = dewPointF(w.temperature, w.humidity);
    w.heatIndex = heatIndexF(w.temperature, w.humidity);
}

int32_t wholeNumber(double value) {
    if (std::isnan(value)) return -1;
    if (value >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (value <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

void applyWeather(StationRecord& record, const WeatherReport& w) {
    StationRecord::Weather& r = record.weather;
    r.software = w.software;
    r.windDirection = w.windDirection;
    r.windSpeed = w.windSpeed;
    r.windGust = w.windGust;
    r.temperature = wholeNumber(w.temperature);
    r.rainLastHour = w.rainLastHour;
    r.rainLast24h = w.rainLast24h;
    r.rainSinceMidnight = w.rainSinceMidnight;
    r.humidity = w.humidity;
    r.pressure = w.pressure;
    r.unnamed1 = w.unnamed1;
    r.unnamed2 = w.unnamed2;
    r.windChill = w.windChill;
    r.dewPoint = w.dewPoint;
    r.heatIndex = wholeNumber(w.heatIndex);
    record.stationType = StationType::Weather;
}
