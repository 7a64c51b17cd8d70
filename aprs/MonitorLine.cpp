#include "aprs/MonitorLine.h"

#include <array>

namespace {
// The delimiter sets hold one to three characters; a plain loop beats a general search.
inline bool isDelimiter(QChar c, QStringView delimiters) {
    for (QChar d : delimiters)
        if (c == d) return true;
    return false;
}
} // namespace

QStringView TokenCursor::next(QStringView delimiters) {
    const qsizetype n = m_text.size();
    const QChar* text = m_text.data();
    while (m_pos < n && isDelimiter(text[m_pos], delimiters)) ++m_pos;
    if (m_pos >= n) return {};
    const qsizetype start = m_pos;
    while (m_pos < n && !isDelimiter(text[m_pos], delimiters)) ++m_pos;
    const QStringView token = m_text.mid(start, m_pos - start);
    if (m_pos < n) ++m_pos; // the delimiter that ended the token
    return token;
}

std::optional<MonitorLine> splitMonitorLine(const QString& text) {
    QStringView all(text);
    const qsizetype nul = all.indexOf(QChar(0));
    if (nul >= 0) all = all.left(nul);

    static constexpr QStringView kLineBreaks = u"\r\n";
    static constexpr QStringView kBlank = u" ";

    MonitorLine line;
    const QStringView header = TokenCursor(all).next(kLineBreaks);
    if (header.isEmpty()) return std::nullopt;

    TokenCursor cursor(all);
    if (cursor.next(kBlank).isEmpty()) return std::nullopt; // prefix and "Fm"
    const QStringView from = cursor.next(kBlank);
    if (from.isEmpty()) return std::nullopt;
    if (cursor.next(kBlank).isEmpty()) return std::nullopt; // "To"
    const QStringView to = cursor.next(kBlank);
    if (to.isEmpty()) return std::nullopt;
    if (cursor.next(kLineBreaks).isEmpty()) return std::nullopt; // rest of the header line
    const QStringView information = cursor.next(kLineBreaks);
    if (information.size() < kMinInformationLength) return std::nullopt;

    line.header = header.toString();
    line.from = from.toString();
    line.to = to.toString();
    line.information = information.toString();
    return line;
}

std::optional<RelayedPacket> splitRelayedPacket(const QString& information) {
    TokenCursor cursor(information);
    const QStringView first = cursor.next(u">"); // '}' and the inner sender
    if (first.isEmpty()) return std::nullopt;
    const QStringView to = cursor.next(u",>");
    if (to.isEmpty()) return std::nullopt;
    if (cursor.next(u":").isEmpty()) return std::nullopt; // inner path, not used
    const QStringView inner = cursor.next(u"\r\n");
    if (inner.isEmpty()) return std::nullopt;
    RelayedPacket packet;
    packet.from = first.mid(1).toString();
    if (packet.from.isEmpty()) return std::nullopt; // "}>..." names no sender
    packet.to = to.toString();
    packet.information = inner.toString();
    return packet;
}

QString relayedHeaderLine(const QString& innerFrom, const QString& innerTo, const QString& relayedBy) {
    return QStringLiteral("00:Fm %1 To %2 Via %3* <UI pid=F0 Len=10 >[06:39:03]")
        .arg(innerFrom, innerTo, relayedBy);
}

namespace {

constexpr std::array<uint32_t, 256> makeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        table[i] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = makeCrcTable();

// Continues a running (uncomplemented) CRC over the low bytes of the text's UTF-16 units.
uint32_t crcLowBytes(uint32_t state, QStringView text) {
    for (QChar c : text) state = kCrcTable[(state ^ static_cast<uint8_t>(c.unicode())) & 0xFF] ^ (state >> 8);
    return state;
}

} // namespace

uint32_t crc32Ieee(const uint8_t* data, size_t size, uint32_t crc) {
    uint32_t state = ~crc;
    for (size_t i = 0; i < size; ++i) state = kCrcTable[(state ^ data[i]) & 0xFF] ^ (state >> 8);
    return ~state;
}

uint32_t monitorChecksum(const QString& from, const QString& to, const QString& header,
                         const QString& information) {
    uint32_t state = 0xFFFFFFFFu;
    state = crcLowBytes(state, from);
    state = crcLowBytes(state, u" ");
    state = crcLowBytes(state, to);
    state = crcLowBytes(state, u" ");
    state = crcLowBytes(state, header);
    state = crcLowBytes(state, u" ");
    state = crcLowBytes(state, information);
    return ~state;
}
