#pragma once

#include "aprs/DecodeContext.h"

class StationRecord;

// Decoders of the other APRS data types; each returns the record it created or updated, or nullptr.
StationRecord* decodeStatus(DecodeContext& ctx);              // '>'
StationRecord* decodeObject(DecodeContext& ctx);              // ';'
StationRecord* decodePositionlessWeather(DecodeContext& ctx); // '_'
StationRecord* decodeUltimeter(DecodeContext& ctx);           // "!!" and "$ULT"
StationRecord* decodeNmea(DecodeContext& ctx);                // '$' other than "$ULT"
