#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

// Cuts text into tokens the way the monitor-line grammar is defined: each call skips leading
// delimiters of its own set, ends the token at the next delimiter of that set and consumes that
// one delimiter. An empty view means there is no further token.
class TokenCursor {
public:
    explicit TokenCursor(QStringView text) : m_text(text) {}
    QStringView next(QStringView delimiters);

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

// The pieces of a monitor line that the decoders use. The views point into the text that was
// split, which must outlive them.
struct MonitorLine {
    QStringView header;      // the whole first line, prefix included
    QStringView from;        // second blank-separated token
    QStringView to;          // fourth blank-separated token
    QStringView information; // the second line
};

// Information fields shorter than this are dropped.
inline constexpr int kMinInformationLength = 4;

// Splits a monitor line; nothing when a piece is missing or the information field is shorter
// than 4 characters. The text ends at its first NUL.
std::optional<MonitorLine> splitMonitorLine(const QString& text);

// A relayed packet "}FROM>TO,PATH:INNER"; the views point into the relaying packet's field.
struct RelayedPacket {
    QStringView from;
    QStringView to;
    QStringView information;
};
std::optional<RelayedPacket> splitRelayedPacket(QStringView information);
// The header line made for a relayed packet; the length and time are constant.
QString relayedHeaderLine(QStringView innerFrom, QStringView innerTo, QStringView relayedBy);

// CRC-32 (IEEE 802.3, reflected, initial all ones, final complement).
uint32_t crc32Ieee(const uint8_t* data, size_t size, uint32_t crc = 0);
// The duplicate-filter checksum: CRC-32 of "from to header information" over the low byte of each
// UTF-16 unit.
uint32_t monitorChecksum(QStringView from, QStringView to, QStringView header, QStringView information);
