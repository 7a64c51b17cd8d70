#pragma once

#include "maps/MapLayerContent.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <memory>
#include <mutex>
#include <vector>

// One decoded map image shared by every view that shows the same file, with reduced copies for
// small zooms. Decoding is bounded: the size is read before decoding, and an image of more than
// kMaxDecodedPixels decodes reduced (its calibration keeps the original size).
class RasterImage {
public:
    static constexpr qint64 kMaxDecodedPixels = 64LL * 1024 * 1024;  // 256 MB at 32 bits a pixel
    static constexpr qint64 kMaxSourcePixels = 1024LL * 1024 * 1024; // refused beyond this

    // The shared image of a file (decoded once while any holder keeps it), or null with a reason.
    static std::shared_ptr<const RasterImage> acquire(const QString& path, QString* error = nullptr);

    // Width and height of the image file itself (what the calibration is made for).
    QSize originalSize() const { return m_originalSize; }
    // The largest decoded copy.
    const QImage& full() const { return m_levels.front(); }
    // The copy that is at least `scale` times the original size, scale in (0, 1]; halves are built
    // once on first use.
    QImage levelFor(double scale) const;

private:
    RasterImage() = default;
    QSize m_originalSize;
    mutable std::mutex m_lock;
    mutable std::vector<QImage> m_levels; // [0] decoded image, then halves
};

// A raster map layer: an image file with its calibration side file.
class RasterMap final : public MapLayerContent {
public:
    Kind kind() const override { return Raster; }
    bool load(const QString& path) override;
    const MapDetails& details() const override { return m_details; }
    QSize drawnSize() const override { return m_drawnSize; }
    void setDrawnSize(QSize size) override { m_drawnSize = size; }
    void draw(QPainter& painter, const QRectF& target, const MapDrawContext& context) const override;

    // True after an image was decoded; the calibration may still be missing (details() invalid).
    bool isLoaded() const { return m_image != nullptr; }
    bool hasCalibration() const { return m_hasCalibration; }
    QSize imageSize() const { return m_image ? m_image->originalSize() : QSize(); }
    const QString& lastError() const { return m_error; }

private:
    std::shared_ptr<const RasterImage> m_image;
    MapDetails m_details;
    QSize m_drawnSize;
    bool m_hasCalibration = false;
    QString m_error;
};
