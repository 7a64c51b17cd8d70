#include "maps/TileDiskCache.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtEndian>
#include <algorithm>
#include <vector>

namespace {
constexpr char kMagic[4] = {'Q', 'P', 'T', '1'};
constexpr int kHeaderBytes = 12;
} // namespace

TileDiskCache::TileDiskCache(QString root, qint64 maxBytes) : m_root(std::move(root)), m_maxBytes(maxBytes) {}

QString TileDiskCache::defaultRoot() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/Quillpad/tiles");
}

QString TileDiskCache::pathFor(const QString& source, const TileKey& key) const {
    return QStringLiteral("%1/%2/%3/%4/%5.tile").arg(m_root, source).arg(key.z).arg(key.x).arg(key.y);
}

std::optional<TileDiskCache::Entry> TileDiskCache::read(const QString& source, const TileKey& key) const {
    if (!key.isValid() || m_root.isEmpty()) return std::nullopt;
    return readFile(pathFor(source, key));
}

std::optional<TileDiskCache::Entry> TileDiskCache::readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    if (file.size() < kHeaderBytes || file.size() > kHeaderBytes + kMaxTileBytes) return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (bytes.size() < kHeaderBytes || !std::equal(kMagic, kMagic + 4, bytes.constData()))
        return std::nullopt;
    Entry entry;
    entry.freshUntil =
        QDateTime::fromMSecsSinceEpoch(qFromLittleEndian<qint64>(bytes.constData() + 4), Qt::UTC);
    entry.data = bytes.mid(kHeaderBytes);
    return entry;
}

std::optional<QDateTime> TileDiskCache::readFreshness(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() <= kHeaderBytes ||
        file.size() > kHeaderBytes + kMaxTileBytes)
        return std::nullopt;
    const QByteArray header = file.read(kHeaderBytes);
    if (header.size() != kHeaderBytes || !std::equal(kMagic, kMagic + 4, header.constData()))
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(qFromLittleEndian<qint64>(header.constData() + 4), Qt::UTC);
}

bool TileDiskCache::store(const QString& source, const TileKey& key, const QByteArray& data,
                          const QDateTime& freshUntil) {
    if (!key.isValid() || m_root.isEmpty() || data.isEmpty() || data.size() > kMaxTileBytes) return false;
    const QString path = pathFor(source, key);
    if (!QDir().mkpath(QFileInfo(path).path())) return false;
    const qint64 before = QFileInfo(path).exists() ? QFileInfo(path).size() : 0;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    char header[kHeaderBytes];
    std::copy(kMagic, kMagic + 4, header);
    qToLittleEndian<qint64>(freshUntil.toMSecsSinceEpoch(), header + 4);
    file.write(header, kHeaderBytes);
    file.write(data);
    if (!file.commit()) return false;
    if (m_size < 0)
        scan();
    else
        m_size += kHeaderBytes + data.size() - before;
    if (m_size > m_maxBytes) trim();
    return true;
}

void TileDiskCache::setMaxBytes(qint64 bytes) {
    m_maxBytes = bytes;
    if (sizeBytes() > m_maxBytes) trim();
}

qint64 TileDiskCache::sizeBytes() {
    if (m_size < 0) scan();
    return m_size;
}

void TileDiskCache::scan() {
    m_size = 0;
    QDirIterator it(m_root, {QStringLiteral("*.tile")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        m_size += it.fileInfo().size();
    }
}

void TileDiskCache::trim() {
    struct File {
        QString path;
        qint64 size;
        QDateTime modified;
    };
    std::vector<File> files;
    QDirIterator it(m_root, {QStringLiteral("*.tile")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        files.push_back({it.filePath(), it.fileInfo().size(), it.fileInfo().lastModified()});
    }
    std::sort(files.begin(), files.end(),
              [](const File& a, const File& b) { return a.modified < b.modified; });
    qint64 total = 0;
    for (const File& f : files) total += f.size;
    // Down to nine tenths, so that the next few stores do not each trim again.
    const qint64 target = m_maxBytes - m_maxBytes / 10;
    for (const File& f : files) {
        if (total <= target) break;
        if (QFile::remove(f.path)) total -= f.size;
    }
    m_size = total;
}
