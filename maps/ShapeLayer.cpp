#include "maps/ShapeLayer.h"

#include "aprs/SymbolAtlas.h"
#include "maps/LabelBoxes.h"
#include "platform/Trace.h"
#include "platform/gui/LogFont.h"
#include "platform/gui/WinColor.h"

#include <QFontMetricsF>
#include <QObject>
#include <QPaintDevice>
#include <QPainter>
#include <QRegion>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>
#include <vector>

namespace {

constexpr double kPointRadius = 2.0;
constexpr double kSymbolHalf = 8.0;
constexpr double kPointLabelShift = 7.0;
constexpr int kLongerSide = 2000;

// The projection as a plain scale and offset when it is linear, so that a million vertices do not
// cost a million virtual calls.
class PixelMapper {
public:
    explicit PixelMapper(const GeoProjection& projection) : m_projection(projection) {
        if (const auto* linear = dynamic_cast<const LinearProjection*>(&projection)) {
            const MapDetails& r = linear->rectangle();
            if (r.isValid()) {
                m_linear = true;
                m_sx = linear->canvasSize().width() / r.longitudeSpan;
                m_sy = linear->canvasSize().height() / r.latitudeSpan;
                m_left = r.left;
                m_top = r.top;
            }
        }
    }
    QPointF operator()(double x, double y) const {
        if (m_linear) return {(x - m_left) * m_sx, (m_top - y) * m_sy};
        return m_projection.toPixel(y, x);
    }
    // The pixel box of a degree box (the projections are monotonic in both axes).
    void box(double xmin, double ymin, double xmax, double ymax, double& left, double& top, double& right,
             double& bottom) const {
        const QPointF a = (*this)(xmin, ymin);
        const QPointF b = (*this)(xmax, ymax);
        left = std::min(a.x(), b.x());
        right = std::max(a.x(), b.x());
        top = std::min(a.y(), b.y());
        bottom = std::max(a.y(), b.y());
    }

private:
    const GeoProjection& m_projection;
    bool m_linear = false;
    double m_sx = 0, m_sy = 0, m_left = 0, m_top = 0;
};

// The atlas index of a stored point symbol: 0..93 the primary table, 95 and up the alternate one
// (94 is no symbol of either); -1 when there is none to draw.
int atlasIndexOfPointSymbol(int symbol) {
    if (symbol >= 0 && symbol <= 93) return symbol;
    if (symbol >= 95 && symbol - 95 < 94) return 94 + (symbol - 95);
    return -1;
}

bool isPointType(std::int32_t type) {
    const std::int32_t base = ShapeType::baseType(type);
    return base == ShapeType::Point || base == ShapeType::MultiPoint;
}

double segmentDistanceSquared(QPointF p, QPointF a, QPointF b) {
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double len = dx * dx + dy * dy;
    double t = len > 0 ? ((p.x() - a.x()) * dx + (p.y() - a.y()) * dy) / len : 0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = a.x() + t * dx - p.x(), ey = a.y() + t * dy - p.y();
    return ex * ex + ey * ey;
}

struct DrawStyle {
    QPen pen;
    QBrush brush;
    int symbol = -1; // atlas index, -1 for the small circle
    qreal dpr = 1.0;
};

// Thin opaque lines written straight into a 32-bit image: for maps of many short segments the
// painter's general line path costs a third of a microsecond a segment, this a few nanoseconds a
// pixel. Used only where the result is the same: a plain translation, a rectangular clip, a solid
// opaque pen of at most one pixel, no antialiasing and no blending.
class ImageLineWriter {
public:
    static std::optional<ImageLineWriter> forPainter(QPainter& painter) {
        auto* image = dynamic_cast<QImage*>(painter.device());
        if (!image || image->isNull() || !image->isDetached() || image->devicePixelRatio() != 1.0)
            return std::nullopt;
        const QImage::Format f = image->format();
        if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
            f != QImage::Format_ARGB32_Premultiplied)
            return std::nullopt;
        const QTransform t = painter.deviceTransform();
        if (t.type() > QTransform::TxTranslate || t.dx() != std::round(t.dx()) ||
            t.dy() != std::round(t.dy()))
            return std::nullopt;
        if (painter.compositionMode() != QPainter::CompositionMode_SourceOver || painter.opacity() < 1.0)
            return std::nullopt;
        QRect clip = image->rect();
        if (painter.hasClipping()) {
            const QRegion region = painter.clipRegion();
            if (region.rectCount() != 1) return std::nullopt;
            clip &= t.mapRect(region.boundingRect());
        }
        ImageLineWriter w;
        w.m_image = image;
        w.m_offset = QPoint(int(t.dx()), int(t.dy()));
        w.m_clip = clip;
        return w;
    }

