#pragma once

#include <QString>

// One outgoing unproto packet as SendPacketUN receives it: the information field in two text
// parts (the second may go out as UTF-16LE on a Unicode port), the calls, the via path and the port.
struct OutboundPacket {
    QString part1;
    QString part2;
    QString fromCall;
    QString toCall;
    QString viaPath; // calls separated by commas or blanks
    int port = 0;    // -1: the APRS-IS server
};
