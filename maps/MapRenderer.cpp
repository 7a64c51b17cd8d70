#include "maps/MapRenderer.h"

#include "maps/LabelBoxes.h"

#include <QPainter>

MapRenderer::MapRenderer(QObject* parent) : QObject(parent), m_worker([this] { run(); }) {}

MapRenderer::~MapRenderer() {
    {
        std::lock_guard guard(m_lock);
        m_stopping = true;
        m_pending.reset();
    }
    m_cancelCurrent = true;
    m_wake.notify_all();
    m_worker.join();
}

void MapRenderer::request(Request request) {
    {
        // Under the lock, so the worker cannot take this request and then see the cancel meant
        // for the one before it.
        std::lock_guard guard(m_lock);
        m_pending = std::move(request);
        m_cancelCurrent = true;
    }
    m_wake.notify_all();
}

QImage MapRenderer::renderNow(const Request& request, const std::atomic<bool>* cancelled) {
    if (request.area.isEmpty() || !request.draw) return {};
    const qreal dpr = request.devicePixelRatio > 0 ? request.devicePixelRatio : 1;
    QImage image(request.area.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    LabelBoxes labels;
    MapDrawContext context;
    context.projection = request.projection.get();
    context.visible = QRectF(request.area);
    context.quality = request.quality;
    context.labels = &labels;
    context.windowWidthKm = request.windowWidthKm;
    context.cancelled = cancelled;
    {
        QPainter painter(&image);
        painter.setClipRect(QRectF(QPointF(0, 0), QSizeF(request.area.size())));
        painter.translate(-request.area.topLeft());
        request.draw(painter, context);
    }
    if (context.isCancelled()) return {};
    return image;
}

void MapRenderer::run() {
    for (;;) {
        Request request;
        {
            std::unique_lock guard(m_lock);
            m_wake.wait(guard, [this] { return m_stopping || m_pending.has_value(); });
            if (m_stopping) return;
            request = std::move(*m_pending);
            m_pending.reset();
            m_cancelCurrent = false;
        }
        QImage image = renderNow(request, &m_cancelCurrent);
        if (image.isNull()) continue;
        const QRect area = request.area;
        const quint64 generation = request.generation;
        QMetaObject::invokeMethod(
            this, [this, image, area, generation] { emit rendered(image, area, generation); },
            Qt::QueuedConnection);
    }
}