    // Whether the painter's current pen is one this writer draws exactly.
    bool takes(const QPainter& painter) {
        const QPen& pen = painter.pen();
        if (pen.style() != Qt::SolidLine || pen.widthF() > 1.0 || pen.brush().style() != Qt::SolidPattern ||
            pen.color().alpha() != 255 || painter.testRenderHint(QPainter::Antialiasing))
            return false;
        m_colour = 0xFF000000u | (pen.color().rgb() & 0xFFFFFFu);
        return true;
    }

    void polyline(const QPoint* points, int count) {
        if (m_clip.isEmpty()) return;
        uchar* bits = m_image->bits();
        const qsizetype stride = m_image->bytesPerLine();
        for (int i = 0; i + 1 < count; ++i)
            segment(bits, stride, points[i] + m_offset, points[i + 1] + m_offset);
    }

private:
    // Liang-Barsky against the clip, then Bresenham over what is left, every pixel checked.
    void segment(uchar* bits, qsizetype stride, QPoint a, QPoint b) {
        double x0 = a.x(), y0 = a.y(), x1 = b.x(), y1 = b.y();
        const double left = m_clip.left() - 1, right = m_clip.right() + 1;
        const double top = m_clip.top() - 1, bottom = m_clip.bottom() + 1;
        double t0 = 0, t1 = 1;
        const double dx = x1 - x0, dy = y1 - y0;
        const double p[4] = {-dx, dx, -dy, dy};
        const double q[4] = {x0 - left, right - x0, y0 - top, bottom - y0};
        for (int k = 0; k < 4; ++k) {
            if (p[k] == 0) {
                if (q[k] < 0) return;
                continue;
            }
            const double r = q[k] / p[k];
            if (p[k] < 0)
                t0 = std::max(t0, r);
            else
                t1 = std::min(t1, r);
            if (t0 > t1) return;
        }
        int ax = int(std::lround(x0 + t0 * dx)), ay = int(std::lround(y0 + t0 * dy));
        const int bx = int(std::lround(x0 + t1 * dx)), by = int(std::lround(y0 + t1 * dy));
        const int sx = ax < bx ? 1 : -1, sy = ay < by ? 1 : -1;
        const int ex = std::abs(bx - ax), ey = -std::abs(by - ay);
        int err = ex + ey;
        for (;;) {
            if (m_clip.contains(ax, ay)) reinterpret_cast<quint32*>(bits + ay * stride)[ax] = m_colour;
            if (ax == bx && ay == by) return;
            const int e2 = 2 * err;
            if (e2 >= ey) {
                err += ey;
                ax += sx;
            }
            if (e2 <= ex) {
                err += ex;
                ay += sy;
            }
        }
    }

    QImage* m_image = nullptr;
    QPoint m_offset;
    QRect m_clip;
    quint32 m_colour = 0xFF000000u;
};

class RecordPainter {
public:
    RecordPainter(QPainter& painter, const ShapeData& data, const PixelMapper& map)
        : m_painter(painter), m_data(data), m_map(map) {}

