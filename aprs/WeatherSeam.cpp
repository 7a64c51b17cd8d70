#include "aprs/PositionDecoders.h"

// Stands in until the weather parser is written: positions with the weather symbol keep their
// position and comment, and no weather is read.
bool parseWeatherAfterPosition(StationRecord&, QStringView) {
    return false;
}
