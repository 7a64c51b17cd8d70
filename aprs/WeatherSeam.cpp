#include "aprs/PositionDecoders.h"
#include "aprs/StationRecord.h"
#include "aprs/Weather.h"

// The weather after a position with the weather symbol. A malformed weather group leaves the
// record's weather block as it was; the position itself still counts.
bool parseWeatherAfterPosition(StationRecord& record, QStringView rest) {
    const auto report = parseWeatherAfterPositionText(rest);
    if (!report) return false;
    applyWeather(record, *report);
    return true;
}
