#pragma once

#include <QByteArrayView>
#include <QStringList>
#include <optional>

class StationHome;

// The APRS-IS server list: aprserve.txt in the station home, one "host:port" a line, kept in file
// order. The file is edited by hand, so reading is bounded and drops whatever could not be part
// of a server text; a missing or unreadable file offers the default server alone.
namespace ServerList {

inline constexpr const char* kFileName = "aprserve.txt";
// Bounds against a hostile or mistaken file: bytes looked at, entries kept, bytes in one line.
inline constexpr qsizetype kMaxFileBytes = 1024 * 1024;
inline constexpr qsizetype kMaxEntries = 1000;
inline constexpr qsizetype kMaxLineBytes = 1000;

// The entries of the file's bytes. A line ends at LF; CR and other control bytes are dropped; a
// line longer than kMaxLineBytes is cut and its rest read as the next line; blank lines and
// lines beginning with ';' (comments, to their end) are skipped.
QStringList parse(QByteArrayView bytes);

// True when the text holds a character that must never reach a file line or the login line:
// CR, LF, NUL or any other control character.
bool hasControlCharacters(QStringView text);

QString filePath(const StationHome& home);
// The file's entries; nothing when it is missing or cannot be read.
std::optional<QStringList> read(const StationHome& home);
// What the server drop-down offers: the file's entries, or the default server alone when the
// file is missing or unreadable.
QStringList entries(const StationHome& home);
// Appends the server as one CR LF line, creating the file when missing, and first ending the
// file's last line when it lacks a line break. False (and nothing written) when the file cannot
// be opened or the server is empty, holds control characters or would be cut on reading.
bool add(const StationHome& home, const QString& server);

} // namespace ServerList
