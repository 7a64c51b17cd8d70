#include "maps/MapProject.h"

#include "aprs/SafeFileName.h"
#include "maps/GeoProjection.h"
#include "platform/DataFile.h"
#include "platform/Prompter.h"
#include "platform/ResourceStrings.h"
#include "platform/Settings.h"
#include "platform/StationHome.h"
#include "platform/Trace.h"
#include "platform/gui/WinColor.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <exception>

namespace {

bool isShapefile(const QString& path) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && path.mid(dot).compare(QLatin1String(".shp"), Qt::CaseInsensitive) == 0;
}

// The last component of a stored path, whichever separator the device that wrote it used.
QString lastComponent(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(slash + 1);
}

// The file a stored layer path names: the path itself, or a file of the same name in the
// project file's folder (moved together with the project). Regular files only, so a project
// file can never make the station open a device or wait on a pipe.
QString findLayerFile(const QString& stored, const QString& projectFolder) {
    if (stored.isEmpty()) return {};
    if (QFileInfo(stored).isFile()) return stored;
    const QString name = lastComponent(stored);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return {};
    const QString candidate = QDir(projectFolder).filePath(name);
    return QFileInfo(candidate).isFile() ? candidate : QString();
}

int wholePixels(double v) {
    if (!std::isfinite(v) || v <= 0) return 0;
    return static_cast<int>(std::min(std::trunc(v), double(MapProject::kMaxCanvasSide)));
}

QString samePath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// A canvas for a rectangle whose content does not know its drawn size: the longer side gets
// kDefaultCanvasSide pixels, the other side follows the rectangle's proportions.
QSize defaultCanvas(const MapDetails& rect) {
    constexpr int side = MapProject::kDefaultCanvasSide;
    if (!rect.isValid()) return {side, side};
    const double ratio = rect.longitudeSpan / rect.latitudeSpan;
    if (ratio >= 1) return {side, std::max(1, static_cast<int>(std::lround(side / ratio)))};
    return {std::max(1, static_cast<int>(std::lround(side * ratio))), side};
}

// Scales both sides down by the same factor when either exceeds the limit.
QSize boundedCanvas(double width, double height) {
    const double limit = MapProject::kMaxCanvasSide;
    if (!std::isfinite(width) || !std::isfinite(height) || width < 1 || height < 1) return {};
    const double f = std::min({1.0, limit / width, limit / height});
    return {std::max(1, static_cast<int>(std::lround(width * f))),
            std::max(1, static_cast<int>(std::lround(height * f)))};
}

} // namespace

MapProject::MapProject(const SettingsStore& settings, const StationHome& home, Prompter& prompter,
                       LayerContentFactory factory)
    : m_settings(settings), m_home(home), m_prompter(prompter), m_factory(std::move(factory)),
      m_background(static_cast<uint32_t>(read(settings, Settings::MAPBACKCOLOR))) {}

std::unique_ptr<MapLayer> MapProject::loadLayer(const QString& path) {
    if (!QFileInfo(path).isFile()) return nullptr;
    const auto kind = isShapefile(path) ? MapLayerContent::Shapefile : MapLayerContent::Raster;
    std::unique_ptr<MapLayerContent> content = m_factory ? m_factory(kind) : nullptr;
    if (!content || !content->load(path)) {
        Trace::write(QStringLiteral("map layer not loaded: ") + path);
        return nullptr;
    }
    auto layer = std::make_unique<MapLayer>();
    layer->m_details = content->details();
    layer->m_details.imagePath = path;
    if (kind == MapLayerContent::Shapefile) {
        const ShapeDisplaySettings defaults = ShapeDisplaySettings::defaults(m_settings);
        content->setDisplaySettings(defaults);
        layer->m_shapeSettings = defaults;
    }
    layer->m_content = std::move(content);
    return layer;
}

