#include "aprs/OtherDecoders.h"

// Placeholders until the decoders of these data types arrive: the dispatch table is complete and
// these packets yield no station for now.
StationRecord* decodeStatus(DecodeContext&) {
    return nullptr;
}
StationRecord* decodeObject(DecodeContext&) {
    return nullptr;
}
StationRecord* decodePositionlessWeather(DecodeContext&) {
    return nullptr;
}
StationRecord* decodeUltimeter(DecodeContext&) {
    return nullptr;
}
StationRecord* decodeNmea(DecodeContext&) {
    return nullptr;
}
