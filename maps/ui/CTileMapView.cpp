#include "maps/ui/CTileMapView.h"

#include "app/GlobalObjects.h"
#include "app/Version.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/ui/StationDetails.h"
#include "controls/DialogRunner.h"
#include "gps/CoordText.h"
#include "gps/GeoCalc.h"
#include "maps/LabelBoxes.h"
#include "maps/MapOverlays.h"
#include "maps/MbTilesFile.h"
#include "maps/ShapeLayer.h"
#include "maps/StationBubble.h"
#include "maps/StationLayer.h"
#include "maps/TileDiskCache.h"
#include "maps/TileFetcher.h"
#include "maps/TileStore.h"
#include "maps/ui/DlgTileSource.h"
#include "maps/ui/StationPopup.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QtEndian>
#include <algorithm>
#include <cmath>

namespace {

const QString kPrefix = QStringLiteral("tiles:");
constexpr int kDragThreshold = 4;
constexpr int kDamageIntervalMs = 100;
// Canvas pixels stay below this distance from the origin of the station painters.
constexpr double kReanchorDistance = 2e6;
// The levels below the window's own that a missing tile may borrow from.
constexpr int kParentLevels = 8;
// Saving an area for offline use goes this many levels deeper than the window.
constexpr int kPrefetchLevels = 3;
const QColor kEmptyTile(226, 222, 214);

int filterOf(int id) {
    switch (id) {
    case Command::StationsAll:
        return -1;
    case Command::StationsFixed:
        return StationType::Fixed;
    case Command::StationsVehicles:
        return StationType::Mobile;
    case Command::StationsObjects:
        return StationType::Object;
    case Command::StationsWeather:
        return StationType::Weather;
    case Command::StationsDigi:
        return StationType::Digi;
    case Command::StationsTcpIp:
        return StationType::TcpIp;
    default:
        return -2;
    }
}

bool isStationCommand(int id) {
    switch (id) {
    case Command::StationDetails:
    case Command::StationTrack:
    case Command::StationCoverage:
    case Command::FindBestMap:
    case Command::StationSendMessage:
    case Command::DeleteTracks:
        return true;
    default:
        return false;
    }
}

QString userAgent() {
    const ProgramVersion v = ProgramVersion::current();
    return QStringLiteral("Quillpad/%1.%2").arg(v.major).arg(v.minor);
}

} // namespace

struct CTileMapView::Frame {
    int tileZoom = 0; // the zoom of the tiles drawn (the source may stop below the view's)
    double scale = 1; // how many window pixels one tile pixel covers
    QPointF topLeft;  // world pixel at the window's top-left corner (whole pixels)
    QSize size;
    QPointF canvasShift; // canvas pixel = window pixel + canvasShift
};

