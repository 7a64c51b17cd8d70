#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The one conversion point between bytes from the air, the server or old files and text.
namespace CodePage {

// Whether every byte is below 0x80.
bool isAscii(QByteArrayView bytes);
// Valid UTF-8 is read as UTF-8, anything else as Windows-1252.
QString decode(QByteArrayView bytes);
// Outgoing 8-bit text is UTF-8.
QByteArray encode(const QString& text);
// Bytes as Windows-1252 regardless of UTF-8 validity (the old 8-bit files).
QString decodeWindows1252(QByteArrayView bytes);
} // namespace CodePage