void MapProject::becomeFirstLayer(std::unique_ptr<MapLayer> layer) {
    const MapDetails& d = layer->m_details;
    m_rect = MapDetails::fromCorners(d.imagePath, d.caption, d.top, d.left, d.bottom, d.right);
    QSize drawn = layer->m_content->drawnSize();
    if (drawn.width() <= 0 || drawn.height() <= 0) {
        drawn = defaultCanvas(m_rect);
        layer->m_content->setDrawnSize(drawn);
    }
    m_canvas = boundedCanvas(drawn.width(), drawn.height());
    m_layers.push_back(std::move(layer));
    touch();
}

bool MapProject::openMapFile(const QString& path) {
    clear();
    m_filePath.clear();
    m_background = static_cast<uint32_t>(read(m_settings, Settings::MAPBACKCOLOR));
    auto layer = loadLayer(path);
    if (!layer) return false;
    becomeFirstLayer(std::move(layer));
    return true;
}

bool MapProject::addLayer(const QString& path) {
    const QString wanted = samePath(path);
    for (const auto& existing : m_layers) {
        if (samePath(existing->path()) == wanted) {
            m_prompter.report(ResourceStrings::text(ResourceStrings::MapAlreadyLoaded), Prompter::Icon::Stop);
            return false;
        }
    }
    auto layer = loadLayer(path);
    if (!layer) return false;
    if (m_layers.empty()) {
        becomeFirstLayer(std::move(layer));
        return true;
    }
    const MapDetails& d = layer->m_details;
    // A layer without a usable rectangle is kept but never widens the project.
    if (d.isValid()) {
        if (!m_rect.isValid()) {
            m_rect =
                MapDetails::fromCorners(m_rect.imagePath, m_rect.caption, d.top, d.left, d.bottom, d.right);
        } else {
            MapDetails grown = MapDetails::fromCorners(
                m_rect.imagePath, m_rect.caption, std::max(m_rect.top, d.top), std::min(m_rect.left, d.left),
                std::min(m_rect.bottom, d.bottom), std::max(m_rect.right, d.right));
            // The same pixels per degree as before: the canvas grows with the rectangle.
            const QSize canvas = boundedCanvas(m_canvas.width() * grown.longitudeSpan / m_rect.longitudeSpan,
                                               m_canvas.height() * grown.latitudeSpan / m_rect.latitudeSpan);
            if (!canvas.isEmpty()) {
                m_rect = grown;
                m_canvas = canvas;
            }
        }
    }
    m_layers.push_back(std::move(layer));
    touch();
    return true;
}

void MapProject::removeLayer(int index) {
    if (index < 0 || index >= layerCount()) return;
    m_layers.erase(m_layers.begin() + index);
    if (m_layers.empty()) {
        clear();
        return;
    }
    if (index == 0) {
        m_rect.imagePath = m_layers.front()->path();
        m_rect.caption = m_layers.front()->details().caption;
    }
    touch();
}

void MapProject::markForRemoval(int index) {
    if (index < 0 || index >= layerCount()) return;
    m_layers[static_cast<size_t>(index)]->m_removeMark = true;
    touch();
}

bool MapProject::removeMarkedLayers() {
    bool any = false;
    for (int i = layerCount() - 1; i >= 0; --i) {
        if (m_layers[static_cast<size_t>(i)]->m_removeMark) {
            removeLayer(i);
            any = true;
        }
    }
    return any;
}

void MapProject::clear() {
    m_layers.clear();
    m_rect = MapDetails{};
    m_rect.sourceKind = MapDetails::ProjectCorners;
    m_canvas = {};
    touch();
}