CTileMapView::CTileMapView(GlobalObjects& station, Prompter& prompter, DialogRunner& dialogs, QWidget* parent)
    : QWidget(parent), m_station(station), m_prompter(prompter), m_dialogs(dialogs),
      m_stations(std::make_unique<StationLayer>()) {
    setObjectName(QStringLiteral("tileMapView"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_offline = TileSources::offline(m_station.settings());
    // A new view looks at the station's own position.
    double latitude = 40.6, longitude = 22.95;
    ownPosition(latitude, longitude);
    m_centre = TileMath::toWorld(latitude, longitude, m_zoom);
    reanchor();

    m_damageTimer.setSingleShot(true);
    m_damageTimer.setInterval(kDamageIntervalMs);
    connect(&m_damageTimer, &QTimer::timeout, this, &CTileMapView::flushDamage);
    m_hoverTimer.setSingleShot(true);
    m_hoverTimer.setInterval(700);
    connect(&m_hoverTimer, &QTimer::timeout, this, [this] {
        const QString call = stationAt(m_hoverPoint);
        if (!call.isEmpty()) showBubble(call, m_hoverPoint);
    });
    openFileName = [this](const QString& caption, const QString& filter) {
        return QFileDialog::getOpenFileName(this, caption, m_station.home().mapsDir(), filter);
    };
}

CTileMapView::~CTileMapView() {
    hideBubble();
}

bool CTileMapView::isTileMapFile(const QString& file) {
    return file.startsWith(kPrefix) || file.endsWith(QLatin1String(".mbtiles"), Qt::CaseInsensitive);
}

// --- source

bool CTileMapView::loadMap(const QString& file) {
    QString what = file.startsWith(kPrefix) ? file.mid(kPrefix.size()) : file;
    TileSource source;
    if (what.endsWith(QLatin1String(".mbtiles"), Qt::CaseInsensitive)) {
        source.mbtilesPath = QFileInfo(what).absoluteFilePath();
        source.maxZoom = kMaxZoom;
    } else if (const auto found = TileSources::find(m_station.settings(), what)) {
        source = *found;
    } else {
        return false;
    }
    TileStore::Options options;
    options.cacheRoot = TileDiskCache::defaultRoot();
    options.cacheBytes = TileSources::cacheBytes(m_station.settings());
    options.userAgent = userAgent();
    options.offline = m_offline;
    auto store = std::make_unique<TileStore>(source, options);
    if (!store->isValid()) return false;
    hideBubble();
    m_tiles = std::move(store);
    m_tiles->setSynchronous(m_synchronous);
    connect(m_tiles.get(), &TileStore::tileLoaded, this, [this] { update(); });
    m_file = kPrefix + (source.isMbTiles() ? source.mbtilesPath : source.name);
    // A file starts where it says its tiles are.
    if (MbTilesFile* mb = m_tiles->mbtiles()) {
        double latitude = 0, longitude = 0;
        int zoom = 0;
        if (mb->centre(latitude, longitude, zoom)) {
            m_zoom =
                std::clamp(zoom, std::max(kMinZoom, mb->minZoom()), std::min(kMaxZoom, m_tiles->maxZoom()));
            m_centre = TileMath::toWorld(latitude, longitude, m_zoom);
        }
    }
    // The tiles are asked for once the event loop turns: a restored view's centre and zoom, set
    // right after this, come first, so the default place is never fetched for nothing.
    reanchor();
    update();
    QTimer::singleShot(0, this, &CTileMapView::requestTiles);
    if (captionChanged) captionChanged();
    notifyCommandsChanged();
    emit sourceChanged();
    return true;
}

QString CTileMapView::mapFile() const {
    return m_file;
}

QString CTileMapView::caption() const {
    if (!m_tiles) return tr("Untitled");
    const TileSource& s = m_tiles->source();
    return s.isMbTiles() ? QFileInfo(s.mbtilesPath).fileName() : s.name;
}

QByteArray CTileMapView::visibleArea() const {
    double latitude = 0, longitude = 0;
    centre(latitude, longitude);
    QByteArray bytes(16, '\0');
    qToLittleEndian<qint32>(qint32(std::lround(latitude * 1e6)), bytes.data());
    qToLittleEndian<qint32>(qint32(std::lround(longitude * 1e6)), bytes.data() + 4);
    qToLittleEndian<qint32>(m_zoom, bytes.data() + 8);
    qToLittleEndian<qint32>(kAreaMarker, bytes.data() + 12);
    return bytes;
}

void CTileMapView::setVisibleArea(const QByteArray& area) {
    if (area.size() != 16 || qFromLittleEndian<qint32>(area.constData() + 12) != kAreaMarker) return;
    const double latitude = qFromLittleEndian<qint32>(area.constData()) / 1e6;
    const double longitude = qFromLittleEndian<qint32>(area.constData() + 4) / 1e6;
    const qint32 zoom = qFromLittleEndian<qint32>(area.constData() + 8);
    if (std::abs(latitude) > 90 || std::abs(longitude) > 180 || zoom < kMinZoom || zoom > kMaxZoom) return;
    m_zoom = zoom;
    centreOn(latitude, longitude);
}

// --- geometry

CTileMapView::Frame CTileMapView::frame() const {
    Frame f;
    f.size = size();
    f.tileZoom = std::min(m_zoom, m_tiles ? m_tiles->maxZoom() : kMaxZoom);
    f.scale = std::ldexp(1.0, m_zoom - f.tileZoom);
    f.topLeft = QPointF(std::floor(m_centre.x() - f.size.width() / 2.0),
                        std::floor(m_centre.y() - f.size.height() / 2.0));
    f.canvasShift = f.topLeft - m_origin;
    return f;
}

void CTileMapView::reanchor() {
    m_origin = QPointF(std::floor(m_centre.x()), std::floor(m_centre.y()));
    m_stations->forgetPainted();
    m_overlay = {};
}

QPointF CTileMapView::toWindow(double latitude, double longitude) const {
    return TileMath::toWorld(latitude, longitude, m_zoom) - frame().topLeft;
}

void CTileMapView::toPosition(QPointF windowPoint, double& latitude, double& longitude) const {
    TileMath::fromWorld(windowPoint + frame().topLeft, m_zoom, latitude, longitude);
}

void CTileMapView::centre(double& latitude, double& longitude) const {
    TileMath::fromWorld(m_centre, m_zoom, latitude, longitude);
}

void CTileMapView::centreOn(double latitude, double longitude) {
    m_centre = TileMath::toWorld(latitude, longitude, m_zoom);
    reanchor();
    moved();
}

void CTileMapView::moved() {
    // East and west repeat; north and south end at the edge of the square world.
    const double world = TileMath::worldSize(m_zoom);
    double x = m_centre.x();
    if (x < 0 || x >= world) x -= std::floor(x / world) * world;
    const double y = std::clamp(m_centre.y(), 0.0, world);
    if (x != m_centre.x()) {
        m_centre = QPointF(x, y);
        reanchor();
    }
    m_centre.setY(y);
    if (std::abs(m_centre.x() - m_origin.x()) > kReanchorDistance ||
        std::abs(m_centre.y() - m_origin.y()) > kReanchorDistance)
        reanchor();
    hideBubble();
    m_damage = {};
    requestTiles();
    update();
}

void CTileMapView::setZoom(int zoom) {
    zoomAbout(zoom - m_zoom, QPointF(width() / 2.0, height() / 2.0));
}

void CTileMapView::zoomAbout(int steps, QPointF windowPoint) {
    const int zoom = std::clamp(m_zoom + steps, kMinZoom, kMaxZoom);
    if (zoom == m_zoom) return;
    const double factor = std::ldexp(1.0, zoom - m_zoom);
    const QPointF half(width() / 2.0, height() / 2.0);
    const QPointF under = frame().topLeft + windowPoint;
    m_centre = under * factor - (windowPoint - half);
    m_zoom = zoom;
    reanchor();
    moved();
    notifyCommandsChanged();
}

void CTileMapView::panBy(QPointF windowPixels) {
    m_centre -= windowPixels;
    moved();
}

void CTileMapView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    requestTiles();
}

void CTileMapView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Stations heard while another tab was active were not announced to this view.
    invalidateOverlay();
    // Another view may have switched the station offline or back.
    const bool offline = TileSources::offline(m_station.settings());
    if (offline != m_offline) {
        m_offline = offline;
        if (m_tiles) m_tiles->setOffline(offline);
    }
    requestTiles();
}

