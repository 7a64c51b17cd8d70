// gpsd's JSON reports, one per line, into one position record: any bytes leave a record whose
// values are in range, whose texts have the APRS form, and whose Mic-E report encodes.
#include "gps/GPSReader.h"
#include "gps/GpsdJson.h"
#include "gps/MicEEncoder.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    GpsPosition position;
    GpsTexts texts;
    int valid = 0;
    qsizetype start = 0;
    while (start <= input.size()) {
        qsizetype end = input.indexOf('\n', start);
        if (end < 0) end = input.size();
        const auto report = GpsdJson::apply(input.sliced(start, end - start), position);
        start = end + 1;
        if (position.satellites.size() > GpsPosition::kMaxSatellites) std::abort();
        if (report != GpsdJson::Report::Tpv) continue;
        if (position.has(GpsPosition::Latitude) && !(std::fabs(position.latitude) <= 90)) std::abort();
        if (position.has(GpsPosition::Longitude) && !(std::fabs(position.longitude) <= 180)) std::abort();
        if (!GPSReader::processPosition(position, texts, valid)) continue;
        if (position.has(GpsPosition::Latitude) && texts.aprsLatitude.size() != 8) std::abort();
        if (position.has(GpsPosition::Longitude) && texts.aprsLongitude.size() != 9) std::abort();
        if (texts.aprsLatitude.size() == 8 && texts.aprsLongitude.size() == 9) {
            const auto mice = MicEEncoder::encode(
                texts.aprsLatitude, texts.aprsLongitude, static_cast<int>(position.heading),
                static_cast<int>(position.speed), static_cast<int>(position.altitudeMsl), '>', '/');
            if (!mice || mice->information.size() != 13 || mice->destination.size() != 6) std::abort();
            for (char c : mice->information)
                if (static_cast<unsigned char>(c) < 28 || static_cast<unsigned char>(c) > 127) std::abort();
        }
    }
    return 0;
}
