#pragma once

#include "maps/DbfTable.h"
#include "maps/MapDetails.h"
#include "maps/MapLayerContent.h"
#include "maps/ShapeDisplaySettings.h"
#include "maps/ShapeFile.h"

#include <QCache>
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPointF>
#include <QSize>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>

// A shapefile drawn as a map layer. load() may run on a worker thread; once loaded the shapes are
// shared immutable data, so draw() (const) may run on any thread while the user interface thread
// hit-tests, changes the settings or the highlight. The settings and the drawn size are guarded
// by a mutex; the highlight is an atomic record index.
class ShapeLayer final : public MapLayerContent {
public:
    ShapeLayer();
    ~ShapeLayer() override;
    ShapeLayer(const ShapeLayer&) = delete;
    ShapeLayer& operator=(const ShapeLayer&) = delete;

    Kind kind() const override { return Shapefile; }
    // Reads base + ".shp", ".shx" and ".dbf" (base = path without its last 4 characters). A bad
    // or missing ".dbf" only leaves the labels empty. Call it once, before sharing the layer.
    bool load(const QString& path) override;
    // Takes shapes read elsewhere (tests, a loader that already has the bytes).
    bool setData(std::shared_ptr<const ShapeData> data, std::shared_ptr<const DbfTable> table = {});
    // Why the last load failed, in plain words; empty after a successful one.
    QString lastError() const { return m_lastError; }

    // The header's bounding box as corners, caption "TEST".
    const MapDetails& details() const override { return m_details; }
    QSize drawnSize() const override;
    void setDrawnSize(QSize size) override;

    void draw(QPainter& painter, const QRectF& target, const MapDrawContext& context) const override;

    // The first record in file order within radiusPixels of the position (points, multipoints and
    // polylines) or containing it (polygons, by ray crossing).
    bool hit(double latitude, double longitude, const GeoProjection& projection,
             double radiusPixels) override;
    void clearHighlight() override { m_highlight.store(-1, std::memory_order_relaxed); }
    // The highlighted record index, -1 for none.
    int highlighted() const { return m_highlight.load(std::memory_order_relaxed); }

    ShapeDisplaySettings settings() const;
    void setSettings(const ShapeDisplaySettings& settings);
    // The project stores and restores these with the layer.
    std::optional<ShapeDisplaySettings> displaySettings() const override { return settings(); }
    void setDisplaySettings(const ShapeDisplaySettings& value) override { setSettings(value); }

    const QString& path() const { return m_path; }
    const QString& basePath() const { return m_basePath; }
    // Null until loaded.
    std::shared_ptr<const ShapeData> data() const { return m_data; }
    // Null when the ".dbf" was missing or unusable.
    std::shared_ptr<const DbfTable> table() const { return m_table; }

private:
    QString m_path;
    QString m_basePath;
    QString m_lastError;
    MapDetails m_details;
    std::shared_ptr<const ShapeData> m_data;
    std::shared_ptr<const DbfTable> m_table;
    std::atomic<int> m_highlight{-1};

    mutable std::mutex m_mutex; // guards the members below
    ShapeDisplaySettings m_settings;
    QSize m_drawnSize;

    // Label pictures by text and angle, already turned, for the current font, colour and pixel
    // ratio: turned text is slow to draw, a cached picture is not. The anchor is where the label's
    // point lies in the picture.
    struct LabelPicture {
        QImage image;
        QPointF anchor;
    };
    LabelPicture labelPicture(const QString& text, int angle, const QFont& font, const QColor& colour,
                              qreal dpr, const QFontMetricsF& metrics) const;
    static constexpr int kLabelCacheBytes = 16 * 1024 * 1024;
    mutable std::mutex m_labelMutex;
    mutable QCache<QString, LabelPicture> m_labelImages{kLabelCacheBytes};
    mutable QString m_labelStyle;
};
