#include "aprs/SafeFileName.h"

#include "aprs/MonitorLine.h"
#include "platform/StationHome.h"

namespace {

// Longest file name this produces, well under the 255 bytes file systems allow.
constexpr qsizetype kMaxName = 120;

bool keptAsIs(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == ' ' || c == '#' || c == '+' || c == '=' || c == '@' || c == ',';
}

} // namespace

QString safeFileName(const QString& callOrName) {
    if (callOrName.isEmpty()) return QStringLiteral("%");
    const QByteArray utf8 = callOrName.toUtf8();
    QString out;
    out.reserve(utf8.size());
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        // A leading dot would make "." and ".." (or a hidden file); escape it.
        if (keptAsIs(c) && !(i == 0 && c == '.')) {
            out.append(QLatin1Char(c));
        } else {
            out.append(QLatin1Char('%'));
            out.append(QStringLiteral("%1").arg(static_cast<uint8_t>(c), 2, 16, QLatin1Char('0')).toUpper());
        }
    }
    if (out.size() > kMaxName) {
        const uint32_t crc =
            crc32Ieee(reinterpret_cast<const uint8_t*>(utf8.constData()), static_cast<size_t>(utf8.size()));
        out = out.left(kMaxName - 9) + QLatin1Char('~') +
              QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString trackFilePath(const StationHome& home, const QString& call, const char* ext) {
    QString suffix = QString::fromLatin1(ext ? ext : "");
    if (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
    return home.dataFile(safeFileName(call) + QLatin1Char('.') + suffix);
}
