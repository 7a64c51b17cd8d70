#include "maps/RasterMap.h"

#include "maps/MapSideFiles.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <cmath>

namespace {

struct CacheKey {
    QString path;
    qint64 size = 0;
    qint64 modified = 0;
    bool operator==(const CacheKey&) const = default;
};
size_t qHash(const CacheKey& k, size_t seed = 0) {
    return qHashMulti(seed, k.path, k.size, k.modified);
}

std::mutex g_cacheLock;
QHash<CacheKey, std::weak_ptr<const RasterImage>>& cache() {
    static QHash<CacheKey, std::weak_ptr<const RasterImage>> c;
    return c;
}

QImage toDrawable(QImage image) {
    // 32-bit formats draw fastest; images with alpha keep it.
    const QImage::Format f =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != f) image.convertTo(f);
    return image;
}

} // namespace

std::shared_ptr<const RasterImage> RasterImage::acquire(const QString& path, QString* error) {
    const auto fail = [&](const QString& why) {
        if (error) *error = why;
        return std::shared_ptr<const RasterImage>();
    };
    const QFileInfo info(path);
    if (!info.isFile()) return fail(QStringLiteral("The map image is not a file."));
    const CacheKey key{info.canonicalFilePath(), info.size(), info.lastModified().toMSecsSinceEpoch()};
    {
        std::lock_guard guard(g_cacheLock);
        if (auto shared = cache().value(key).lock()) return shared;
    }

    QImageReader reader(path);
    // The calibration is made for the stored pixel grid: never turn the image by its EXIF tag.
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) return fail(QStringLiteral("The map image cannot be read."));
    const qint64 pixels = qint64(size.width()) * size.height();
    if (pixels > kMaxSourcePixels)
        return fail(QStringLiteral("The map image is too large (%1 x %2 pixels).")
                        .arg(size.width())
                        .arg(size.height()));
    QSize decodeSize = size;
    if (pixels > kMaxDecodedPixels) {
        const double f = std::sqrt(double(kMaxDecodedPixels) / double(pixels));
        decodeSize = QSize(std::max(1, int(size.width() * f)), std::max(1, int(size.height() * f)));
        reader.setScaledSize(decodeSize);
    }
    // Formats that cannot decode reduced decode whole first: allow that, bounded by the source cap.
    QImageReader::setAllocationLimit(int(std::min<qint64>(kMaxSourcePixels * 4 / (1024 * 1024), 4096)));
    QImage image = reader.read();
    if (image.isNull())
        return fail(QStringLiteral("The map image cannot be decoded: %1").arg(reader.errorString()));
    if (image.size() != decodeSize)
        image = image.scaled(decodeSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    auto result = std::shared_ptr<RasterImage>(new RasterImage());
    result->m_originalSize = size;
    result->m_levels.push_back(toDrawable(std::move(image)));
    std::lock_guard guard(g_cacheLock);
    auto& slot = cache()[key];
    if (auto other = slot.lock()) // another view decoded it meanwhile
        return other;
    slot = result;
    for (auto it = cache().begin(); it != cache().end();)
        it = it.value().expired() ? cache().erase(it) : std::next(it);
    return result;
}

QImage RasterImage::levelFor(double scale) const {
    std::lock_guard guard(m_lock);
    // The decoded copy may already be reduced; scale is relative to the original.
    const double base = double(m_levels.front().width()) / std::max(1, m_originalSize.width());
    double levelScale = base;
    size_t level = 0;
    while (levelScale / 2 >= scale && m_levels[level].width() > 64 && m_levels[level].height() > 64) {
        if (level + 1 >= m_levels.size()) {
            const QImage& from = m_levels[level];
            m_levels.push_back(from.scaled(std::max(1, from.width() / 2), std::max(1, from.height() / 2),
                                           Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        }
        ++level;
        levelScale /= 2;
    }
    return m_levels[level];
}

bool RasterMap::load(const QString& path) {
    m_image = RasterImage::acquire(path, &m_error);
    m_details.reset();
    m_hasCalibration = false;
    if (!m_image) return false;
    m_drawnSize = m_image->originalSize();
    m_hasCalibration = LoadMapDetails(path, m_details, m_image->originalSize());
    if (!m_hasCalibration) {
        m_details.reset();
        m_details.imagePath = path;
        m_details.caption = path;
    }
    return true;
}

void RasterMap::draw(QPainter& painter, const QRectF& target, const MapDrawContext& context) const {
    if (!m_image || target.isEmpty()) return;
    const QRectF part = target.intersected(context.visible);
    if (part.isEmpty()) return;
    const QSize original = m_image->originalSize();
    const double scaleX = target.width() / original.width();
    const double scaleY = target.height() / original.height();
    const QImage level = m_image->levelFor(std::min(scaleX, scaleY));
    // The part of the chosen copy that lands in the visible part of the target.
    const double fx = level.width() / target.width();
    const double fy = level.height() / target.height();
    const QRectF source((part.left() - target.left()) * fx, (part.top() - target.top()) * fy,
                        part.width() * fx, part.height() * fy);
    painter.save();
    // Smoothed whenever the picture is scaled: a zoomed map without it shows its pixels as steps.
    const bool scaled = std::abs(part.width() - source.width()) > 0.5 || std::abs(part.height() - source.height()) > 0.5;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, context.quality != 0 || scaled);
    painter.drawImage(part, level, source);
    painter.restore();
}