    void draw(const ShapeRecord& rec, const DrawStyle& style) {
        const std::int32_t base = ShapeType::baseType(rec.shapeType);
        const double* xy = m_data.xy.data();
        switch (base) {
        case ShapeType::Point:
        case ShapeType::MultiPoint:
            for (std::uint32_t i = 0; i < rec.pointCount; ++i) {
                const std::size_t at = 2 * std::size_t(rec.firstPoint + i);
                drawPoint(m_map(xy[at], xy[at + 1]), style);
            }
            return;
        case ShapeType::PolyLine:
        case ShapeType::Polygon:
            for (std::uint32_t part = 0; part < rec.partCount; ++part) {
                const std::uint32_t from = m_data.partStarts[rec.firstPart + part];
                const std::uint32_t to = part + 1 < rec.partCount
                                             ? m_data.partStarts[rec.firstPart + part + 1]
                                             : rec.firstPoint + rec.pointCount;
                drawLine(from, to, base == ShapeType::Polygon);
            }
            return;
        default:
            return;
        }
    }

private:
    void drawPoint(QPointF p, const DrawStyle& style) {
        if (style.symbol >= 0) {
            const QImage img = SymbolAtlas::shared().image(style.symbol, 16, style.dpr);
            m_painter.drawImage(QRectF(p.x() - kSymbolHalf, p.y() - kSymbolHalf, 16, 16), img);
        } else {
            m_painter.drawEllipse(p, kPointRadius, kPointRadius);
        }
    }

    // One part as a polyline; vertices that fall on the pixel of the one before are left out,
    // which keeps a zoomed-out map of a million vertices cheap.
    void drawLine(std::uint32_t from, std::uint32_t to, bool ring) {
        if (to <= from) return;
        const double* xy = m_data.xy.data();
        m_points.clear();
        QPointF last(qInf(), qInf());
        for (std::uint32_t i = from; i < to; ++i) {
            const QPointF p = m_map(xy[2 * std::size_t(i)], xy[2 * std::size_t(i) + 1]);
            if (std::abs(p.x() - last.x()) < 0.5 && std::abs(p.y() - last.y()) < 0.5 && i + 1 < to) continue;
            m_points.push_back(p);
            last = p;
        }
        if (ring && to - from > 2 &&
            (xy[2 * std::size_t(from)] != xy[2 * std::size_t(to - 1)] ||
             xy[2 * std::size_t(from) + 1] != xy[2 * std::size_t(to - 1) + 1]))
            m_points.push_back(m_points.front()); // a ring ends where it began
        if (m_points.size() == 1) m_points.push_back(m_points.front());
        const QPen& pen = m_painter.pen();
        if (pen.widthF() <= 1.0 && !m_painter.testRenderHint(QPainter::Antialiasing)) {
            // Thin lines land on whole pixels anyway; the integer path of the raster engine is
            // much faster for many short segments.
            m_pixels.clear();
            for (const QPointF& p : m_points) {
                const QPoint q(qRound(std::clamp(p.x(), -1e8, 1e8)), qRound(std::clamp(p.y(), -1e8, 1e8)));
                if (m_pixels.empty() || m_pixels.back() != q) m_pixels.push_back(q);
            }
            if (m_pixels.size() == 1) m_pixels.push_back(m_pixels.front());
            if (!m_writerChecked) {
                m_writer = ImageLineWriter::forPainter(m_painter);
                m_writerChecked = true;
            }
            if (m_writer && m_writer->takes(m_painter))
                m_writer->polyline(m_pixels.data(), static_cast<int>(m_pixels.size()));
            else
                m_painter.drawPolyline(m_pixels.data(), static_cast<int>(m_pixels.size()));
            return;
        }
        m_painter.drawPolyline(m_points.data(), static_cast<int>(m_points.size()));
    }

    QPainter& m_painter;
    const ShapeData& m_data;
    const PixelMapper& m_map;
    std::vector<QPointF> m_points;
    std::vector<QPoint> m_pixels;
    std::optional<ImageLineWriter> m_writer;
    bool m_writerChecked = false;
};

} // namespace

ShapeLayer::ShapeLayer() = default;
ShapeLayer::~ShapeLayer() = default;

bool ShapeLayer::load(const QString& path) {
    m_path = path;
    m_basePath = path.left(std::max<qsizetype>(0, path.size() - 4));
    QString error;
    auto data = ShapeFile::readFiles(m_basePath, &error);
    if (!data) {
        m_lastError = error;
        return false;
    }
    // A missing or damaged table only costs the labels.
    auto table = DbfTable::readFile(m_basePath + QStringLiteral(".dbf"), &error);
    if (!table) Trace::write(QStringLiteral("ShapeLayer dbf: %1").arg(error));
    return setData(std::move(data), std::move(table));
}

