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
