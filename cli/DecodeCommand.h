#pragma once

#include <QByteArrayView>
#include <QStringList>

class QIODevice;
class StationRecord;

// quillpad-cli decode [--home DIR] [--verbose]: decodes APRS-IS lines ("SRC>DST,PATH:info") and
// monitor lines (a header line "xx:Fm SRC To DST ... <...>[hh:mm:ss]" with the information field
// on the next input line) from standard input through one station database and prints one JSON
// object per record. Without --home nothing is written; with it, Data/Stations.dat is loaded first
// and saved at the end. args are the arguments after "decode".
int runDecodeCommand(const QStringList& args);
// exitWhenDone ends the process once everything is written, without taking the database apart.
int runDecodeCommand(const QStringList& args, QIODevice& input, QIODevice& output, QIODevice& errors,
                     bool exitWhenDone = false);

struct MessageRecord;
class JsonWriter;
// The "message" and "station" objects of one output line, written straight to the output.
void writeMessageJson(JsonWriter& json, const MessageRecord& record);
// lastPacketJson, when given, is the record's last packet escaped for JSON already.
void writeStationJson(JsonWriter& json, const StationRecord& record, QByteArrayView lastPacketJson = {});
