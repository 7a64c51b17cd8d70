#pragma once

#include "platform/Clock.h"
#include "platform/SystemTime.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>

// Kind and state of a message record; also the icon index of its row in the message list.
namespace MessageStatuses {
enum MessageStatus : int32_t {
    ForMe = 0,        // addressed to the station
    Bulletin = 1,     // addressee begins with "BLN"
    Acknowledged = 3, // own message, acknowledged by the addressee
    SentByMe = 4,     // sent by the station
    Stopped = 5,      // own message, stopped by the user
    Other = 6,        // other traffic
};
}
using MessageStatuses::MessageStatus;

// One message or bulletin the station heard or sent, in the field order of msg.dat.
struct MessageRecord {
    static constexpr int kPathSlots = 10; // slots stored in msg.dat
    static constexpr int kMaxPaths = 9;   // slots ever filled

    QString from;
    QString to;                            // addressee, blanks trimmed
    QString text;                          // up to the '{' that introduces the number
    std::array<QString, kPathSlots> paths; // return paths of later copies (duplicates)
    QString heardVia;                      // digipeater the first copy was heard through, or "Direct"
    int32_t port = 0;                      // radio port (0-based), -1 the APRS-IS server
    QString seq;                           // message number text, empty when none
    int32_t mark = -1;                     // 0 when the sender is the station itself
    int32_t ended = 0;                     // 1 once an own message was acknowledged or stopped
    SystemTime time;                       // first heard, UTC
    int32_t pathCount = 0;
    int32_t status = MessageStatus::Other;
};

// One own message or bulletin under transmission, in the field order of blns.dat.
struct OutgoingMessage {
    QString text;       // the whole information field as sent
    int32_t length = 0; // characters of text
    QString via;        // digipeater path
    QString from;       // the station's call when queued
    QString to;         // addressee as typed
    int32_t port = 0;   // -1 the APRS-IS server
    int32_t retriesLeft = 0;
    int32_t seq = 0; // 0 for bulletins
    int32_t isBulletin = 0;

    std::unique_ptr<Timer> timer; // retransmission timer while queued
    bool removed = false;         // taken out of the queue (kept alive until it is safe to delete)
    // What the message view shows of the transmission; not stored.
    int sends = 0;      // times sent since queued (or restored)
    QDateTime queuedAt; // UTC
    QDateTime nextTry;  // UTC time of the next send while the timer runs
};