bool ShapeLayer::setData(std::shared_ptr<const ShapeData> data, std::shared_ptr<const DbfTable> table) {
    if (!data) {
        m_lastError = QObject::tr("The shapefile cannot be read.");
        return false;
    }
    const ShapeHeader& h = data->header;
    m_details = MapDetails::fromCorners(QString(), QStringLiteral("TEST"), h.ymax, h.xmin, h.ymin, h.xmax);
    m_data = std::move(data);
    m_table = std::move(table);
    m_highlight.store(-1, std::memory_order_relaxed);
    m_lastError.clear();

    // The longer side 2000 pixels; longitude degrees shrink by the cosine of the middle latitude.
    const double middle = (h.ymin + h.ymax) / 2 * M_PI / 180.0;
    const double w = std::abs(h.xmax - h.xmin) * std::cos(middle);
    const double ht = std::abs(h.ymax - h.ymin);
    QSize size(kLongerSide, kLongerSide);
    if (w > 0 && ht > 0) {
        if (w >= ht)
            size.setHeight(std::max(1, static_cast<int>(std::lround(kLongerSide * ht / w))));
        else
            size.setWidth(std::max(1, static_cast<int>(std::lround(kLongerSide * w / ht))));
    }
    setDrawnSize(size);
    return true;
}

QSize ShapeLayer::drawnSize() const {
    std::lock_guard lock(m_mutex);
    return m_drawnSize;
}

void ShapeLayer::setDrawnSize(QSize size) {
    std::lock_guard lock(m_mutex);
    m_drawnSize = size;
}

ShapeDisplaySettings ShapeLayer::settings() const {
    std::lock_guard lock(m_mutex);
    return m_settings;
}

void ShapeLayer::setSettings(const ShapeDisplaySettings& settings) {
    std::lock_guard lock(m_mutex);
    m_settings = settings;
}

