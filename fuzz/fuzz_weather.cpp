// Weather reports of every form on arbitrary text: the parsers directly, and through monitor lines
// into the station database with real track files. The first byte picks the form; the rest is the
// report's text (bytes as from the air).
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/StationTracks.h"
#include "aprs/Ultimeter.h"
#include "aprs/Weather.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "tests/support/TemporaryStation.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {
void check(const WeatherReport& w, bool aprsForm) {
    if (std::isnan(w.dewPoint) || std::isnan(w.windChill) || std::isnan(w.heatIndex)) std::abort();
    if (aprsForm && w.humidity == 0) std::abort(); // "h00" is 100 %
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TemporaryStation* world = new TemporaryStation(TemporaryStation::Tracks::Plugged);
    static int runs = 0;
    if (size < 1) return 0;
    const QString text = CodePage::decode(
        QByteArrayView(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1)));

    if (const auto w = parsePositionlessWeather(text)) check(*w, true);
    if (const auto w = parseWeatherAfterPositionText(text)) check(*w, true);
    if (const auto w = parseUltimeter(text)) check(*w, false);

    static const QString prefixes[] = {
        QStringLiteral("_"),                    // positionless, time stamp and fields from the input
        QStringLiteral("!4903.50N/07201.75W_"), // after a plain position
        QStringLiteral("@092345z4903.50N/07201.75W_"),
        QStringLiteral("=/5L!!<*e7_7P["), // after a compressed position
        QStringLiteral("!!"),             // Ultimeter packet mode
        QStringLiteral("$ULT"),           // Ultimeter logger mode
        QString(),                        // as it comes
    };
    const QString info = prefixes[data[0] % std::size(prefixes)] + text;
    world->clock.advance(1000);
    const QString line =
        QStringLiteral("00:Fm WX1ABC To APRS Via WIDE2-1* <UI pid=F0 Len=%1 >[12:00:00]\r%2\r")
            .arg(info.size())
            .arg(info);
    if (StationRecord* r = world->stations.ProcessMonitorText(line, 0)) {
        if (r->course > 359) std::abort();
        if (std::isnan(r->weather.dewPoint) || std::isnan(r->weather.windChill)) std::abort();
    }
    // Keep the track file and the list small.
    if (++runs % 1024 == 0) {
        world->tracks.deleteTrack(QStringLiteral("WX1ABC"));
        world->stations.RemoveAll();
    }
    return 0;
}
