#pragma once

#include "engine/OutboundPacket.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// The packet engine's frame: a 36-byte little-endian header and its data.
struct EngineFrameHeader {
    uint32_t port = 0;
    uint16_t kind = 0; // bytes 4 and 5 read as one 16-bit value: 'G' only when byte 5 is zero
    uint8_t pid = 0;
    QByteArray fromCall; // at most 9 characters
    QByteArray toCall;
    uint32_t dataLength = 0;
    uint32_t user = 0;
};

struct EngineFrame {
    EngineFrameHeader header;
    QByteArray data;
};

// The engine's radio ports as its port-information answer announces them.
struct EnginePortList {
    static constexpr int kMaxPorts = 100;
    int count = 0;
    QStringList descriptions; // descriptions[p] describes port p; missing ones are empty
    QString description(int port) const {
        return port >= 0 && port < descriptions.size() ? descriptions[port] : QString();
    }
};

namespace EngineCodec {
constexpr int kHeaderSize = 36;
constexpr int kCallFieldSize = 10;
constexpr int kMaxCallLength = 9;
// Larger than any frame the engine sends; a length above it means the stream is corrupt.
constexpr uint32_t kMaxDataLength = 65536;
// An outgoing frame is at most 3000 bytes: header and up to 2964 data bytes.
constexpr int kMaxOutgoingData = 3000 - kHeaderSize;
// A received port of 250 or more is taken as port 0.
constexpr uint32_t kFirstInvalidPort = 250;

QByteArray encodeHeader(uint32_t port, char kind, const QByteArray& fromCall, const QByteArray& toCall,
                        uint32_t dataLength);
EngineFrameHeader decodeHeader(const char* bytes36);
QByteArray encodeFrame(uint32_t port, char kind, const QByteArray& fromCall, const QByteArray& toCall,
                       const QByteArray& data = {});

// A call as the 8-bit text of a header or via field: cut to 9 characters.
QByteArray callBytes(const QString& call);
// Calls of a via path: split at commas and blanks, empty tokens skipped.
QStringList splitViaPath(const QString& via);
// The M or V frame for an unproto packet; empty when it cannot be built (data over 2964 bytes).
QByteArray buildUnproto(const OutboundPacket& packet, bool unicodePart2);
// The via calls and the information bytes of a received 'M' or 'V' frame (the engine's view).
struct UnprotoContent {
    QStringList via;
    QByteArray info;
};
UnprotoContent parseUnproto(const EngineFrame& frame);
// The port-information text: "count;desc0;desc1;..." split at ';' with empty tokens skipped.
EnginePortList parsePortInformation(const QString& text);
// Frame data as monitor text: the bytes up to the first NUL through the code page.
QString frameText(const QByteArray& data);
} // namespace EngineCodec

// Reassembles frames from the TCP stream: bytes may arrive cut anywhere, and many frames may
// arrive in one read; the frames come out whole and in order.
class EngineStreamDecoder {
public:
    // Appends bytes and moves every complete frame to out. Returns false when the stream is
    // corrupt (a data length over kMaxDataLength); the decoder then refuses further input.
    bool feed(QByteArrayView bytes, std::vector<EngineFrame>& out);
    bool corrupt() const { return m_corrupt; }
    qsizetype buffered() const { return m_buffer.size() - m_pos; }

private:
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_corrupt = false;
};