void ShapeLayer::draw(QPainter& painter, const QRectF& target, const MapDrawContext& context) const {
    const std::shared_ptr<const ShapeData> data = m_data;
    if (!data) return;
    const ShapeDisplaySettings settings = this->settings();
    try {
        const LinearProjection own(m_details, target.size());
        const GeoProjection& projection = context.projection ? *context.projection : own;
        const PixelMapper map(projection);
        painter.save();
        if (!context.projection) painter.translate(target.topLeft());
        const QRectF visible =
            context.projection ? context.visible : context.visible.translated(-target.topLeft());

        painter.setBackgroundMode(Qt::TransparentMode);
        DrawStyle style;
        style.dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
        style.symbol = atlasIndexOfPointSymbol(settings.pointSymbol);
        const double km = context.windowWidthKm;
        int wide = 0;
        if (settings.scaleDependentLines != 0 && km > 0)
            wide = km < 0.5 ? 4 : km < 1.0 ? 3 : km < 2.0 ? 2 : 0;
        style.pen = wide ? QPen(WinColor::toQColor(settings.wideLineColour), wide)
                         : QPen(WinColor::toQColor(settings.lineColour), 0);
        style.pen.setCapStyle(Qt::RoundCap);
        style.pen.setJoinStyle(Qt::RoundJoin);
        style.brush = settings.fillColour == ShapeDisplaySettings::kNoFill
                          ? QBrush(Qt::NoBrush)
                          : QBrush(WinColor::toQColor(settings.fillColour));
        painter.setPen(style.pen);
        painter.setBrush(style.brush);

        // Records whose box misses the visible part are skipped; the margin covers symbols and pens.
        const double margin = kSymbolHalf + 4;
        const double vl = visible.left() - margin, vr = visible.right() + margin;
        const double vt = visible.top() - margin, vb = visible.bottom() + margin;
        const auto inView = [&](const ShapeRecord& rec) {
            double l, t, r, b;
            map.box(rec.xmin, rec.ymin, rec.xmax, rec.ymax, l, t, r, b);
            return r >= vl && l <= vr && b >= vt && t <= vb;
        };

        RecordPainter records(painter, *data, map);
        const std::size_t count = data->records.size();
        for (std::size_t i = 0; i < count; ++i) {
            if ((i & 1023) == 0 && context.isCancelled()) break;
            const ShapeRecord& rec = data->records[i];
            if (rec.pointCount == 0 || !inView(rec)) continue;
            records.draw(rec, style);
        }

        const int highlight = m_highlight.load(std::memory_order_relaxed);
        if (highlight >= 0 && std::size_t(highlight) < count) {
            // Red and with the small dot, so that a highlighted point shows as a red dot; lines
            // get a red pen one pixel wider than their own.
            const QColor red = WinColor::toQColor(255);
            DrawStyle marked = style;
            marked.symbol = -1;
            marked.brush = QBrush(red);
            const ShapeRecord& rec = data->records[std::size_t(highlight)];
            if (!isPointType(rec.shapeType)) marked.pen = QPen(red, std::max(2, wide + 1));
            painter.setPen(marked.pen);
            painter.setBrush(marked.brush);
            records.draw(rec, marked);
        }

        const std::shared_ptr<const DbfTable> table = m_table;
        if (settings.labelColumn >= 0 && table && settings.labelColumn < table->fieldCount() &&
            !context.isCancelled()) {
            QFont font;
            if (const auto record = LogFont::fromBytes(settings.labelFont))
                font = record->toQFont();
            else
                font = QFont(QStringLiteral("Arial"), 8, 400);
            const QColor labelColour = WinColor::toQColor(settings.labelColour);
            const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
            const QFontMetricsF metrics(font, painter.device());
            LabelBoxes ownBoxes;
            LabelBoxes& boxes = context.labels ? *context.labels : ownBoxes;
            const int rows = std::min<int>(table->recordCount(), static_cast<int>(count));
            for (int i = 0; i < rows; ++i) {
                if ((i & 1023) == 0 && context.isCancelled()) break;
                const ShapeRecord& rec = data->records[std::size_t(i)];
                if (rec.pointCount == 0) continue;
                QPointF at = map(rec.labelX, rec.labelY);
                // A label starts at its point: one far outside the view cannot reach into it.
                if (at.x() > visible.right() || at.y() > visible.bottom() + metrics.height() ||
                    at.x() < visible.left() - 2000 || at.y() < visible.top() - 2000)
                    continue;
                const QString text = table->text(i, settings.labelColumn);
                if (text.isEmpty()) continue;
                if (isPointType(rec.shapeType)) at += QPointF(kPointLabelShift, -kPointLabelShift);
                const QRectF box(at, QSizeF(metrics.horizontalAdvance(text), metrics.height()));
                if (!box.intersects(visible) || !boxes.tryTake(box)) continue;
                const int angle =
                    ShapeType::baseType(rec.shapeType) == ShapeType::PolyLine ? rec.labelAngle : 0;
                const LabelPicture picture = labelPicture(text, angle, font, labelColour, dpr, metrics);
                painter.drawImage(
                    QPointF(std::round(at.x() - picture.anchor.x()), std::round(at.y() - picture.anchor.y())),
                    picture.image);
            }
        }
        painter.restore();
    } catch (const std::exception&) {
        Trace::write(QStringLiteral("Catch Error"));
    }
}

