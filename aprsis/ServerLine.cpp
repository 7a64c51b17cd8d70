#include "aprsis/ServerLine.h"

#include "platform/CodePage.h"
#include "platform/Trace.h"

#include <QVarLengthArray>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iterator>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Shortest information field passed on: a Mic-E report without comment is 9 bytes, so only
// fields too short for any decoder are dropped here.
constexpr qsizetype kMinInformation = 4;
constexpr qsizetype kMaxSource = 9;

// strtok over bytes: skips leading delimiters, ends at the next one and consumes it.
QByteArrayView nextToken(QByteArrayView text, qsizetype& pos, char delimiter) {
    const qsizetype n = text.size();
    while (pos < n && text[pos] == delimiter) ++pos;
    if (pos >= n) return {};
    const qsizetype start = pos;
    const void* end = std::memchr(text.data() + pos, delimiter, static_cast<size_t>(n - pos));
    pos = end ? static_cast<const char*>(end) - text.data() : n;
    const QByteArrayView token = text.sliced(start, pos - start);
    if (pos < n) ++pos;
    return token;
}

// The first CR or LF in bytes at or after from, else the end.
qsizetype lineBreakAt(QByteArrayView bytes, qsizetype from) {
    const char* const s = bytes.data();
    const qsizetype n = bytes.size();
    qsizetype i = from;
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
        if (hits) return i + __builtin_ctz(static_cast<unsigned>(hits));
    }
#endif
    for (; i < n; ++i)
        if (s[i] == '\r' || s[i] == '\n') return i;
    return n;
}

// A blank or control character would break the blank-separated header of the monitor line.
bool fitsHeader(QByteArrayView call) {
    for (char c : call)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) return false;
    return true;
}

// The sender, destination and information field of a line that makes a monitor line.
struct LinePieces {
    QByteArrayView source, destination, info, line;
};

std::optional<LinePieces> linePieces(QByteArrayView line) {
    const qsizetype nul = line.indexOf('\0');
    if (nul >= 0) line = line.first(nul);
    if (line.startsWith('#')) return std::nullopt; // server comment

    qsizetype pos = 0;
    const QByteArrayView header = nextToken(line, pos, ':');
    if (header.isEmpty()) {
        Trace::write(QStringLiteral("error PArsing 1"));
        return std::nullopt;
    }
    const QByteArrayView info = line.sliced(pos);
    if (info.isEmpty()) {
        Trace::write(QStringLiteral("error PArsing 2"));
        return std::nullopt;
    }
    if (info.size() < kMinInformation) return std::nullopt;

    qsizetype hpos = 0;
    const QByteArrayView source = nextToken(header, hpos, '>');
    if (source.isEmpty()) {
        Trace::write(QStringLiteral("error PArsing 3"));
        return std::nullopt;
    }
    if (source.size() > kMaxSource) return std::nullopt;
    const QByteArrayView destination = nextToken(header, hpos, ',');
    if (destination.isEmpty()) {
        Trace::write(QStringLiteral("error PArsing 4"));
        return std::nullopt;
    }
    if (!fitsHeader(source) || !fitsHeader(destination)) return std::nullopt;

    return LinePieces{source, destination, info, line};
}

} // namespace

std::optional<QString> serverLineToMonitorLine(QByteArrayView line, const QTime& utc) {
    const auto pieces = linePieces(line);
    if (!pieces) return std::nullopt;
    const auto [source, destination, info, whole] = *pieces;
    const QTime t = utc.isValid() ? utc : QTime(0, 0);
    // "GT:Fm SRC To DST Via MYGATE* <UI pid=F0 Len=N >[hh:mm:ss]\rINFO\r", put together piece by
    // piece: a busy feed brings thousands of lines a second.
    const auto put = [](auto& text, auto source, auto destination, auto length, auto info, const QTime& t) {
        const auto twoDigits = [&text](int v) {
            text.append(static_cast<char>('0' + v / 10 % 10));
            text.append(static_cast<char>('0' + v % 10));
        };
        text.append("GT:Fm ", 6);
        text.append(source.data(), source.size());
        text.append(" To ", 4);
        text.append(destination.data(), destination.size());
        text.append(" Via MYGATE* <UI pid=F0 Len=", 28);
        text.append(length.data(), length.size());
        text.append(" >[", 3);
        twoDigits(t.hour());
        text.append(':');
        twoDigits(t.minute());
        text.append(':');
        twoDigits(t.second());
        text.append("]\r", 2);
        text.append(info.data(), info.size());
        text.append('\r');
    };
    const QByteArray length = QByteArray::number(info.size());
    if (CodePage::isAscii(whole)) {
        // The usual case: the monitor line is made as bytes and widened in one step.
        QVarLengthArray<char, 512> bytes;
        put(bytes, source, destination, QByteArrayView(length), info, t);
        return QString::fromLatin1(bytes.data(), bytes.size());
    }
    struct Utf16 {
        QString s;
        void append(const char* bytes, qsizetype n) { s.append(QLatin1StringView(bytes, n)); }
        void append(const QChar* chars, qsizetype n) { s.append(chars, n); }
        void append(char c) { s.append(QLatin1Char(c)); }
    } text;
    const QString source16 = CodePage::decode(source), destination16 = CodePage::decode(destination),
                  info16 = CodePage::decode(info);
    text.s.reserve(64 + source16.size() + destination16.size() + info16.size());
    put(text, QStringView(source16), QStringView(destination16), QLatin1StringView(length),
        QStringView(info16), t);
    return text.s;
}