// --- tiles

void CTileMapView::requestTiles() {
    if (!m_tiles || width() <= 0 || height() <= 0) return;
    const Frame f = frame();
    const QRectF window(f.topLeft / f.scale, QSizeF(f.size) / f.scale);
    std::vector<TileKey> keys;
    for (const auto& t : TileMath::tilesCovering(window, f.tileZoom)) keys.push_back(t.key);
    // The level above next, so that zooming out has something to show at once.
    if (f.tileZoom > 0)
        for (const auto& t :
             TileMath::tilesCovering(QRectF(window.topLeft() / 2, window.size() / 2), f.tileZoom - 1))
            keys.push_back(t.key);
    m_tiles->want(keys);
}

void CTileMapView::setSynchronousLoading(bool on) {
    m_synchronous = on;
    if (m_tiles) m_tiles->setSynchronous(on);
    if (on) requestTiles();
}

int CTileMapView::tilesNeeded() const {
    if (!m_tiles) return 0;
    const Frame f = frame();
    return int(
        TileMath::tilesCovering(QRectF(f.topLeft / f.scale, QSizeF(f.size) / f.scale), f.tileZoom).size());
}

int CTileMapView::tilesShown() const {
    if (!m_tiles) return 0;
    const Frame f = frame();
    int shown = 0;
    for (const auto& t :
         TileMath::tilesCovering(QRectF(f.topLeft / f.scale, QSizeF(f.size) / f.scale), f.tileZoom))
        shown += m_tiles->hasTile(t.key) ? 1 : 0;
    return shown;
}

void CTileMapView::paintTiles(QPainter& painter, const Frame& f, const QRect& rect) const {
    painter.fillRect(rect, kEmptyTile);
    if (!m_tiles) return;
    const double tileSide = TileMath::kTileSize * f.scale;
    const double worldAtTiles = TileMath::worldSize(f.tileZoom);
    const QRectF window(f.topLeft / f.scale, QSizeF(f.size) / f.scale);
    for (const auto& t : TileMath::tilesCovering(window, f.tileZoom)) {
        const QPointF world((t.key.x + double(t.worldShift) * (worldAtTiles / TileMath::kTileSize)) *
                                TileMath::kTileSize,
                            double(t.key.y) * TileMath::kTileSize);
        const QRectF target(world * f.scale - f.topLeft, QSizeF(tileSide, tileSide));
        if (!target.intersects(QRectF(rect))) continue;
        QImage image = m_tiles->tile(t.key);
        QRectF source(0, 0, TileMath::kTileSize, TileMath::kTileSize);
        // Not there yet: the nearest parent that is, enlarged.
        TileKey key = t.key;
        for (int up = 1; image.isNull() && up <= kParentLevels && key.z > 0; ++up) {
            key = key.parent();
            image = m_tiles->tile(key);
            if (!image.isNull()) {
                const double part = double(TileMath::kTileSize) / (1 << up);
                source = QRectF((t.key.x & ((1 << up) - 1)) * part, (t.key.y & ((1 << up) - 1)) * part, part,
                                part);
            }
        }
        if (image.isNull()) continue;
        if (image.width() != TileMath::kTileSize) {
            // 512-pixel tiles of "retina" sources.
            const double k = double(image.width()) / TileMath::kTileSize;
            source = QRectF(source.topLeft() * k, source.size() * k);
        }
        const bool exact = source.size() == QSizeF(image.size()) && tileSide == image.width();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, !exact);
        if (exact)
            painter.drawImage(target.topLeft(), image);
        else
            painter.drawImage(target, image, source);
    }
}

// --- painting

void CTileMapView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRegion(event->region());
    paintView(painter, event->rect());
}

QImage CTileMapView::renderToImage() {
    QImage image(size(), QImage::Format_RGB32);
    requestTiles();
    QPainter painter(&image);
    paintView(painter, image.rect());
    return image;
}

