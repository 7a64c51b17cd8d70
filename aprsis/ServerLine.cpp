#include "aprsis/ServerLine.h"

#include "platform/CodePage.h"
#include "platform/Trace.h"

#include <QVarLengthArray>

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
    while (pos < n && text[pos] != delimiter) ++pos;
    const QByteArrayView token = text.sliced(start, pos - start);
    if (pos < n) ++pos;
    return token;
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

std::optional<ServerLinePacket> serverLinePacket(QByteArrayView line, const QTime& utc) {
    const auto pieces = linePieces(line);
    if (!pieces) return std::nullopt;
    const auto [source, destination, info, whole] = *pieces;
    ServerLinePacket p;
    const QTime t = utc.isValid() ? utc : QTime(0, 0);
    const QByteArray length = QByteArray::number(info.size());
    if (CodePage::isAscii(whole)) {
        // The usual case, worked on the bytes: a feed brings thousands of lines a second.
        qsizetype start = 0;
        while (start < info.size() && (info[start] == '\r' || info[start] == '\n')) ++start;
        qsizetype end = start;
        while (end < info.size() && info[end] != '\r' && info[end] != '\n') ++end;
        if (end - start < 4) return std::nullopt;
        p.information = QString::fromLatin1(info.sliced(start, end - start));
        p.from = QString::fromLatin1(source);
        p.to = QString::fromLatin1(destination);
        QVarLengthArray<char, 128> header;
        const auto add = [&header](QByteArrayView bytes) { header.append(bytes.data(), bytes.size()); };
        const auto twoDigits = [&header](int v) {
            header.append(static_cast<char>('0' + v / 10 % 10));
            header.append(static_cast<char>('0' + v % 10));
        };
        add("GT:Fm ");
        add(source);
        add(" To ");
        add(destination);
        add(" Via MYGATE* <UI pid=F0 Len=");
        add(length);
        add(" >[");
        twoDigits(t.hour());
        header.append(':');
        twoDigits(t.minute());
        header.append(':');
        twoDigits(t.second());
        header.append(']');
        p.header = QString::fromLatin1(header.data(), header.size());
        return p;
    }
    // The information field as the monitor line's second line: from its first character that is
    // no line break up to the next line break.
    const QString info16 = CodePage::decode(info);
    qsizetype start = 0;
    while (start < info16.size() && (info16[start] == u'\r' || info16[start] == u'\n')) ++start;
    qsizetype end = start;
    while (end < info16.size() && info16[end] != u'\r' && info16[end] != u'\n') ++end;
    if (end - start < 4) return std::nullopt; // too short for any decoder, as the split refuses it
    p.information = start == 0 && end == info16.size() ? info16 : info16.sliced(start, end - start);
    p.from = CodePage::decode(source);
    p.to = CodePage::decode(destination);
    QVarLengthArray<char, 128> time;
    const auto twoDigits = [&time](int v) {
        time.append(static_cast<char>('0' + v / 10 % 10));
        time.append(static_cast<char>('0' + v % 10));
    };
    twoDigits(t.hour());
    time.append(':');
    twoDigits(t.minute());
    time.append(':');
    twoDigits(t.second());
    p.header.reserve(56 + p.from.size() + p.to.size());
    p.header.append(u"GT:Fm ").append(p.from).append(u" To ").append(p.to);
    p.header.append(u" Via MYGATE* <UI pid=F0 Len=").append(QLatin1StringView(length)).append(u" >[");
    p.header.append(QLatin1StringView(time.data(), time.size())).append(QLatin1Char(']'));
    return p;
}
