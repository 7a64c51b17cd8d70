#pragma once

#include <QByteArrayView>
#include <QString>
#include <QTime>
#include <optional>

// Turns one APRS-IS server line "SRC>DST,PATH:info" (8-bit text, no line end) into the monitor
// line that radio frames also become:
//   "GT:Fm SRC To DST Via MYGATE* <UI pid=F0 Len=n >[hh:mm:ss]\rinfo\r"
// stamped with the given UTC time of day. Nothing for server comments ("#..."), lines without ':'
// or '>', an empty destination, a sender longer than 9 characters, a sender or destination with a
// blank or control character, and information fields shorter than 4 bytes. The line ends at its
// first NUL byte.
std::optional<QString> serverLineToMonitorLine(QByteArrayView line, const QTime& utc);

// The pieces of the monitor line serverLineToMonitorLine makes, as the monitor-line split cuts
// them, without making and cutting the line: StationManager::DecodePacket(information, from, to,
// header, information, port) on them decodes what ProcessMonitorText on the monitor line decodes.
// Nothing where that line would be nothing or would be refused by the split.
struct ServerLinePacket {
    QString header; // "GT:Fm SRC To DST Via MYGATE* <UI pid=F0 Len=n >[hh:mm:ss]"
    QString from, to, information;
};
std::optional<ServerLinePacket> serverLinePacket(QByteArrayView line, const QTime& utc);

// The same pieces appended to one text, for a caller that decodes many lines without a string
// of its own for each: the spans say where each piece lies in text. lineAt >= 0 says that the
// line already stands in text from there, one character a byte (plain ASCII); its sender,
// destination and information field are then not copied again. Nothing is appended for a line
// that gives nothing.
struct ServerLineSpan {
    qsizetype at = 0, size = 0;
    QStringView in(const QString& text) const { return QStringView(text).sliced(at, size); }
};
struct ServerLinePacketSpans {
    ServerLineSpan header, from, to, information;
};
std::optional<ServerLinePacketSpans> appendServerLinePacket(QString& text, QByteArrayView line,
                                                            const QTime& utc, qsizetype lineAt = -1);
