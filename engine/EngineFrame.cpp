#include "engine/EngineFrame.h"

#include "platform/CodePage.h"
#include "platform/Trace.h"

#include <QRegularExpression>
#include <QtEndian>
#include <cstring>

namespace EngineCodec {

namespace {
void putCall(char* field, const QByteArray& call) {
    std::memset(field, 0, kCallFieldSize);
    std::memcpy(field, call.constData(),
                static_cast<size_t>(std::min<qsizetype>(call.size(), kMaxCallLength)));
}
QByteArray getCall(const char* field) {
    const void* nul = std::memchr(field, 0, kCallFieldSize);
    const qsizetype n = nul ? static_cast<const char*>(nul) - field : kCallFieldSize;
    return QByteArray(field, std::min<qsizetype>(n, kMaxCallLength));
}
} // namespace

QByteArray encodeHeader(uint32_t port, char kind, const QByteArray& fromCall, const QByteArray& toCall,
                        uint32_t dataLength) {
    QByteArray h(kHeaderSize, '\0');
    char* p = h.data();
    qToLittleEndian(port, p);
    p[4] = kind;
    putCall(p + 8, fromCall);
    putCall(p + 18, toCall);
    qToLittleEndian(dataLength, p + 28);
    return h;
}

EngineFrameHeader decodeHeader(const char* p) {
    EngineFrameHeader h;
    h.port = qFromLittleEndian<uint32_t>(p);
    if (h.port >= kFirstInvalidPort) h.port = 0;
    h.kind = qFromLittleEndian<uint16_t>(p + 4);
    h.pid = static_cast<uint8_t>(p[6]);
    h.fromCall = getCall(p + 8);
    h.toCall = getCall(p + 18);
    h.dataLength = qFromLittleEndian<uint32_t>(p + 28);
    h.user = qFromLittleEndian<uint32_t>(p + 32);
    return h;
}

QByteArray encodeFrame(uint32_t port, char kind, const QByteArray& fromCall, const QByteArray& toCall,
                       const QByteArray& data) {
    return encodeHeader(port, kind, fromCall, toCall, static_cast<uint32_t>(data.size())) + data;
}

QByteArray callBytes(const QString& call) {
    return CodePage::encode(call).left(kMaxCallLength);
}

QStringList splitViaPath(const QString& via) {
    static const QRegularExpression separators(QStringLiteral("[, ]"));
    return via.split(separators, Qt::SkipEmptyParts);
}

QByteArray buildUnproto(const OutboundPacket& packet, bool unicodePart2) {
    if (packet.port < 0) return {};
    QByteArray data;
    const QStringList via = splitViaPath(packet.viaPath);
    // The count is one byte; more calls than that cannot be described (and no path is that long).
    if (via.size() > 255) return {};
    if (!via.isEmpty()) {
        data.append(static_cast<char>(via.size()));
        for (const QString& call : via) {
            char field[kCallFieldSize];
            putCall(field, callBytes(call));
            data.append(field, kCallFieldSize);
        }
    }
    data.append(CodePage::encode(packet.part1));
    if (unicodePart2) {
        for (QChar c : packet.part2) {
            char b[2];
            qToLittleEndian<uint16_t>(c.unicode(), b);
            data.append(b, 2);
        }
    } else {
        data.append(CodePage::encode(packet.part2));
    }
    if (data.size() > kMaxOutgoingData) {
        Trace::write(QStringLiteral("unproto frame too long, dropped"));
        return {};
    }
    const char kind = via.isEmpty() ? 'M' : 'V';
    return encodeFrame(static_cast<uint32_t>(packet.port), kind, callBytes(packet.fromCall),
                       callBytes(packet.toCall), data);
}

UnprotoContent parseUnproto(const EngineFrame& frame) {
    UnprotoContent c;
    if (frame.header.kind != 'V' || frame.data.isEmpty()) {
        c.info = frame.data;
        return c;
    }
    const int n = static_cast<unsigned char>(frame.data[0]);
    int i = 0;
    for (; i < n && 1 + kCallFieldSize * (i + 1) <= frame.data.size(); ++i)
        c.via << QString::fromLatin1(getCall(frame.data.constData() + 1 + kCallFieldSize * i));
    c.info = frame.data.mid(1 + kCallFieldSize * i);
    return c;
}

EnginePortList parsePortInformation(const QString& text) {
    EnginePortList list;
    const QStringList tokens = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (tokens.isEmpty()) return list;
    bool ok = false;
    const long long announced = tokens.front().trimmed().toLongLong(&ok);
    // A count that is not a number, negative, or beyond the 100 ports kept gives what can be kept.
    list.count = ok ? static_cast<int>(std::clamp<long long>(announced, 0, EnginePortList::kMaxPorts)) : 0;
    for (int p = 0; p < list.count; ++p)
        list.descriptions << (p + 1 < tokens.size() ? tokens[p + 1] : QString());
    return list;
}

QString frameText(const QByteArray& data) {
    const qsizetype nul = data.indexOf('\0');
    return CodePage::decode(nul < 0 ? QByteArrayView(data) : QByteArrayView(data.constData(), nul));
}

} // namespace EngineCodec

bool EngineStreamDecoder::feed(QByteArrayView bytes, std::vector<EngineFrame>& out) {
    if (m_corrupt) return false;
    // Keep only the unread tail, then append.
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    m_buffer.append(bytes.data(), bytes.size());
    for (;;) {
        const qsizetype unread = m_buffer.size() - m_pos;
        if (unread < EngineCodec::kHeaderSize) break;
        EngineFrameHeader header = EngineCodec::decodeHeader(m_buffer.constData() + m_pos);
        if (header.dataLength > EngineCodec::kMaxDataLength) {
            m_corrupt = true;
            m_buffer.clear();
            m_pos = 0;
            return false;
        }
        if (unread - EngineCodec::kHeaderSize < static_cast<qsizetype>(header.dataLength)) break;
        EngineFrame frame;
        frame.data = m_buffer.mid(m_pos + EngineCodec::kHeaderSize, header.dataLength);
        frame.header = std::move(header);
        m_pos += EngineCodec::kHeaderSize + frame.header.dataLength;
        out.push_back(std::move(frame));
    }
    if (m_pos == m_buffer.size()) {
        m_buffer.clear();
        m_pos = 0;
    }
    return true;
}