std::optional<ServerLinePacketSpans> appendServerLinePacket(QString& text, QByteArrayView line,
                                                            const QTime& utc, qsizetype lineAt) {
    const auto pieces = linePieces(line);
    if (!pieces) return std::nullopt;
    const auto [source, destination, info, whole] = *pieces;
    const QTime t = utc.isValid() ? utc : QTime(0, 0);
    const auto span = [&text](qsizetype at) { return ServerLineSpan{at, text.size() - at}; };
    const auto appendBytes = [&text](QByteArrayView bytes) {
        const qsizetype at = text.size();
        text.append(QLatin1StringView(bytes.data(), bytes.size()));
        return ServerLineSpan{at, bytes.size()};
    };
    const bool ascii = lineAt >= 0 || CodePage::isAscii(whole);
    ServerLinePacketSpans p;
    // The information field as the monitor line's second line: from its first character that is
    // no line break up to the next line break. Counted on bytes where a byte is a character.
    if (ascii) {
        qsizetype start = 0;
        while (start < info.size() && (info[start] == '\r' || info[start] == '\n')) ++start;
        const qsizetype end = lineBreakAt(info, start);
        if (end - start < 4) return std::nullopt; // too short for any decoder, as the split refuses it
        if (lineAt >= 0) {
            // The line stands in text already, a character a byte: its pieces are not copied again.
            const auto in = [&](QByteArrayView piece, qsizetype from, qsizetype size) {
                return ServerLineSpan{lineAt + (piece.data() - line.data()) + from, size};
            };
            p.information = in(info, start, end - start);
            p.from = in(source, 0, source.size());
            p.to = in(destination, 0, destination.size());
        } else {
            p.information = appendBytes(info.sliced(start, end - start));
            p.from = appendBytes(source);
            p.to = appendBytes(destination);
        }
    } else {
        const qsizetype infoAt = text.size();
        text.append(CodePage::decode(info));
        const QStringView info16 = QStringView(text).sliced(infoAt);
        qsizetype start = 0;
        while (start < info16.size() && (info16[start] == u'\r' || info16[start] == u'\n')) ++start;
        qsizetype end = start;
        while (end < info16.size() && info16[end] != u'\r' && info16[end] != u'\n') ++end;
        if (end - start < 4) {
            text.truncate(infoAt);
            return std::nullopt;
        }
        p.information = {infoAt + start, end - start};
        qsizetype at = text.size();
        text.append(CodePage::decode(source));
        p.from = span(at);
        at = text.size();
        text.append(CodePage::decode(destination));
        p.to = span(at);
    }
    // "GT:Fm SRC To DST Via MYGATE* <UI pid=F0 Len=n >[hh:mm:ss]", with the sender and destination
    // as decoded above, written in place.
    static constexpr char16_t kFm[] = u"GT:Fm ";
    static constexpr char16_t kTo[] = u" To ";
    static constexpr char16_t kVia[] = u" Via MYGATE* <UI pid=F0 Len=";
    constexpr qsizetype kFmSize = std::size(kFm) - 1, kToSize = std::size(kTo) - 1,
                        kViaSize = std::size(kVia) - 1;
    char length[24];
    const qsizetype lengthSize = std::to_chars(length, length + sizeof length, info.size()).ptr - length;
    // " >[hh:mm:ss]", the time of day worked out once rather than field by field.
    const int seconds = t.msecsSinceStartOfDay() / 1000;
    const int clock[] = {seconds / 3600, seconds / 60 % 60, seconds % 60};
    char16_t stamp[] = u" >[00:00:00]";
    for (int i = 0; i < 3; ++i) {
        stamp[3 + 3 * i] = static_cast<char16_t>(u'0' + clock[i] / 10 % 10);
        stamp[4 + 3 * i] = static_cast<char16_t>(u'0' + clock[i] % 10);
    }
    constexpr qsizetype kStampSize = std::size(stamp) - 1;
    const qsizetype headerAt = text.size();
    text.resize(headerAt + kFmSize + p.from.size + kToSize + p.to.size + kViaSize + lengthSize + kStampSize);
    char16_t* const base = reinterpret_cast<char16_t*>(text.data());
    char16_t* out = base + headerAt;
    out = std::copy_n(kFm, kFmSize, out);
    out = std::copy_n(base + p.from.at, p.from.size, out);
    out = std::copy_n(kTo, kToSize, out);
    out = std::copy_n(base + p.to.at, p.to.size, out);
    out = std::copy_n(kVia, kViaSize, out);
    for (qsizetype i = 0; i < lengthSize; ++i) *out++ = static_cast<char16_t>(length[i]);
    std::copy_n(stamp, kStampSize, out);
    p.header = span(headerAt);
    return p;
}

std::optional<ServerLinePacket> serverLinePacket(QByteArrayView line, const QTime& utc) {
    QString text;
    const auto spans = appendServerLinePacket(text, line, utc);
    if (!spans) return std::nullopt;
    return ServerLinePacket{spans->header.in(text).toString(), spans->from.in(text).toString(),
                            spans->to.in(text).toString(), spans->information.in(text).toString()};
}