MapLayerRecord MapProject::recordOf(const MapLayer& layer) const {
    if (layer.m_placeholder) return *layer.m_placeholder;
    MapLayerRecord r;
    r.kind = layer.kind();
    r.top = layer.m_details.top;
    r.left = layer.m_details.left;
    r.bottom = layer.m_details.bottom;
    r.right = layer.m_details.right;
    r.imagePath = layer.m_details.imagePath;
    r.caption = layer.m_details.caption;
    const QSize drawn = layer.m_content ? layer.m_content->drawnSize() : QSize();
    r.drawnWidth = drawn.width();
    r.drawnHeight = drawn.height();
    if (r.kind == MapLayerContent::Shapefile) {
        auto settings = layer.m_content->displaySettings();
        if (!settings) settings = layer.m_shapeSettings;
        r.shapeSettings = settings.value_or(ShapeDisplaySettings::defaults(m_settings));
    }
    return r;
}

bool MapProject::save(const QString& path, QPoint scroll) {
    MapProjectData data;
    data.backgroundColour = m_background;
    data.top = m_rect.top;
    data.left = m_rect.left;
    data.bottom = m_rect.bottom;
    data.right = m_rect.right;
    data.imagePath = m_rect.imagePath;
    data.caption = m_rect.caption;
    data.canvasWidth = m_canvas.width();
    data.canvasHeight = m_canvas.height();
    data.scrollX = scroll.x();
    data.scrollY = scroll.y();
    data.layers.reserve(m_layers.size());
    for (const auto& layer : m_layers) data.layers.push_back(recordOf(*layer));
    if (!DataFiles::saveAtomically(path, MapProjectFile::serialize(data))) {
        Trace::write(QStringLiteral("error create file! ") + path);
        return false;
    }
    m_filePath = path;
    return true;
}

QPoint MapProject::load(const QString& path) {
    clear();
    m_filePath.clear();
    if (!path.endsWith(QLatin1String(".map"), Qt::CaseInsensitive)) {
        openMapFile(path);
        return {};
    }
    if (!QFileInfo(path).isFile()) return {};
    const auto bytes = DataFiles::readAll(path, MapProjectFile::kMaxFileBytes);
    if (!bytes) return {};
    const auto data = MapProjectFile::parse(*bytes);
    if (!data) {
        Trace::write(QStringLiteral("not a map project: ") + path);
        return {};
    }

    m_background = data->backgroundColour;
    m_rect = MapDetails::fromCorners(data->imagePath, data->caption, data->top, data->left, data->bottom,
                                     data->right);
    const QString folder = QFileInfo(path).absolutePath();
    for (const MapLayerRecord& record : data->layers) {
        auto layer = std::make_unique<MapLayer>();
        const QString file = findLayerFile(record.imagePath, folder);
        layer->m_details = MapDetails::fromCorners(file.isEmpty() ? record.imagePath : file, record.caption,
                                                   record.top, record.left, record.bottom, record.right);
        std::unique_ptr<MapLayerContent> content;
        if (!file.isEmpty() &&
            (record.kind == MapLayerContent::Raster || record.kind == MapLayerContent::Shapefile) &&
            m_factory) {
            content = m_factory(static_cast<MapLayerContent::Kind>(record.kind));
            if (content && !content->load(file)) content.reset();
        }
        if (content) {
            // A stored size of nothing leaves the content's own (an image's pixel size).
            const QSize drawn(wholePixels(record.drawnWidth), wholePixels(record.drawnHeight));
            if (!drawn.isEmpty()) content->setDrawnSize(drawn);
            if (record.shapeSettings) content->setDisplaySettings(*record.shapeSettings);
            layer->m_shapeSettings = record.shapeSettings;
            layer->m_content = std::move(content);
        } else {
            // Kept whole, so it is saved back as it was and the next file that turns up loads.
            Trace::write(QStringLiteral("map layer not loaded: ") + record.imagePath);
            layer->m_placeholder = record;
        }
        m_layers.push_back(std::move(layer));
    }

    m_canvas = boundedCanvas(data->canvasWidth, data->canvasHeight);
    if (m_canvas.isEmpty()) {
        for (const auto& layer : m_layers) {
            if (!layer->m_content) continue;
            const QSize drawn = layer->m_content->drawnSize();
            m_canvas = boundedCanvas(drawn.width(), drawn.height());
            break;
        }
        if (m_canvas.isEmpty() && !m_layers.empty()) m_canvas = defaultCanvas(m_rect);
    }
    m_filePath = path;
    touch();
    return {data->scrollX, data->scrollY};
}

