#pragma once

#include "aprs/DecodeContext.h"

#include <QStringView>

class StationRecord;
class StationManager;

// Decoders of APRS position reports. Each validates the whole field first, then creates or updates
// the sender's record and returns it; a short or malformed field returns nullptr and changes
// nothing.
StationRecord* decodeUncompressedPosition(DecodeContext& ctx); // '!' or '=' followed by a digit
StationRecord* decodeTimestampedPosition(DecodeContext& ctx);  // '/' or '@'
StationRecord* decodeCompressedPosition(DecodeContext& ctx);   // '!' or '=' otherwise
StationRecord* decodeMicE(DecodeContext& ctx);                 // '\'' or '`'
StationRecord* decodeGprsTracker(DecodeContext& ctx);          // 'Z', "Zel^..."
StationRecord* decodeEmbeddedPosition(DecodeContext& ctx);     // '!' within the first 40 characters

// The sender's record, or a new one heard first now with course and speed 0; is-new flag,
// checksum, call sign and last-heard time (local time now) set.
StationRecord& senderRecord(DecodeContext& ctx);
// The update every decoder that places a station shares, in two halves around its own fields.
// First half: finds the record of ctx.from or creates it (course and speed 0), sets the is-new
// flag, the checksum, the symbol (code limited to 33..126, else '"'), the station type the symbol
// gives, the call sign, the position and the last-heard time (local time now).
StationRecord& beginStationUpdate(DecodeContext& ctx, int symbolTable, int symbolCode, double latitude,
                                  double longitude);
// Second half: the heard path of the header line, then a track point.
void finishStationUpdate(DecodeContext& ctx, StationRecord& record);
// Hands the record to the station tracks, when they are plugged in.
void appendTrackPoint(StationManager& stations, StationRecord& record);

// Weather data after a position whose symbol is '_' (text from character 20 of a plain position,
// from character 14 of a compressed one). Fills the record's weather block and marks it a weather
// station; false when the text holds no weather.
bool parseWeatherAfterPosition(StationRecord& record, QStringView rest);