void CTileMapView::paintView(QPainter& painter, const QRect& rect) {
    const Frame f = frame();
    paintTiles(painter, f, rect);
    const MapLabelSettings labelSettings = MapLabelSettings::read(m_station.settings());
    updateOverlay(f, labelSettings);
    painter.drawImage(QPointF(m_overlayArea.topLeft()) - f.canvasShift, m_overlay);
    // The scale bar stands in the window's corner, whatever part of it is repainted.
    painter.save();
    painter.translate(-f.canvasShift);
    const WebMercatorProjection projection(m_zoom, m_origin);
    MapOverlays::paintScaleBar(painter, projection, QRectF(f.canvasShift, QSizeF(f.size)),
                               labelSettings.imperialDistances());
    painter.restore();
    paintNotes(painter);
}

QString CTileMapView::overlayKey(const MapLabelSettings& s, int filter) {
    return QStringLiteral("%1|%2|%3%4%5%6%7|%8|%9|%10|%11|%12")
        .arg(s.styleKey())
        .arg(s.labelType)
        .arg(int(s.weatherPlainLabel))
        .arg(int(s.weatherTemperature))
        .arg(int(s.weatherWind))
        .arg(int(s.weatherHumidity))
        .arg(int(s.weatherPressure))
        .arg(s.temperatureFormat)
        .arg(s.speedFormat)
        .arg(int(s.drawCoverage))
        .arg(s.trackColor.name())
        .arg(filter);
}

void CTileMapView::invalidateOverlay() {
    m_overlay = {};
    m_overlayDamage = {};
    update();
}