QString MapProject::proposedSaveAsPath() const {
    QString name = m_rect.caption;
    // World-file maps are captioned with their image path: the image's name reads better.
    if (name.isEmpty() || name == m_rect.imagePath)
        name = QFileInfo(lastComponent(m_rect.imagePath)).completeBaseName();
    return m_home.mapProjectsDir() + QLatin1Char('/') + safeFileName(name) + QStringLiteral(".map");
}

bool MapProject::hitShape(double latitude, double longitude, const GeoProjection& projection,
                          double radiusPixels) {
    for (const auto& layer : m_layers) {
        if (layer->m_content && layer->m_content->kind() == MapLayerContent::Shapefile &&
            layer->m_content->hit(latitude, longitude, projection, radiusPixels))
            return true;
    }
    return false;
}

QRectF MapProject::targetOf(const MapLayer& layer) const {
    const MapDetails& d = layer.m_details;
    const QRectF whole(0, 0, m_canvas.width(), m_canvas.height());
    if (!m_rect.isValid()) return d.isValid() ? QRectF() : whole; // an uncalibrated picture
    if (!d.isValid()) return {};
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    m_rect.positionToPixelF(d.top, d.left, m_canvas.width(), m_canvas.height(), x1, y1);
    m_rect.positionToPixelF(d.bottom, d.right, m_canvas.width(), m_canvas.height(), x2, y2);
    const QRectF target(QPointF(x1, y1), QPointF(x2, y2));
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) return {};
    return target;
}

std::shared_ptr<const MapProjectSnapshot> MapProject::snapshot() const {
    if (m_snapshot) return m_snapshot;
    auto s = std::make_shared<MapProjectSnapshot>();
    s->hasLayers = !m_layers.empty();
    s->backgroundColour = m_background;
    s->canvasSize = m_canvas;
    s->rectangle = m_rect;
    for (const auto& layer : m_layers) {
        if (!layer->m_content || layer->m_removeMark) continue;
        const QRectF target = targetOf(*layer);
        if (target.isEmpty()) continue;
        s->layers.push_back({layer->m_content, target});
    }
    m_snapshot = std::move(s);
    return m_snapshot;
}

void drawProjectSnapshot(QPainter& painter, const MapProjectSnapshot& snapshot,
                         const MapDrawContext& context) {
    if (!snapshot.hasLayers || snapshot.canvasSize.isEmpty()) return;
    const QSizeF canvas = context.projection ? context.projection->canvasSize() : QSizeF(snapshot.canvasSize);
    const QRectF whole(QPointF(0, 0), canvas);
    MapDrawContext ctx = context;
    ctx.visible = context.visible.isEmpty() ? whole : context.visible.intersected(whole);
    if (ctx.visible.isEmpty()) return;
    painter.fillRect(ctx.visible, WinColor::toQColor(snapshot.backgroundColour));

    const LinearProjection own(snapshot.rectangle, canvas);
    if (!ctx.projection) ctx.projection = &own;
    const double sx = canvas.width() / snapshot.canvasSize.width();
    const double sy = canvas.height() / snapshot.canvasSize.height();
    for (const MapProjectSnapshot::Layer& layer : snapshot.layers) {
        if (ctx.isCancelled()) return;
        const QRectF target(layer.target.left() * sx, layer.target.top() * sy, layer.target.width() * sx,
                            layer.target.height() * sy);
        if (!target.intersects(ctx.visible)) continue;
        painter.save();
        try {
            layer.content->draw(painter, target, ctx);
        } catch (const std::exception&) {
            Trace::write(QStringLiteral("Catch Error"));
        } catch (...) {
            Trace::write(QStringLiteral("Catch Error"));
        }
        painter.restore();
    }
}