ShapeLayer::LabelPicture ShapeLayer::labelPicture(const QString& text, int angle, const QFont& font,
                                                  const QColor& colour, qreal dpr,
                                                  const QFontMetricsF& metrics) const {
    const QString style = font.key() + QLatin1Char('|') + colour.name(QColor::HexArgb) + QLatin1Char('|') +
                          QString::number(dpr);
    const QString key = QString::number(angle) + QLatin1Char('|') + text;
    {
        std::lock_guard guard(m_labelMutex);
        if (style != m_labelStyle) {
            m_labelImages.clear();
            m_labelStyle = style;
        }
        if (const LabelPicture* cached = m_labelImages.object(key)) return *cached;
    }
    // The text's own box, turned counter-clockwise by the angle (tenths of a degree) about its
    // top-left corner, which is where the label stands.
    const QRectF box(0, 0, std::ceil(metrics.horizontalAdvance(text)) + 1, std::ceil(metrics.height()) + 1);
    QTransform turn;
    turn.rotate(-angle / 10.0);
    const QRectF bounds = turn.mapRect(box).adjusted(-1, -1, 1, 1);
    LabelPicture picture;
    picture.anchor = -bounds.topLeft();
    picture.image =
        QImage((bounds.size() * dpr).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    picture.image.setDevicePixelRatio(dpr);
    picture.image.fill(Qt::transparent);
    {
        QPainter p(&picture.image);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setFont(font);
        p.setPen(colour);
        p.translate(picture.anchor);
        p.rotate(-angle / 10.0);
        p.drawText(QPointF(0, metrics.ascent()), text);
    }
    std::lock_guard guard(m_labelMutex);
    if (style == m_labelStyle)
        m_labelImages.insert(key, new LabelPicture(picture),
                             std::max<qsizetype>(1, picture.image.sizeInBytes()));
    return picture;
}

bool ShapeLayer::hit(double latitude, double longitude, const GeoProjection& projection,
                     double radiusPixels) {
    const std::shared_ptr<const ShapeData> data = m_data;
    if (!data) return false;
    const PixelMapper map(projection);
    const QPointF tap = projection.toPixel(latitude, longitude);
    const double radius = std::max(0.0, radiusPixels);
    const double radius2 = radius * radius;
    const double* xy = data->xy.data();
    for (std::size_t i = 0; i < data->records.size(); ++i) {
        const ShapeRecord& rec = data->records[i];
        if (rec.pointCount == 0) continue;
        double l, t, r, b;
        map.box(rec.xmin, rec.ymin, rec.xmax, rec.ymax, l, t, r, b);
        if (tap.x() < l - radius || tap.x() > r + radius || tap.y() < t - radius || tap.y() > b + radius)
            continue;
        bool found = false;
        const std::int32_t base = ShapeType::baseType(rec.shapeType);
        if (base == ShapeType::Point || base == ShapeType::MultiPoint) {
            for (std::uint32_t p = 0; p < rec.pointCount && !found; ++p) {
                const std::size_t at = 2 * std::size_t(rec.firstPoint + p);
                const QPointF d = map(xy[at], xy[at + 1]) - tap;
                found = d.x() * d.x() + d.y() * d.y() <= radius2;
            }
        } else if (base == ShapeType::PolyLine) {
            for (std::uint32_t part = 0; part < rec.partCount && !found; ++part) {
                const std::uint32_t from = data->partStarts[rec.firstPart + part];
                const std::uint32_t to = part + 1 < rec.partCount ? data->partStarts[rec.firstPart + part + 1]
                                                                  : rec.firstPoint + rec.pointCount;
                QPointF previous = map(xy[2 * std::size_t(from)], xy[2 * std::size_t(from) + 1]);
                if (to - from == 1) found = segmentDistanceSquared(tap, previous, previous) <= radius2;
                for (std::uint32_t p = from + 1; p < to && !found; ++p) {
                    const QPointF next = map(xy[2 * std::size_t(p)], xy[2 * std::size_t(p) + 1]);
                    found = segmentDistanceSquared(tap, previous, next) <= radius2;
                    previous = next;
                }
            }
        } else if (base == ShapeType::Polygon) {
            // Ray crossing over every ring in degrees, so holes and islands count right.
            bool inside = false;
            for (std::uint32_t part = 0; part < rec.partCount; ++part) {
                const std::uint32_t from = data->partStarts[rec.firstPart + part];
                const std::uint32_t to = part + 1 < rec.partCount ? data->partStarts[rec.firstPart + part + 1]
                                                                  : rec.firstPoint + rec.pointCount;
                for (std::uint32_t p = from, q = to - 1; p < to; q = p++) {
                    const double xi = xy[2 * std::size_t(p)], yi = xy[2 * std::size_t(p) + 1];
                    const double xj = xy[2 * std::size_t(q)], yj = xy[2 * std::size_t(q) + 1];
                    if ((yi > latitude) != (yj > latitude) &&
                        longitude < (xj - xi) * (latitude - yi) / (yj - yi) + xi)
                        inside = !inside;
                }
            }
            found = inside;
        }
        if (found) {
            m_highlight.store(static_cast<int>(i), std::memory_order_relaxed);
            return true;
        }
    }
    return false;
}
