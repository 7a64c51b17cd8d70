#include "aprsis/ServerList.h"

#include "aprsis/APRSServerClient.h"
#include "platform/CodePage.h"
#include "platform/StationHome.h"

#include <QFile>

namespace ServerList {

namespace {
bool isControlByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F;
}

// One cut piece of a line as an entry: decoded, without the C1 controls that Windows-1252 or
// UTF-8 may still carry, without invisible format characters (a byte order mark of a pasted
// file, a zero-width space) that no host holds, and without surrounding blanks (a trailing blank
// would spoil the port).
QString entryText(QByteArrayView piece) {
    QString text = CodePage::decode(piece);
    text.removeIf(
        [](QChar c) { return c.category() == QChar::Other_Control || c.category() == QChar::Other_Format; });
    return text.trimmed();
}
} // namespace

bool hasControlCharacters(QStringView text) {
    for (QChar c : text)
        if (c.category() == QChar::Other_Control) return true;
    return false;
}

QStringList parse(QByteArrayView bytes) {
    bytes = bytes.first(std::min(bytes.size(), kMaxFileBytes));
    // Editors on some systems start a UTF-8 file with a byte order mark; it is no part of a host.
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);

    QStringList out;
    QByteArray piece;
    piece.reserve(kMaxLineBytes);
    // A comment stays one to its line end, so the rest of a long comment never becomes a server.
    bool inComment = false;
    auto takePiece = [&] {
        if (!inComment && !piece.isEmpty()) {
            const QString text = entryText(piece);
            if (text.startsWith(QLatin1Char(';')))
                inComment = true;
            else if (!text.isEmpty())
                out << text;
        }
        piece.clear();
    };
    for (const char c : bytes) {
        if (c == '\n') {
            takePiece();
            inComment = false;
        } else if (!isControlByte(c)) {
            piece.append(c);
            if (piece.size() == kMaxLineBytes) takePiece();
        }
        if (out.size() == kMaxEntries) return out;
    }
    takePiece();
    return out;
}

QString filePath(const StationHome& home) {
    return home.file(QString::fromLatin1(kFileName));
}

std::optional<QStringList> read(const StationHome& home) {
    QFile file(filePath(home));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.read(kMaxFileBytes);
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return parse(bytes);
}

QStringList entries(const StationHome& home) {
    return read(home).value_or(QStringList{QString::fromLatin1(APRSServerClient::kDefaultServer)});
}

bool add(const StationHome& home, const QString& server) {
    const QByteArray text = CodePage::encode(server);
    if (server.trimmed().isEmpty() || hasControlCharacters(server) || text.size() > kMaxLineBytes)
        return false;
    QFile file(filePath(home));
    if (!file.open(QIODevice::ReadWrite)) return false;
    QByteArray line;
    const qint64 size = file.size();
    if (size > 0) {
        char last = 0;
        if (!file.seek(size - 1) || file.read(&last, 1) != 1) return false;
        // Without it the new server would be glued to the last line.
        if (last != '\n') line = "\r\n";
    }
    line += text + "\r\n";
    // Appended in one write: the lines already there are never rewritten.
    if (!file.seek(size)) return false;
    return file.write(line) == line.size() && file.flush();
}

} // namespace ServerList
