#include "aprs/MonitorLine.h"

#include "aprs/Crc32Fold.h"

#include <array>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

inline bool isDelimiter(char16_t c, const char16_t* delimiters, qsizetype count) {
    for (qsizetype i = 0; i < count; ++i)
        if (c == delimiters[i]) return true;
    return false;
}

// Index of the first character from `from` on that is one of the delimiters, or n. Lines are
// scanned eight characters at a time where SSE2 is there: the delimiter sets hold one to three
// characters.
qsizetype findDelimiter(const char16_t* text, qsizetype from, qsizetype n, const char16_t* delimiters,
                        qsizetype count) {
    qsizetype i = from;
#ifdef __SSE2__
    if (count >= 1 && count <= 3) {
        const auto d0 = _mm_set1_epi16(static_cast<short>(delimiters[0]));
        const auto d1 = _mm_set1_epi16(static_cast<short>(delimiters[count > 1 ? 1 : 0]));
        const auto d2 = _mm_set1_epi16(static_cast<short>(delimiters[count - 1]));
        for (; i + 8 <= n; i += 8) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
            const __m128i hit =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(chunk, d0), _mm_cmpeq_epi16(chunk, d1)),
                             _mm_cmpeq_epi16(chunk, d2));
            const int mask = _mm_movemask_epi8(hit);
            if (mask) return i + __builtin_ctz(static_cast<unsigned>(mask)) / 2;
        }
    }
#endif
    while (i < n && !isDelimiter(text[i], delimiters, count)) ++i;
    return i;
}

} // namespace

QStringView TokenCursor::next(QStringView delimiters) {
    const qsizetype n = m_text.size();
    const auto* text = reinterpret_cast<const char16_t*>(m_text.data());
    const auto* delims = reinterpret_cast<const char16_t*>(delimiters.data());
    const qsizetype count = delimiters.size();
    while (m_pos < n && isDelimiter(text[m_pos], delims, count)) ++m_pos;
    if (m_pos >= n) return {};
    const qsizetype start = m_pos;
    m_pos = findDelimiter(text, m_pos, n, delims, count);
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

    line.header = header;
    line.from = from;
    line.to = to;
    line.information = information;
    return line;
}

std::optional<RelayedPacket> splitRelayedPacket(QStringView information) {
    TokenCursor cursor(information);
    const QStringView first = cursor.next(u">"); // '}' and the inner sender
    if (first.isEmpty()) return std::nullopt;
    const QStringView to = cursor.next(u",>");
    if (to.isEmpty()) return std::nullopt;
    if (cursor.next(u":").isEmpty()) return std::nullopt; // inner path, not used
    const QStringView inner = cursor.next(u"\r\n");
    if (inner.isEmpty()) return std::nullopt;
    RelayedPacket packet;
    packet.from = first.mid(1);
    if (packet.from.isEmpty()) return std::nullopt; // "}>..." names no sender
    packet.to = to;
    packet.information = inner;
    return packet;
}

QString relayedHeaderLine(QStringView innerFrom, QStringView innerTo, QStringView relayedBy) {
    QString line;
    line.reserve(60 + innerFrom.size() + innerTo.size() + relayedBy.size());
    line.append(u"00:Fm ").append(innerFrom).append(u" To ").append(innerTo).append(u" Via ").append(
        relayedBy);
    line.append(u"* <UI pid=F0 Len=10 >[06:39:03]");
    return line;
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

// Slicing-by-8 tables: table[k][b] is the CRC of byte b followed by k zero bytes.
constexpr std::array<std::array<uint32_t, 256>, 8> makeSlicingTables() {
    std::array<std::array<uint32_t, 256>, 8> t{};
    t[0] = kCrcTable;
    for (size_t k = 1; k < 8; ++k)
        for (size_t b = 0; b < 256; ++b) t[k][b] = (t[k - 1][b] >> 8) ^ kCrcTable[t[k - 1][b] & 0xFF];
    return t;
}
constexpr auto kSlicing = makeSlicingTables();

// Continues a running (uncomplemented) CRC over the low bytes of the text's UTF-16 units, eight
// units a step: the filter checksums every line, about 200 characters each.
uint32_t crcLowBytes(uint32_t state, QStringView text) {
    const auto* p = reinterpret_cast<const char16_t*>(text.data());
    qsizetype n = text.size();
    for (; n >= 8; n -= 8, p += 8) {
        uint32_t lo = 0;
        uint32_t hi = 0;
        for (int k = 0; k < 4; ++k) {
            lo |= static_cast<uint32_t>(p[k] & 0xFF) << (8 * k);
            hi |= static_cast<uint32_t>(p[4 + k] & 0xFF) << (8 * k);
        }
        lo ^= state;
        state = kSlicing[7][lo & 0xFF] ^ kSlicing[6][(lo >> 8) & 0xFF] ^ kSlicing[5][(lo >> 16) & 0xFF] ^
                kSlicing[4][lo >> 24] ^ kSlicing[3][hi & 0xFF] ^ kSlicing[2][(hi >> 8) & 0xFF] ^
                kSlicing[1][(hi >> 16) & 0xFF] ^ kSlicing[0][hi >> 24];
    }
    for (; n > 0; --n, ++p) state = kCrcTable[(state ^ static_cast<uint8_t>(*p)) & 0xFF] ^ (state >> 8);
    return state;
}

} // namespace

uint32_t crc32Ieee(const uint8_t* data, size_t size, uint32_t crc) {
    uint32_t state = ~crc;
    for (size_t i = 0; i < size; ++i) state = kCrcTable[(state ^ data[i]) & 0xFF] ^ (state >> 8);
    return ~state;
}

namespace {

// Appends the low bytes of the text's UTF-16 units; false when they do not fit.
bool packLowBytes(uint8_t* buffer, size_t capacity, size_t& used, QStringView text) {
    const auto n = static_cast<size_t>(text.size());
    if (capacity - used < n) return false;
    const auto* p = reinterpret_cast<const char16_t*>(text.data());
    uint8_t* out = buffer + used;
    size_t i = 0;
#ifdef __SSE2__
    const __m128i low = _mm_set1_epi16(0x00FF);
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), low);
        const __m128i b = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 8)), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
    }
#endif
    for (; i < n; ++i) out[i] = static_cast<uint8_t>(p[i]);
    used += n;
    return true;
}

} // namespace

uint32_t monitorChecksum(QStringView from, QStringView to, QStringView header, QStringView information) {
    // The low bytes are gathered first and the bulk of them folded with carry-less multiplication
    // where the processor has it: the filter checksums every line.
    uint8_t bytes[1024];
    size_t used = 0;
    const QStringView parts[] = {from, u" ", to, u" ", header, u" ", information};
    bool packed = true;
    for (const QStringView part : parts) packed = packed && packLowBytes(bytes, sizeof bytes, used, part);
    uint32_t state = 0xFFFFFFFFu;
    if (packed) {
        const size_t bulk = used >= 64 ? used / 16 * 16 : 0;
        if (bulk == 0 || !crc32FoldBlocks(state, bytes, bulk)) return crc32Ieee(bytes, used);
        for (size_t i = bulk; i < used; ++i) state = kCrcTable[(state ^ bytes[i]) & 0xFF] ^ (state >> 8);
        return ~state;
    }
    for (const QStringView part : parts) state = crcLowBytes(state, part);
    return ~state;
}
