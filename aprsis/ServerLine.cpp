#include "aprsis/ServerLine.h"

#include "platform/CodePage.h"
#include "platform/Trace.h"

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

} // namespace

std::optional<QString> serverLineToMonitorLine(QByteArrayView line, const QTime& utc) {
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

    const QTime t = utc.isValid() ? utc : QTime(0, 0);
    return QStringLiteral("GT:Fm %1 To %2 Via MYGATE* <UI pid=F0 Len=%3 >[%4:%5:%6]\r%7\r")
        .arg(CodePage::decode(source), CodePage::decode(destination), QString::number(info.size()),
             QStringLiteral("%1").arg(t.hour(), 2, 10, QLatin1Char('0')),
             QStringLiteral("%1").arg(t.minute(), 2, 10, QLatin1Char('0')),
             QStringLiteral("%1").arg(t.second(), 2, 10, QLatin1Char('0')), CodePage::decode(info));
}
