#include "maps/MapLabelSettings.h"

#include "aprs/StationRecord.h"
#include "gps/Units.h"
#include "platform/Settings.h"
#include "platform/SettingsStore.h"
#include "platform/gui/LogFont.h"
#include "platform/gui/WinColor.h"

#include <QGuiApplication>

MapLabelSettings MapLabelSettings::read(const SettingsStore& s) {
    MapLabelSettings m;
    m.labelType = ::read(s, Settings::LABELTYPE);
    m.textBorder = ::read(s, Settings::TEXTBORDER);
    m.backColor = WinColor::toQColor(static_cast<uint32_t>(::read(s, Settings::LABELBACKCOLOR)));
    m.textColor = WinColor::toQColor(static_cast<uint32_t>(::read(s, Settings::LABELTEXTCOLOR)));
    std::optional<LogFont> font;
    if (const auto bytes = ::read(s, Settings::TEXTFONT)) font = LogFont::fromBytes(*bytes);
    m.font = font ? font->toQFont() : QGuiApplication::font();
    m.weatherPlainLabel = ::read(s, Settings::LABELS_WX_NORMAL) != 0;
    m.weatherTemperature = ::read(s, Settings::LABELS_WX_TEMP) != 0;
    m.weatherWind = ::read(s, Settings::LABELS_WX_WIND) != 0;
    m.weatherHumidity = ::read(s, Settings::LABELS_WX_HUMDITY) != 0;
    m.weatherPressure = ::read(s, Settings::LABELS_WX_PRES) != 0;
    m.temperatureFormat = ::read(s, Settings::TEMPERATURE_FORMAT_UNITS);
    m.speedFormat = ::read(s, Settings::SPEED_FORMAT_STATIONS);
    m.distanceFormat = ::read(s, Settings::DISTANCE_FORMAT);
    m.drawCoverage = ::read(s, Settings::PHGRANGEDRAW) != 0;
    m.trackColor = WinColor::toQColor(static_cast<uint32_t>(::read(s, Settings::TRACKCOLOR)));
    return m;
}

bool MapLabelSettings::imperialDistances() const {
    return distanceFormat >= Units::Inches && distanceFormat <= Units::Miles;
}

QString MapLabelSettings::styleKey() const {
    return QStringLiteral("%1|%2|%3|%4")
        .arg(textBorder)
        .arg(backColor.rgba(), 8, 16)
        .arg(textColor.rgba(), 8, 16)
        .arg(font.key());
}

QString stationLabelText(const StationRecord& r, const MapLabelSettings& s) {
    // Object names travel padded to nine characters; the blanks would only widen the box.
    const QString name = QStringView(r.call).trimmed().toString();
    if (r.stationType != StationType::Weather || s.weatherPlainLabel) return name;
    const auto& w = r.weather;
    QString text = u'(' + name + u')';
    // 64-bit arithmetic: the readings come from the air and may be any 32-bit value.
    if (s.weatherTemperature && w.temperature > -50000) {
        const qint64 f = w.temperature;
        if (s.temperatureFormat == Units::Celsius)
            text += QStringLiteral(":%1\u00B0C").arg((f - 32) * 5 / 9);
        else
            text += QStringLiteral(":%1\u00B0F").arg(f);
    }
    if (s.weatherWind) {
        if (w.windDirection >= 0) text += QStringLiteral(":%1\u00B0").arg(w.windDirection);
        if (w.windSpeed >= 0) {
            if (s.speedFormat == Units::KilometresPerHour)
                text += QStringLiteral(":%1Km/h").arg(static_cast<qint64>(w.windSpeed * 1.609344));
            else
                text += QStringLiteral(":%1mph").arg(w.windSpeed);
        }
    }
    // Humidity and pressure that were not reported (-1) are left out rather than shown as -1.
    if (s.weatherHumidity && w.humidity >= 0) text += QStringLiteral(":%1%").arg(w.humidity);
    if (s.weatherPressure && w.pressure >= 0) text += QStringLiteral(":%1Hpa").arg(w.pressure / 10);
    return text;
}
