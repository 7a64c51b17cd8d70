#pragma once

#include <QStringView>

class JsonWriter;

// The "packet" object of one decode line: the APRS packet as decoded on its own, apart from any
// station record. Its type, format, position, symbol and every field the packet carries, each only
// when present, in units named in the key; {"type": "invalid", "reason": ...} when it is refused.
// information is the information field; a third-party packet's inner packet is described inside.
void writePacketJson(JsonWriter& json, QStringView from, QStringView to, QStringView information);