void CTileMapView::updateOverlay(const Frame& f, const MapLabelSettings& settings) {
    const QRect window(f.canvasShift.toPoint(), f.size);
    const QString key = overlayKey(settings, m_filter) + read(m_station.settings(), Settings::POSLATITUDE) +
                        read(m_station.settings(), Settings::POSLONGITUDE);
    const qreal dpr = devicePixelRatioF();
    const bool current = !m_overlay.isNull() && m_overlayZoom == m_zoom && m_overlayOrigin == m_origin &&
                         m_overlayArea.contains(window) && m_overlayKey == key &&
                         m_overlay.devicePixelRatio() == dpr && m_overlayAge.isValid() &&
                         m_overlayAge.elapsed() < 1000;
    if (current) {
        for (const QRect& r : m_overlayDamage) paintStations(r.intersected(m_overlayArea), settings, true);
        m_overlayDamage = {};
        return;
    }
    constexpr int kMargin = 256;
    m_overlayArea = window.adjusted(-kMargin, -kMargin, kMargin, kMargin);
    m_overlay = QImage(m_overlayArea.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    m_overlay.setDevicePixelRatio(dpr);
    m_overlay.fill(Qt::transparent);
    m_overlayKey = key;
    m_overlayZoom = m_zoom;
    m_overlayOrigin = m_origin;
    m_overlayDamage = {};
    m_overlayAge.start();
    ++m_overlayRenders;
    paintStations(m_overlayArea, settings, false);
}

void CTileMapView::paintStations(const QRect& area, const MapLabelSettings& settings, bool clearFirst) {
    if (area.isEmpty() || m_overlay.isNull()) return;
    QPainter painter(&m_overlay);
    painter.translate(-m_overlayArea.topLeft());
    painter.setClipRect(area);
    if (clearFirst) {
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.fillRect(area, Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    const WebMercatorProjection projection(m_zoom, m_origin);
    if (!m_shapes.empty()) {
        // Shapefile layers under the stations, drawn as on a calibrated map.
        LabelBoxes labels;
        MapDrawContext shapes;
        shapes.projection = &projection;
        shapes.visible = QRectF(area);
        shapes.labels = &labels;
        shapes.quality = read(m_station.settings(), Settings::MAPQUALITY);
        double lat1 = 0, lon1 = 0, lat2 = 0, lon2 = 0;
        toPosition(QPointF(0, 0), lat1, lon1);
        toPosition(QPointF(width(), 0), lat2, lon2);
        shapes.windowWidthKm = GeoCalc().ellipsoidalDistanceKm(lat1, lon1, lat2, lon2);
        for (const auto& layer : m_shapes) {
            painter.save();
            layer->draw(painter, QRectF(QPointF(0, 0), projection.canvasSize()), shapes);
            painter.restore();
        }
    }
    StationPaintContext context;
    context.projection = &projection;
    context.visible = QRectF(area);
    context.stationTypeFilter = m_filter;
    m_stations->paint(painter, m_station.stations(), context, settings);
    double ownLatitude = 0, ownLongitude = 0;
    if (ownPosition(ownLatitude, ownLongitude))
        MapOverlays::paintOwnPosition(painter, projection, ownLatitude, ownLongitude);
}

void CTileMapView::paintNotes(QPainter& painter) {
    painter.save();
    QFont small = font();
    small.setPointSizeF(std::max(7.0, font().pointSizeF() * 0.85));
    painter.setFont(small);
    const QFontMetrics metrics(small);
    // The attribution, always visible in the bottom-right corner; plain text whatever it holds.
    QString attribution = m_tiles ? m_tiles->attribution() : QString();
    if (attribution.isEmpty()) attribution = TileSources::kOpenStreetMapAttribution;
    attribution = metrics.elidedText(attribution, Qt::ElideRight, std::max(60, width() - 16));
    const QRect text = metrics.boundingRect(attribution);
    const QRect box(width() - text.width() - 10, height() - metrics.height() - 4, text.width() + 10,
                    metrics.height() + 4);
    painter.fillRect(box, QColor(255, 255, 255, 200));
    painter.setPen(QColor(40, 40, 40));
    painter.drawText(box, Qt::AlignCenter, attribution);

    // What the view cannot show, at the top.
    QString note;
    if (!m_tiles)
        note = tr("No tile source.");
    else if (m_offline && !m_tiles->source().isMbTiles())
        note = tr("Offline: only tiles saved earlier are shown");
    if (!note.isEmpty()) {
        painter.setFont(font());
        const QFontMetrics fm(font());
        const QRect r = fm.boundingRect(note).adjusted(-10, -5, 10, 5);
        const QRect placed(width() / 2 - r.width() / 2, 10, r.width(), r.height());
        painter.fillRect(placed, palette().toolTipBase());
        painter.setPen(palette().color(QPalette::ToolTipText));
        painter.drawText(placed, Qt::AlignCenter, note);
    }
    painter.restore();
}

bool CTileMapView::ownPosition(double& latitude, double& longitude) const {
    SettingsStore& settings = m_station.settings();
    const auto lat = CoordText::tryFromAprsLatitude(read(settings, Settings::POSLATITUDE));
    const auto lon = CoordText::tryFromAprsLongitude(read(settings, Settings::POSLONGITUDE));
    if (!lat || !lon) return false;
    latitude = lat->value();
    longitude = lon->value();
    return true;
}

// --- stations

void CTileMapView::stationHeard(const QString& call, bool fromInternet) {
    (void)fromInternet;
    StationManager& stations = m_station.stations();
    const Frame f = frame();
    QRectF dirty;
    {
        QMutexLocker guard(&stations.lock());
        StationRecord* record = stations.FindByCall(call);
        if (!record) return;
        const WebMercatorProjection projection(m_zoom, m_origin);
        StationPaintContext c;
        c.projection = &projection;
        c.visible = QRectF(f.canvasShift, QSizeF(f.size));
        c.stationTypeFilter = m_filter;
        dirty = m_stations->damageFor(*record, c, MapLabelSettings::read(m_station.settings()));
    }
    if (dirty.isEmpty()) return;
    m_overlayDamage += dirty.toAlignedRect();
    m_damage += dirty.translated(-f.canvasShift).toAlignedRect();
    if (!m_damageTimer.isActive()) m_damageTimer.start();
}

void CTileMapView::flushDamage() {
    if (!m_damage.isEmpty()) update(m_damage);
    m_damage = {};
}

double CTileMapView::areaContaining(double latitude, double longitude) const {
    if (!m_tiles) return -1;
    // The window's own area when the station is in it; otherwise the whole world, so that a
    // calibrated map showing the station wins.
    const QPointF p = toWindow(latitude, longitude);
    if (rect().contains(p.toPoint())) {
        double lat1 = 0, lon1 = 0, lat2 = 0, lon2 = 0;
        toPosition(QPointF(0, 0), lat1, lon1);
        toPosition(QPointF(width(), height()), lat2, lon2);
        return std::max(1e-9, std::abs(lat1 - lat2) * std::abs(lon2 - lon1));
    }
    return 360.0 * 2 * TileMath::kMaxLatitude;
}

QString CTileMapView::stationAt(QPoint windowPoint) const {
    return m_stations->callAt(QPointF(windowPoint) + frame().canvasShift);
}

void CTileMapView::showBubble(const QString& call, QPoint windowPos) {
    QString text;
    {
        StationManager& stations = m_station.stations();
        QMutexLocker guard(&stations.lock());
        const StationRecord* record = stations.FindByCall(call);
        if (!record) return;
        StationBubble::Context context;
        context.now = m_station.clock().nowLocal();
        double latitude = 0, longitude = 0;
        if (ownPosition(latitude, longitude)) {
            context.ownLatitude = latitude;
            context.ownLongitude = longitude;
        }
        context.distanceFormat = read(m_station.settings(), Settings::DISTANCE_FORMAT);
        context.speedFormat = read(m_station.settings(), Settings::SPEED_FORMAT_UNITS);
        text = StationBubble::plainText(*record, context);
    }
    if (!m_bubble) {
        m_bubble = new QLabel(this, Qt::ToolTip);
        m_bubble->setObjectName(QStringLiteral("stationBubble"));
        m_bubble->setTextFormat(Qt::PlainText); // comments come from strangers
        m_bubble->setMargin(6);
        m_bubble->setForegroundRole(QPalette::ToolTipText);
        m_bubble->setBackgroundRole(QPalette::ToolTipBase);
        m_bubble->setAutoFillBackground(true);
        m_bubble->setFrameShape(QFrame::Box);
    }
    m_bubbleCall = call;
    m_bubble->setText(text);
    m_bubble->adjustSize();
    m_bubble->move(mapToGlobal(windowPos + QPoint(14, 14)));
    m_bubble->show();
}

void CTileMapView::hideBubble() {
    if (m_bubble) m_bubble->hide();
    m_bubbleCall.clear();
}

QString CTileMapView::bubbleText() const {
    return m_bubble && m_bubble->isVisible() ? m_bubble->text() : QString();
}

// --- mouse and keys

void CTileMapView::mousePressEvent(QMouseEvent* event) {
    hideBubble();
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    m_dragMoved = false;
    m_dragPoint = m_pressPoint = event->position().toPoint();
}

void CTileMapView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (m_dragging) {
        if (!m_dragMoved && (pos - m_pressPoint).manhattanLength() >= kDragThreshold) {
            m_dragMoved = true;
            setCursor(Qt::ClosedHandCursor);
        }
        if (m_dragMoved) {
            panBy(QPointF(pos - m_dragPoint));
            m_dragPoint = pos;
        }
        return;
    }
    m_hoverPoint = pos;
    if (!m_bubbleCall.isEmpty() && stationAt(pos) != m_bubbleCall) hideBubble();
    m_hoverTimer.start();
}

void CTileMapView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const bool click = !m_dragMoved;
    m_dragging = false;
    m_dragMoved = false;
    unsetCursor();
    if (!click) return;
    const QPoint pos = event->position().toPoint();
    const QString call = stationAt(pos);
    if (call.isEmpty()) return;
    m_chosen = call;
    notifyCommandsChanged();
    showBubble(call, pos);
}

void CTileMapView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = event->position().toPoint();
    const QString call = stationAt(pos);
    if (!call.isEmpty()) {
        runStationCommand(Command::StationDetails, call);
        return;
    }
    // A double click on the map zooms in there.
    zoomAbout(1, event->position());
}

