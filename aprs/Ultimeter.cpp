#include "aprs/Ultimeter.h"

namespace {

constexpr int kFields = 12;
constexpr int kFieldWidth = 4;

// Four hexadecimal digits; nothing for anything else ("----" when a sensor is missing).
std::optional<int> hexField(QStringView text) {
    int v = 0;
    for (QChar q : text) {
        const char16_t c = q.unicode();
        int d;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        else
            return std::nullopt;
        v = v * 16 + d;
    }
    return v;
}

} // namespace

std::optional<WeatherReport> parseUltimeter(QStringView information) {
    qsizetype start;
    if (information.startsWith(u"!!"))
        start = 2;
    else if (information.startsWith(u"$ULT"))
        start = 5; // "$ULT" and the mode letter
    else
        return std::nullopt;
    if (information.size() < start + kFields * kFieldWidth) return std::nullopt;
    auto field = [&](int n) {
        return hexField(information.sliced(start + (n - 1) * kFieldWidth, kFieldWidth));
    };

    WeatherReport w;
    w.software = QStringLiteral("ULTIMETER");
    if (const auto v = field(1)) w.windSpeed = *v;
    if (const auto v = field(2)) w.windDirection = *v;
    // Tenths of a degree in two's complement: FF9C is -10.0 °F.
    if (const auto v = field(3)) w.temperature = static_cast<int16_t>(static_cast<uint16_t>(*v)) / 10;
    if (const auto v = field(5)) w.pressure = *v;
    if (const auto v = field(9)) w.humidity = *v / 10;
    if (const auto v = field(12)) w.rainSinceMidnight = *v;
    deriveWeatherValues(w);
    return w;
}
