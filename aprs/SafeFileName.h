#pragma once

#include <QString>

class StationHome;

// Call signs and object names come from the air. This is the one mapping from such a name to a
// file name that stays inside Data: '/', '\\', '%', NUL, control characters, non-ASCII characters
// and a leading '.' become %XX escapes (UTF-8 bytes), so "." and ".." never appear and two
// different names never share a file. Very long names are shortened with a checksum suffix.
QString safeFileName(const QString& callOrName);

// Data/<safe name>.<ext> for a station's track file; ext is "pos" or "bpos" (a leading dot is
// accepted too).
QString trackFilePath(const StationHome& home, const QString& call, const char* ext);