void CTileMapView::wheelEvent(QWheelEvent* event) {
    // One notch (120) is one zoom level about the pointer; touchpads' small steps add up.
    m_wheelRemainder += event->angleDelta().y();
    const int steps = m_wheelRemainder / 120;
    if (steps != 0) {
        m_wheelRemainder -= steps * 120;
        zoomAbout(steps, event->position());
    }
    event->accept();
}

void CTileMapView::keyPressEvent(QKeyEvent* event) {
    const double step = std::max(32, std::min(width(), height()) / 4);
    switch (event->key()) {
    case Qt::Key_Left:
        panBy({step, 0});
        break;
    case Qt::Key_Right:
        panBy({-step, 0});
        break;
    case Qt::Key_Up:
        panBy({0, step});
        break;
    case Qt::Key_Down:
        panBy({0, -step});
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        setZoom(m_zoom + 1);
        break;
    case Qt::Key_Minus:
        setZoom(m_zoom - 1);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CTileMapView::leaveEvent(QEvent* event) {
    m_hoverTimer.stop();
    QWidget::leaveEvent(event);
}

// --- menus

void CTileMapView::contextMenuEvent(QContextMenuEvent* event) {
    hideBubble();
    const QString call = stationAt(event->pos());
    if (!call.isEmpty()) {
        m_chosen = call;
        notifyCommandsChanged();
        showStationMenu(call, event->globalPos());
    } else {
        showMapMenu(event->pos(), event->globalPos());
    }
}

void CTileMapView::showStationMenu(const QString& call, QPoint globalPos) {
    showStationPopup(
        this, call, globalPos, [this](int id) { return isCommandChecked(id); },
        [this](int id, const QString& station) { runStationCommand(id, station); });
}

void CTileMapView::showMapMenu(QPoint windowPos, QPoint globalPos) {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("mapPopup"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto add = [this](QMenu* m, int id) {
        QAction* a = m->addAction(Command::text(id));
        a->setData(id);
        a->setEnabled(handlesCommand(id));
        a->setCheckable(filterOf(id) != -2 || id == Command::DrawCoverage);
        a->setChecked(isCommandChecked(id));
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
        return a;
    };
    add(menu, Command::ZoomIn);
    add(menu, Command::ZoomOut);
    QMenu* filter = menu->addMenu(tr("Stations"));
    for (int id = Command::StationsAll; id <= Command::StationsTcpIp; ++id) add(filter, id);
    add(menu, Command::DrawCoverage);
    menu->addSeparator();
    if (newObjectAt) {
        double latitude = 0, longitude = 0;
        toPosition(QPointF(windowPos), latitude, longitude);
        QAction* a = menu->addAction(tr("New Object Here..."));
        a->setObjectName(QStringLiteral("newObjectHere"));
        connect(a, &QAction::triggered, this, [this, latitude, longitude] {
            if (newObjectAt) newObjectAt(latitude, longitude);
        });
        menu->addSeparator();
    }
    if (m_tiles && !m_tiles->source().isMbTiles()) {
        QAction* offline = menu->addAction(tr("Work Offline"));
        offline->setObjectName(QStringLiteral("workOffline"));
        offline->setCheckable(true);
        offline->setChecked(m_offline);
        connect(offline, &QAction::toggled, this, [this](bool on) { setOffline(on); });
        QAction* save = menu->addAction(tr("Save This Area for Offline Use..."));
        save->setObjectName(QStringLiteral("saveAreaOffline"));
        connect(save, &QAction::triggered, this, &CTileMapView::saveAreaForOffline);
    }
    // The tile sources of the settings, this view's checked; a user's own server added from here.
    QMenu* sources = menu->addMenu(tr("Tile Source"));
    sources->setObjectName(QStringLiteral("tileSources"));
    for (const TileSource& source : TileSources::read(m_station.settings())) {
        QAction* a = sources->addAction(QString(source.name).replace(QLatin1Char('&'), QLatin1String("&&")));
        a->setCheckable(true);
        a->setChecked(m_file == fileForSource(source.name));
        const QString file = fileForSource(source.name);
        connect(a, &QAction::triggered, this, [this, file] { loadMap(file); });
    }
    sources->addSeparator();
    QAction* addSource = sources->addAction(tr("Add Tile Source..."));
    addSource->setObjectName(QStringLiteral("addTileSource"));
    connect(addSource, &QAction::triggered, this, &CTileMapView::addTileSource);
    QAction* open = menu->addAction(tr("Open MBTiles File..."));
    connect(open, &QAction::triggered, this, &CTileMapView::openMbTilesCommand);
    add(menu, Command::AddLayer);
    if (!m_shapes.empty()) {
        QMenu* remove = menu->addMenu(tr("Remove Layer"));
        for (int i = 0; i < int(m_shapePaths.size()); ++i) {
            QAction* a = remove->addAction(
                QFileInfo(m_shapePaths[i]).fileName().replace(QLatin1Char('&'), QLatin1String("&&")));
            connect(a, &QAction::triggered, this, [this, i] { removeShapeLayer(i); });
        }
    }
    menu->popup(globalPos);
}

void CTileMapView::setOffline(bool offline) {
    TileSources::setOffline(m_station.settings(), offline);
    m_offline = offline;
    if (m_tiles) m_tiles->setOffline(offline);
    requestTiles();
    update();
    notifyCommandsChanged();
}

bool CTileMapView::addShapeLayer(const QString& path) {
    auto layer = std::make_shared<ShapeLayer>();
    if (!layer->load(path)) return false;
    layer->setSettings(ShapeDisplaySettings::defaults(m_station.settings()));
    m_shapes.push_back(std::move(layer));
    m_shapePaths.append(path);
    invalidateOverlay();
    notifyCommandsChanged();
    return true;
}

void CTileMapView::removeShapeLayer(int index) {
    if (index < 0 || index >= int(m_shapes.size())) return;
    m_shapes.erase(m_shapes.begin() + index);
    m_shapePaths.removeAt(index);
    invalidateOverlay();
}

void CTileMapView::reloadSettings() {
    const bool offline = TileSources::offline(m_station.settings());
    if (m_tiles) {
        m_tiles->diskCache().setMaxBytes(TileSources::cacheBytes(m_station.settings()));
        m_tiles->setOffline(offline);
    }
    m_offline = offline;
    invalidateOverlay();
    requestTiles();
}

void CTileMapView::saveAreaForOffline() {
    if (!m_tiles) return;
    if (m_tiles->source().isMbTiles()) return;
    if (!m_tiles->allowsBulkDownload()) {
        m_prompter.report(
            tr("OpenStreetMap's tile servers do not allow saving areas in bulk.\n\nWhat you look at "
               "while online is kept on disk and stays available offline: pan and zoom over the area "
               "you need before you go offline, or open an MBTiles file of it."),
            Prompter::Icon::Information);
        return;
    }
    if (m_offline) {
        m_prompter.report(tr("Go online first: saving an area downloads its tiles."),
                          Prompter::Icon::Information);
        return;
    }
    const Frame f = frame();
    std::vector<TileKey> keys;
    const int deepest = std::min(m_tiles->maxZoom(), f.tileZoom + kPrefetchLevels);
    bool tooMany = false;
    for (int z = f.tileZoom; z <= deepest && !tooMany; ++z) {
        const double k = std::ldexp(1.0, z - m_zoom);
        for (const auto& t : TileMath::tilesCovering(QRectF(f.topLeft * k, QSizeF(f.size) * k), z)) {
            keys.push_back(t.key);
            if (int(keys.size()) > kMaxPrefetchTiles) {
                tooMany = true;
                break;
            }
        }
    }
    if (tooMany) {
        m_prompter.report(tr("This area needs more than %L1 tiles. Zoom in and save a smaller area.")
                              .arg(kMaxPrefetchTiles),
                          Prompter::Icon::Warning);
        return;
    }
    const QString question = tr("Download %L1 tiles of this area (zoom %2 to %3, about %L4 MB) from %5 for "
                                "offline use?")
                                 .arg(keys.size())
                                 .arg(f.tileZoom)
                                 .arg(deepest)
                                 .arg(std::max<qint64>(1, qint64(keys.size()) * 20 / 1024))
                                 .arg(m_tiles->source().name);
    if (m_prompter.askYesNo(question, Prompter::Icon::Question) != Prompter::Answer::Yes) return;
    m_tiles->prefetch(keys);
}

void CTileMapView::addTileSource() {
    DlgTileSource dialog(m_station.settings(), this);
    if (m_dialogs.run(dialog) != QDialog::Accepted || dialog.added().isEmpty()) return;
    // The new source is what the user wants to see.
    loadMap(fileForSource(dialog.added()));
}

void CTileMapView::openMbTilesCommand() {
    const QString file =
        openFileName ? openFileName(tr("Open MBTiles File"), tr("MBTiles Files (*.mbtiles);;All Files (*)"))
                     : QString();
    if (file.isEmpty()) return;
    if (!loadMap(file)) {
        MbTilesFile probe;
        probe.open(file);
        m_prompter.report(
            tr("The tile file %1 could not be opened: %2").arg(QFileInfo(file).fileName(), probe.error()),
            Prompter::Icon::Stop);
    }
}

void CTileMapView::runStationCommand(int id, const QString& call) {
    m_chosen = call;
    StationManager& stations = m_station.stations();
    switch (id) {
    case Command::StationDetails:
        openStationDetails(this, stations, m_station.tracks(), m_station.settings(), m_dialogs, call);
        break;
    case Command::StationTrack:
    case Command::StationCoverage: {
        {
            QMutexLocker guard(&stations.lock());
            StationRecord* record = stations.FindByCall(call);
            if (!record) return;
            int32_t& flag = id == Command::StationTrack ? record->showTrack : record->coverage;
            flag = flag ? 0 : 1;
        }
        m_stations->forgetPainted();
        invalidateOverlay();
        notifyCommandsChanged();
        break;
    }
    case Command::FindBestMap:
        if (findBestMap) findBestMap(call);
        break;
    case Command::StationSendMessage:
        if (sendMessage) sendMessage(call);
        break;
    case Command::DeleteTracks:
        if (runDeleteTracks(this, stations, m_station.tracks(), m_dialogs, call)) invalidateOverlay();
        break;
    default:
        break;
    }
}

// --- commands

bool CTileMapView::handlesCommand(int id) const {
    switch (id) {
    case Command::LoadMapFile:
    case Command::AddLayer:
    case Command::DrawCoverage:
        return true;
    case Command::ZoomIn:
        return m_zoom < kMaxZoom;
    case Command::ZoomOut:
        return m_zoom > kMinZoom;
    default:
        break;
    }
    if (filterOf(id) != -2) return true;
    if (isStationCommand(id)) {
        if (m_chosen.isEmpty()) return false;
        if (id == Command::FindBestMap && !findBestMap) return false;
        if (id == Command::StationSendMessage && !sendMessage) return false;
        StationManager& stations = m_station.stations();
        QMutexLocker guard(&stations.lock());
        return stations.FindByCall(m_chosen) != nullptr;
    }
    return false;
}

bool CTileMapView::isCommandChecked(int id) const {
    if (id == Command::DrawCoverage) return read(m_station.settings(), Settings::PHGRANGEDRAW) != 0;
    if (const int f = filterOf(id); f != -2) return m_filter == f;
    if (id == Command::StationTrack || id == Command::StationCoverage) {
        StationManager& stations = m_station.stations();
        QMutexLocker guard(&stations.lock());
        const StationRecord* record = stations.FindByCall(m_chosen);
        if (!record) return false;
        return (id == Command::StationTrack ? record->showTrack : record->coverage) != 0;
    }
    return false;
}

void CTileMapView::runCommand(int id) {
    if (!handlesCommand(id)) return;
    if (const int f = filterOf(id); f != -2) {
        m_filter = f;
        m_stations->forgetPainted();
        invalidateOverlay();
        notifyCommandsChanged();
        return;
    }
    if (isStationCommand(id)) {
        runStationCommand(id, m_chosen);
        return;
    }
    switch (id) {
    case Command::ZoomIn:
        setZoom(m_zoom + 1);
        break;
    case Command::ZoomOut:
        setZoom(m_zoom - 1);
        break;
    case Command::DrawCoverage: {
        SettingsStore& settings = m_station.settings();
        settings.writeInt(Settings::PHGRANGEDRAW.section, Settings::PHGRANGEDRAW.name,
                          read(settings, Settings::PHGRANGEDRAW) ? 0 : 1);
        m_stations->forgetPainted();
        invalidateOverlay();
        notifyCommandsChanged();
        break;
    }
    case Command::LoadMapFile:
        openMbTilesCommand();
        break;
    case Command::AddLayer: {
        const QString file = openFileName
                                 ? openFileName(tr("Add Layer"), tr("Shape Files (*.shp);;All Files (*)"))
                                 : QString();
        if (!file.isEmpty() && !addShapeLayer(file))
            m_prompter.report(tr("The shapefile %1 could not be loaded.").arg(QFileInfo(file).fileName()),
                              Prompter::Icon::Stop);
        break;
    }
    default:
        break;
    }
}
