// Raw GPS sentences: the sentence parser on arbitrary bytes, and '$' information fields through
// monitor lines into the station database. When the first byte is odd the rest gets a correct
// checksum appended, so that the fields behind the check are reached; bit 1 puts "$GP" first.
#include "aprs/Nmea.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/StationTracks.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "tests/support/TemporaryStation.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TemporaryStation* world = new TemporaryStation(TemporaryStation::Tracks::Plugged);
    static int runs = 0;
    if (size < 1) return 0;
    QByteArray sentence(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    if (data[0] & 2) sentence.prepend("$GP");
    if (data[0] & 1) {
        uint8_t sum = 0;
        for (qsizetype i = 1; i < sentence.size(); ++i) sum ^= static_cast<uint8_t>(sentence[i]);
        sentence += '*' + QByteArray::number(sum, 16).rightJustified(2, '0');
    }

    NmeaError error = NmeaError::None;
    if (const auto fix = parseNmeaSentence(sentence, &error)) {
        if (error != NmeaError::None) std::abort();
        if (fix->latitude != -200 && !(std::fabs(fix->latitude) <= 90)) std::abort();
        if (fix->longitude != -200 && !(std::fabs(fix->longitude) <= 180)) std::abort();
        if (!std::isfinite(fix->speed) || !std::isfinite(fix->course)) std::abort();
    } else if (error == NmeaError::None) {
        std::abort();
    }

    const QString info = CodePage::decode(sentence);
    world->clock.advance(1000);
    const QString line =
        QStringLiteral("01:Fm GPS1 To GPSLK <UI pid=F0 Len=%1 >[12:00:00]\r%2\r").arg(info.size()).arg(info);
    if (StationRecord* r = world->stations.ProcessMonitorText(line, 1)) {
        if (r->course > 359 || !std::isfinite(r->speed)) std::abort();
        if (!(std::fabs(r->latitude) <= 90) || !(std::fabs(r->longitude) <= 180)) std::abort();
    }
    if (++runs % 1024 == 0) {
        world->tracks.deleteTrack(QStringLiteral("GPS1"));
        world->stations.RemoveAll();
    }
    return 0;
}
