#pragma once

#include "maps/MapLayerContent.h"

#include <QImage>
#include <QObject>
#include <QRect>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// Renders the slow base layers of a map view (raster maps, shapefiles, tiles) into a buffer image
// on a worker thread, so the window stays responsive however big the map. The newest request
// wins: one made while another renders cancels it. Results arrive as the rendered() signal on the
// renderer's thread.
class MapRenderer : public QObject {
    Q_OBJECT
public:
    // Draws the base layers in canvas pixels; holds its own shared, immutable data.
    using DrawBase = std::function<void(QPainter&, const MapDrawContext&)>;
    struct Request {
        DrawBase draw;
        std::shared_ptr<const GeoProjection> projection;
        QRect area; // the canvas pixels the buffer covers
        qreal devicePixelRatio = 1;
        int quality = 0;
        double windowWidthKm = 0;
        quint64 generation = 0;
    };

    explicit MapRenderer(QObject* parent = nullptr);
    ~MapRenderer() override;

    void request(Request request);
    // Renders on the calling thread (screenshots, tests, benchmarks). An image of area's size
    // times the device pixel ratio; a null image when cancelled.
    static QImage renderNow(const Request& request, const std::atomic<bool>* cancelled = nullptr);

signals:
    void rendered(const QImage& image, const QRect& area, quint64 generation);

private:
    void run();

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::optional<Request> m_pending;
    bool m_stopping = false;
    std::atomic<bool> m_cancelCurrent{false};
    std::thread m_worker;
};
