#include "maps/ui/CQuillonView.h"

#include "app/GlobalObjects.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/ui/StationDetails.h"
#include "controls/DialogRunner.h"
#include "gps/CoordText.h"
#include "gps/GeoCalc.h"
#include "maps/MapOverlays.h"
#include "maps/MapProject.h"
#include "maps/MapRenderer.h"
#include "maps/StationBubble.h"
#include "maps/StationLayer.h"
#include "maps/ui/SampleMap.h"
#include "maps/ui/StationPopup.h"
#include "platform/Prompter.h"
#include "platform/ResourceStrings.h"
#include "platform/Settings.h"
#include "platform/StationHome.h"
#include "platform/gui/WinColor.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <QWheelEvent>
#include <QtEndian>
#include <algorithm>
#include <cmath>

namespace {

// The map file filter of the file dialogs, in Qt's form.
const char* const kMapFileFilter =
    "Map Files (*.bmp *.jpg *.jpeg *.gif *.tif *.tiff *.png *.webp *.shp *.map *.mbtiles);;"
    "Windows BMP (*.bmp);;Gif Images (*.gif);;JPEG Images (*.jpg *.jpeg);;"
    "GeoTif Files (*.tif *.tiff);;PNG files (*.png);;Shape Files (*.shp);;"
    "Quillon Project Files (*.map);;MBTiles Files (*.mbtiles);;All Files (*)";
const char* const kProjectFilter = "Quillon Project Files (*.map)";

constexpr int kDragThreshold = 4;
constexpr int kDamageIntervalMs = 100; // at most ten station repaints a second
constexpr double kBufferMargin = 0.25; // of the window, rendered beyond each edge for panning

int zoomStepOf(int id) {
    switch (id) {
    case Command::Zoom10:
        return 10;
    case Command::Zoom20:
        return 20;
    case Command::Zoom30:
        return 30;
    case Command::Zoom40:
        return 40;
    case Command::Zoom50:
        return 50;
    case Command::Zoom100:
        return 100;
    case Command::Zoom200:
        return 200;
    case Command::Zoom400:
        return 400;
    default:
        return 0;
    }
}

// View > Stations: the command and the station type it shows (-1 all).
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

} // namespace

CQuillonView::CQuillonView(GlobalObjects& station, Prompter& prompter, DialogRunner& dialogs, QWidget* parent)
    : QAbstractScrollArea(parent), m_station(station), m_prompter(prompter), m_dialogs(dialogs),
      m_project(std::make_unique<MapProject>(station.settings(), station.home(), prompter)),
      m_stations(std::make_unique<StationLayer>()), m_renderer(new MapRenderer(this)) {
    setObjectName(QStringLiteral("mapView"));
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    // A new view scrolls over 100 x 100 until a map gives it a canvas.
    m_original = m_canvas = QSize(100, 100);
    updateScrollBars();

    connect(m_renderer, &MapRenderer::rendered, this, &CQuillonView::baseRendered);
    m_damageTimer.setSingleShot(true);
    m_damageTimer.setInterval(kDamageIntervalMs);
    connect(&m_damageTimer, &QTimer::timeout, this, &CQuillonView::flushDamage);
    m_hoverTimer.setSingleShot(true);
    m_hoverTimer.setInterval(700);
    connect(&m_hoverTimer, &QTimer::timeout, this, [this] {
        const QString call = stationAt(m_hoverPoint);
        if (!call.isEmpty()) showBubble(call, m_hoverPoint);
    });
    m_centreTimer.setInterval(20);
    connect(&m_centreTimer, &QTimer::timeout, this, [this] {
        scrollTo(scrollPosition() - m_centreStep);
        if (--m_centreStepsLeft <= 0) m_centreTimer.stop();
    });

    m_sampleButton = new QPushButton(tr("Open the Sample Map"), viewport());
    m_sampleButton->setObjectName(QStringLiteral("openSampleMap"));
    connect(m_sampleButton, &QPushButton::clicked, this, [this] {
        if (!openSampleMap())
            m_prompter.report(tr("The sample map could not be opened."), Prompter::Icon::Stop);
    });
    m_tilesButton = new QPushButton(tr("Open OpenStreetMap"), viewport());
    m_tilesButton->setObjectName(QStringLiteral("openTileMap"));
    connect(m_tilesButton, &QPushButton::clicked, this, [this] {
        if (openTileMap) openTileMap(QStringLiteral("tiles:OpenStreetMap"));
    });
    placeSampleButton();

    openFileName = [this](const QString& caption, const QString& filter) {
        return QFileDialog::getOpenFileName(this, caption, m_station.home().mapsDir(), filter);
    };
    saveFileName = [this](const QString& caption, const QString& proposed, const QString& filter) {
        return QFileDialog::getSaveFileName(this, caption, proposed, filter);
    };
}

CQuillonView::~CQuillonView() {
    hideBubble();
    if (m_loadThread) {
        // The worker holds a project only it touches; let it finish before the view goes.
        m_loadThread->wait();
        delete m_loadThread;
    }
}

bool CQuillonView::openSampleMap() {
    const QString image = SampleMap::install(m_station.home());
    return !image.isEmpty() && loadMap(image);
}

void CQuillonView::placeSampleButton() {
    const bool empty = m_project->isEmpty() && !isLoading();
    m_sampleButton->setVisible(empty);
    m_sampleButton->adjustSize();
    m_tilesButton->setVisible(empty && openTileMap);
    m_tilesButton->adjustSize();
    const QRect r = viewport()->rect();
    if (!m_tilesButton->isVisible()) {
        m_sampleButton->move(r.center().x() - m_sampleButton->width() / 2, r.center().y() + 40);
        return;
    }
    // Side by side: a map file of your own or the world's map.
    const int gap = 12;
    const int total = m_sampleButton->width() + gap + m_tilesButton->width();
    m_sampleButton->move(r.center().x() - total / 2, r.center().y() + 40);
    m_tilesButton->move(r.center().x() - total / 2 + m_sampleButton->width() + gap, r.center().y() + 40);
}

// --- MapViewTab

QString CQuillonView::mapFile() const {
    if (!m_project->filePath().isEmpty()) return m_project->filePath();
    return m_project->isEmpty() ? QString() : m_project->layer(0).path();
}

QString CQuillonView::caption() const {
    if (m_project->isEmpty()) return tr("Untitled");
    return QFileInfo(mapFile()).fileName();
}

namespace {
// Files this large load on a worker thread so the window stays responsive; project files always
// do, since their layers may be large.
bool loadsInBackground(const QString& file) {
    const QFileInfo info(file);
    if (info.suffix().compare(QLatin1String("map"), Qt::CaseInsensitive) == 0) return true;
    qint64 bytes = info.size();
    if (info.suffix().compare(QLatin1String("shp"), Qt::CaseInsensitive) == 0)
        bytes *= 2; // the index and the table come with it
    return bytes > 8 * 1024 * 1024;
}
} // namespace

bool CQuillonView::loadMap(const QString& file) {
    ++m_loadToken;
    m_pendingArea.clear();
    if (m_synchronous || !loadsInBackground(file)) {
        auto project = std::make_unique<MapProject>(m_station.settings(), m_station.home(), m_prompter);
        const QPoint scroll = project->load(file);
        adoptProject(std::move(project), scroll);
        return !m_project->isEmpty();
    }
    // The project is made here and only touched by the worker until it is done.
    auto* project = new MapProject(m_station.settings(), m_station.home(), m_prompter);
    auto scroll = std::make_shared<QPoint>();
    const quint64 token = m_loadToken;
    QThread* worker = QThread::create([project, file, scroll] { *scroll = project->load(file); });
    connect(worker, &QThread::finished, this, [this, worker, project, scroll, token, file] {
        worker->deleteLater();
        if (m_loadThread == worker) m_loadThread = nullptr;
        std::unique_ptr<MapProject> loaded(project);
        if (token != m_loadToken) return; // a newer load replaced this one
        m_loadingFile.clear();
        const QByteArray area = m_pendingArea;
        m_pendingArea.clear();
        adoptProject(std::move(loaded), *scroll);
        if (m_project->isEmpty())
            m_prompter.report(tr("The map %1 could not be loaded.").arg(QFileInfo(file).fileName()),
                              Prompter::Icon::Stop);
        else if (!area.isEmpty())
            setVisibleArea(area);
    });
    if (m_loadThread) m_loadThread->wait(); // the earlier load's result is dropped by its token
    m_loadThread = worker;
    m_loadingFile = file;
    placeSampleButton();
    viewport()->update();
    worker->start();
    return true;
}

void CQuillonView::adoptProject(std::unique_ptr<MapProject> project, QPoint scroll) {
    hideBubble();
    m_project = std::move(project);
    m_chosen.clear();
    m_original = m_project->isEmpty() ? QSize(100, 100) : m_project->canvasSize();
    if (m_original.isEmpty()) m_original = QSize(100, 100);
    m_canvas = m_original;
    m_zoomX = m_zoomY = 100;
    m_buffer = {};
    m_bufferRequest = m_requestCounter;
    projectChanged();
    updateScrollBars();
    scrollTo(scroll);
    placeSampleButton();
    if (captionChanged) captionChanged();
    notifyCommandsChanged();
    emit mapLoaded();
}

bool CQuillonView::isLoading() const {
    return !m_loadingFile.isEmpty();
}

QByteArray CQuillonView::visibleArea() const {
    // The canvas as it stands in the window: left, top, right, bottom.
    const QRect r = canvasRect();
    QByteArray bytes(16, '\0');
    qToLittleEndian<qint32>(r.left(), bytes.data());
    qToLittleEndian<qint32>(r.top(), bytes.data() + 4);
    qToLittleEndian<qint32>(r.left() + r.width(), bytes.data() + 8);
    qToLittleEndian<qint32>(r.top() + r.height(), bytes.data() + 12);
    return bytes;
}

void CQuillonView::setVisibleArea(const QByteArray& area) {
    if (area.size() != 16) return;
    if (isLoading()) {
        m_pendingArea = area; // applied when the map has loaded
        return;
    }
    if (m_project->isEmpty()) return;
    const qint32 left = qFromLittleEndian<qint32>(area.constData());
    const qint32 top = qFromLittleEndian<qint32>(area.constData() + 4);
    const qint32 right = qFromLittleEndian<qint32>(area.constData() + 8);
    const qint32 bottom = qFromLittleEndian<qint32>(area.constData() + 12);
    const qint64 width = qint64(right) - left;
    const qint64 height = qint64(bottom) - top;
    if (width <= 0 || height <= 0 || width > kMaxCanvas || height > kMaxCanvas) return;
    setCanvas(QRect(left, top, int(width), int(height)));
}

double CQuillonView::areaContaining(double latitude, double longitude) const {
    if (m_project->isEmpty()) return -1;
    const MapDetails& r = m_project->rectangle();
    if (!r.isValid() || !r.contains(latitude, longitude)) return -1;
    return r.latitudeSpan * r.longitudeSpan;
}

void CQuillonView::centreOn(double latitude, double longitude) {
    const QPointF p = toCanvas(latitude, longitude);
    const QSize half = viewport()->size() / 2;
    scrollTo(QPoint(int(std::floor(p.x())) - half.width(), int(std::floor(p.y())) - half.height()));
}

void CQuillonView::stationHeard(const QString& call, bool fromInternet) {
    (void)fromInternet;
    if (m_project->isEmpty()) return;
    StationManager& stations = m_station.stations();
    QRectF dirty;
    {
        QMutexLocker guard(&stations.lock());
        StationRecord* record = stations.FindByCall(call);
        if (!record) return;
        const auto proj = projection();
        StationPaintContext c;
        c.projection = proj.get();
        c.visible = QRectF(visibleCanvas());
        const MapDetails rect = m_project->rectangle();
        c.insideProject = [rect](double lat, double lon) { return rect.contains(lat, lon); };
        c.stationTypeFilter = m_filter;
        dirty = m_stations->damageFor(*record, c, MapLabelSettings::read(m_station.settings()));
    }
    if (dirty.isEmpty()) return;
    m_damage += dirty.translated(QPointF(m_offset - scrollPosition())).toAlignedRect();
    if (!m_damageTimer.isActive()) m_damageTimer.start();
}

void CQuillonView::flushDamage() {
    if (!m_damage.isEmpty()) viewport()->update(m_damage);
    m_damage = {};
}

// --- geometry

QPoint CQuillonView::scrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CQuillonView::scrollTo(QPoint position) {
    // Each axis is clamped on its own, so a drag along an edge still moves the other way.
    horizontalScrollBar()->setValue(std::clamp(position.x(), 0, horizontalScrollBar()->maximum()));
    verticalScrollBar()->setValue(std::clamp(position.y(), 0, verticalScrollBar()->maximum()));
}

QRect CQuillonView::canvasRect() const {
    return QRect(m_offset - scrollPosition(), m_canvas);
}

QRect CQuillonView::visibleCanvas() const {
    const QRect window(scrollPosition() - m_offset, viewport()->size());
    return window.intersected(QRect(QPoint(0, 0), m_canvas));
}

void CQuillonView::updateScrollBars() {
    const QSize window = viewport()->size();
    // A canvas narrower than the window stands in its middle.
    m_offset = QPoint(std::max(0, (window.width() - m_canvas.width()) / 2),
                      std::max(0, (window.height() - m_canvas.height()) / 2));
    horizontalScrollBar()->setRange(0, std::max(0, m_canvas.width() - window.width()));
    verticalScrollBar()->setRange(0, std::max(0, m_canvas.height() - window.height()));
    horizontalScrollBar()->setPageStep(std::max(1, window.width()));
    verticalScrollBar()->setPageStep(std::max(1, window.height()));
    horizontalScrollBar()->setSingleStep(std::max(1, window.width() / 20));
    verticalScrollBar()->setSingleStep(std::max(1, window.height() / 20));
}

void CQuillonView::setCanvas(QRect canvasInWindow) {
    m_canvas = canvasInWindow.size().boundedTo(QSize(kMaxCanvas, kMaxCanvas)).expandedTo(QSize(1, 1));
    m_zoomX = int(std::lround(m_canvas.width() * 100.0 / std::max(1, m_original.width())));
    m_zoomY = int(std::lround(m_canvas.height() * 100.0 / std::max(1, m_original.height())));
    m_stations->forgetPainted();
    updateScrollBars();
    scrollTo(m_offset - canvasInWindow.topLeft());
    requestBase(false);
    viewport()->update();
}

std::shared_ptr<const GeoProjection> CQuillonView::projection() const {
    return std::make_shared<LinearProjection>(m_project->rectangle(), QSizeF(m_canvas));
}

QPointF CQuillonView::toCanvas(double latitude, double longitude) const {
    return LinearProjection(m_project->rectangle(), QSizeF(m_canvas)).toPixel(latitude, longitude);
}

void CQuillonView::toPosition(QPointF canvasPoint, double& latitude, double& longitude) const {
    LinearProjection(m_project->rectangle(), QSizeF(m_canvas)).toPosition(canvasPoint, latitude, longitude);
}

// --- zoom

void CQuillonView::zoomBy(int points) {
    if (m_project->isEmpty() || points == 0) return;
    const QSize half = viewport()->size() / 2;
    double latitude = 0;
    double longitude = 0;
    toPosition(QPointF(scrollPosition() - m_offset + QPoint(half.width(), half.height())), latitude,
               longitude);
    const int percentX = int(qint64(m_canvas.width()) * 100 / std::max(1, m_original.width()));
    const int percentY = int(qint64(m_canvas.height()) * 100 / std::max(1, m_original.height()));
    int newX = percentX + points;
    int newY = percentY + points;
    if (points < 0 && (newX < kMinZoom || newY < kMinZoom)) return;
    // Zooming in stops at the limit, so a huge canvas is never asked for.
    const auto limitFor = [](int original) {
        return std::max(100,
                        int(std::min<qint64>(kMaxZoom, qint64(kMaxCanvas) * 100 / std::max(1, original))));
    };
    newX = std::min(newX, limitFor(m_original.width()));
    newY = std::min(newY, limitFor(m_original.height()));
    if (newX == percentX && newY == percentY) return;
    m_zoomX = newX;
    m_zoomY = newY;
    m_canvas =
        QSize(int(qint64(m_original.width()) * newX / 100), int(qint64(m_original.height()) * newY / 100))
            .expandedTo(QSize(1, 1));
    m_stations->forgetPainted();
    updateScrollBars();
    const QPointF centre = toCanvas(latitude, longitude);
    scrollTo(QPoint(int(std::floor(centre.x())) - half.width(), int(std::floor(centre.y())) - half.height()));
    requestBase(false);
    viewport()->update();
    notifyCommandsChanged();
}

void CQuillonView::originalSize() {
    if (m_project->isEmpty()) return;
    const QSize half = viewport()->size() / 2;
    double latitude = 0;
    double longitude = 0;
    toPosition(QPointF(scrollPosition() - m_offset + QPoint(half.width(), half.height())), latitude,
               longitude);
    m_canvas = m_original;
    m_zoomX = m_zoomY = 100;
    m_stations->forgetPainted();
    updateScrollBars();
    centreOn(latitude, longitude);
    requestBase(false);
    viewport()->update();
}

void CQuillonView::fitToWindow() {
    if (m_project->isEmpty() || m_original.isEmpty()) return;
    const QSize window = viewport()->size();
    const QSize fitted = m_original.scaled(window, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    m_canvas = fitted;
    m_zoomX = int(qint64(fitted.width()) * 100 / m_original.width());
    m_zoomY = int(qint64(fitted.height()) * 100 / m_original.height());
    m_stations->forgetPainted();
    updateScrollBars();
    scrollTo(QPoint(0, 0));
    requestBase(false);
    viewport()->update();
}

// --- base layers

void CQuillonView::projectChanged() {
    ++m_generation;
    m_stations->forgetPainted();
    requestBase(true);
    viewport()->update();
}

void CQuillonView::setSynchronousRendering(bool on) {
    m_synchronous = on;
}

void CQuillonView::requestBase(bool force) {
    if (m_project->isEmpty()) return;
    const QRect visible = visibleCanvas();
    if (visible.isEmpty()) return;
    const bool current = !m_buffer.isNull() && m_bufferCanvas == m_canvas &&
                         m_bufferGeneration == m_generation && m_bufferArea.contains(visible);
    if (current && !force) return;
    const QSize window = viewport()->size();
    const int mx = int(window.width() * kBufferMargin);
    const int my = int(window.height() * kBufferMargin);
    const QRect area = visible.adjusted(-mx, -my, mx, my).intersected(QRect(QPoint(0, 0), m_canvas));
    if (!force && m_requestedCanvas == m_canvas && m_requestedGeneration == m_generation &&
        m_requestedArea.contains(visible))
        return; // on its way

    MapRenderer::Request request;
    auto snapshot = m_project->snapshot();
    request.draw = [snapshot](QPainter& painter, const MapDrawContext& context) {
        drawProjectSnapshot(painter, *snapshot, context);
    };
    request.projection = projection();
    request.area = area;
    request.devicePixelRatio = devicePixelRatioF();
    request.quality = read(m_station.settings(), Settings::MAPQUALITY);
    {
        // The width of the window across its top edge, for the shapefiles' scale-dependent pens.
        double lat1 = 0, lon1 = 0, lat2 = 0, lon2 = 0;
        toPosition(QPointF(visible.topLeft()), lat1, lon1);
        toPosition(QPointF(visible.topRight()), lat2, lon2);
        request.windowWidthKm = GeoCalc().ellipsoidalDistanceKm(lat1, lon1, lat2, lon2);
    }
    request.generation = ++m_requestCounter;
    m_requestedArea = area;
    m_requestedCanvas = m_canvas;
    m_requestedGeneration = m_generation;
    m_pendingRequests[request.generation] = {m_canvas, m_generation};
    if (m_synchronous) {
        const QImage image = MapRenderer::renderNow(request);
        baseRendered(image, area, request.generation);
    } else {
        m_renderer->request(std::move(request));
    }
}

void CQuillonView::baseRendered(const QImage& image, const QRect& area, quint64 generation) {
    const auto it = m_pendingRequests.find(generation);
    if (it == m_pendingRequests.end()) return;
    const PendingRender pending = it->second;
    // Older requests were cancelled or lost the race; forget them.
    m_pendingRequests.erase(m_pendingRequests.begin(), std::next(it));
    if (pending.projectGeneration != m_generation || generation < m_bufferRequest) return;
    m_buffer = image;
    m_bufferArea = area;
    m_bufferCanvas = pending.canvas;
    m_bufferGeneration = pending.projectGeneration;
    m_bufferRequest = generation;
    viewport()->update();
    // The view may have moved on while this rendered.
    if (!m_synchronous) requestBase(false);
}

// --- painting

void CQuillonView::paintEvent(QPaintEvent* event) {
    ++m_repaints;
    QPainter painter(viewport());
    painter.setClipRegion(event->region());
    paintView(painter, event->rect());
}

QImage CQuillonView::renderToImage() {
    QImage image(viewport()->size(), QImage::Format_RGB32);
    image.fill(palette().window().color());
    requestBase(false);
    QPainter painter(&image);
    paintView(painter, image.rect());
    return image;
}

void CQuillonView::paintEmpty(QPainter& painter) {
    painter.fillRect(viewport()->rect(), palette().base());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    if (isLoading()) {
        painter.drawText(viewport()->rect(), Qt::AlignCenter,
                         tr("Loading %1...").arg(QFileInfo(m_loadingFile).fileName()));
        return;
    }
    QRect text = viewport()->rect().adjusted(20, 20, -20, -20);
    text.setBottom(viewport()->rect().center().y() + 30);
    painter.drawText(text, Qt::AlignHCenter | Qt::AlignBottom | Qt::TextWordWrap,
                     openTileMap
                         ? tr("No map in this view.\nUse File > Load Map File... to open a map image, a "
                              "shapefile, a map project or an MBTiles file, or open OpenStreetMap.")
                         : tr("No map in this view.\nUse File > Load Map File... to open a map image, a "
                              "shapefile or a map project."));
}

void CQuillonView::paintView(QPainter& painter, const QRect& windowRect) {
    if (m_project->isEmpty()) {
        paintEmpty(painter);
        return;
    }
    paintMap(painter, windowRect);
    if (isLoading()) {
        // The map being replaced stays in view; a note says what is on its way.
        const QString note = tr("Loading %1...").arg(QFileInfo(m_loadingFile).fileName());
        const QRect box = painter.fontMetrics().boundingRect(note).adjusted(-8, -4, 8, 4);
        const QRect placed(viewport()->width() / 2 - box.width() / 2, 12, box.width(), box.height());
        painter.fillRect(placed, palette().toolTipBase());
        painter.setPen(palette().color(QPalette::ToolTipText));
        painter.drawText(placed, Qt::AlignCenter, note);
    }
}

void CQuillonView::paintMap(QPainter& painter, const QRect& windowRect) {
    const QRect canvasInWindow = canvasRect();
    // Around a canvas smaller than the window.
    painter.fillRect(windowRect, palette().window());
    painter.fillRect(canvasInWindow.intersected(windowRect),
                     WinColor::toQColor(m_project->backgroundColour()));

    if (m_synchronous) requestBase(false);
    if (!m_buffer.isNull() && !m_bufferCanvas.isEmpty()) {
        const QPoint origin = canvasInWindow.topLeft();
        if (m_bufferCanvas == m_canvas) {
            painter.drawImage(m_bufferArea.topLeft() + origin, m_buffer);
        } else {
            // A zoom is rendering: show the old buffer stretched meanwhile.
            const double fx = double(m_canvas.width()) / m_bufferCanvas.width();
            const double fy = double(m_canvas.height()) / m_bufferCanvas.height();
            const QRectF target(origin.x() + m_bufferArea.left() * fx, origin.y() + m_bufferArea.top() * fy,
                                m_bufferArea.width() * fx, m_bufferArea.height() * fy);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
            painter.drawImage(target, m_buffer);
        }
    }

    // The stations, in canvas pixels.
    painter.save();
    painter.translate(canvasInWindow.topLeft());
    const QRect visible = QRect(windowRect.topLeft() - canvasInWindow.topLeft(), windowRect.size())
                              .intersected(QRect(QPoint(0, 0), m_canvas));
    const auto proj = projection();
    const MapLabelSettings labelSettings = MapLabelSettings::read(m_station.settings());
    StationPaintContext context;
    context.projection = proj.get();
    context.visible = QRectF(visible);
    const MapDetails rect = m_project->rectangle();
    context.insideProject = [rect](double lat, double lon) { return rect.contains(lat, lon); };
    context.stationTypeFilter = m_filter;
    painter.setClipRect(visible);
    m_stations->paint(painter, m_station.stations(), context, labelSettings);
    double ownLatitude = 0;
    double ownLongitude = 0;
    if (ownPosition(ownLatitude, ownLongitude))
        MapOverlays::paintOwnPosition(painter, *proj, ownLatitude, ownLongitude);
    // The scale bar stands in the window's corner, whatever part of it is repainted.
    painter.setClipping(false);
    painter.setClipRect(QRect(scrollPosition() - m_offset, viewport()->size())
                            .intersected(windowRect.translated(-canvasInWindow.topLeft())));
    MapOverlays::paintScaleBar(painter, *proj, QRectF(QRect(scrollPosition() - m_offset, viewport()->size())),
                               labelSettings.imperialDistances());
    painter.restore();
}

bool CQuillonView::ownPosition(double& latitude, double& longitude) const {
    SettingsStore& settings = m_station.settings();
    const auto lat = CoordText::tryFromAprsLatitude(read(settings, Settings::POSLATITUDE));
    const auto lon = CoordText::tryFromAprsLongitude(read(settings, Settings::POSLONGITUDE));
    if (!lat || !lon) return false;
    latitude = lat->value();
    longitude = lon->value();
    return true;
}

void CQuillonView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    placeSampleButton();
    const QPoint scroll = scrollPosition();
    updateScrollBars();
    scrollTo(scroll);
    requestBase(false);
}

void CQuillonView::scrollContentsBy(int dx, int dy) {
    (void)dx;
    (void)dy;
    hideBubble();
    m_damage = {};
    requestBase(false);
    viewport()->update();
}

// --- stations under the pointer

QString CQuillonView::stationAt(QPoint windowPoint) const {
    if (m_project->isEmpty()) return {};
    return m_stations->callAt(QPointF(windowPoint - canvasRect().topLeft()));
}

void CQuillonView::showBubble(const QString& call, QPoint windowPos) {
    QString text;
    {
        StationManager& stations = m_station.stations();
        QMutexLocker guard(&stations.lock());
        const StationRecord* record = stations.FindByCall(call);
        if (!record) return;
        StationBubble::Context context;
        context.now = m_station.clock().nowLocal();
        double latitude = 0;
        double longitude = 0;
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
        // Comments come from strangers: never markup.
        m_bubble->setTextFormat(Qt::PlainText);
        m_bubble->setMargin(6);
        m_bubble->setForegroundRole(QPalette::ToolTipText);
        m_bubble->setBackgroundRole(QPalette::ToolTipBase);
        m_bubble->setAutoFillBackground(true);
        m_bubble->setFrameShape(QFrame::Box);
    }
    m_bubbleCall = call;
    m_bubble->setText(text);
    m_bubble->adjustSize();
    m_bubble->move(viewport()->mapToGlobal(windowPos + QPoint(14, 14)));
    m_bubble->show();
}

void CQuillonView::hideBubble() {
    if (m_bubble) m_bubble->hide();
    m_bubbleCall.clear();
}

QString CQuillonView::bubbleText() const {
    return m_bubble && m_bubble->isVisible() ? m_bubble->text() : QString();
}

// --- mouse

void CQuillonView::mousePressEvent(QMouseEvent* event) {
    hideBubble();
    if (event->button() != Qt::LeftButton || m_project->isEmpty()) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    m_dragging = m_mouseMode == kMouseDrag;
    m_dragMoved = false;
    m_dragPoint = m_pressPoint = event->position().toPoint();
}

void CQuillonView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (m_dragging) {
        if (!m_dragMoved && (pos - m_pressPoint).manhattanLength() >= kDragThreshold) {
            m_dragMoved = true;
            viewport()->setCursor(Qt::ClosedHandCursor);
        }
        if (m_dragMoved) {
            scrollTo(m_dragPoint - pos + scrollPosition());
            m_dragPoint = pos;
        }
        return;
    }
    m_hoverPoint = pos;
    if (!m_bubbleCall.isEmpty() && stationAt(pos) != m_bubbleCall) hideBubble();
    m_hoverTimer.start();
}

void CQuillonView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    const bool click = !m_dragMoved;
    m_dragging = false;
    m_dragMoved = false;
    viewport()->unsetCursor();
    if (!click || m_project->isEmpty()) return;
    const QPoint pos = event->position().toPoint();
    m_lastTap = pos - canvasRect().topLeft();
    const QString call = stationAt(pos);
    if (!call.isEmpty()) {
        m_chosen = call;
        notifyCommandsChanged();
        showBubble(call, pos);
        return;
    }
    // A click on the map asks the shapefile layers what lies there.
    double latitude = 0;
    double longitude = 0;
    toPosition(QPointF(m_lastTap), latitude, longitude);
    const auto proj = projection();
    if (m_project->hitShape(latitude, longitude, *proj, 4.0)) projectChanged();
}

void CQuillonView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_project->isEmpty()) return;
    const QPoint pos = event->position().toPoint();
    const QString call = stationAt(pos);
    if (!call.isEmpty()) {
        m_chosen = call;
        runStationCommand(Command::StationDetails, call);
        return;
    }
    animateCentre(pos);
}

void CQuillonView::animateCentre(QPoint windowPoint) {
    // Five steps of a fifth each, 20 ms apart: the point glides into the middle.
    const QPoint half(viewport()->width() / 2, viewport()->height() / 2);
    m_centreStep = (half - windowPoint) / 5;
    m_centreStepsLeft = 5;
    if (m_centreStep.isNull()) return;
    m_centreTimer.start();
}

void CQuillonView::wheelEvent(QWheelEvent* event) {
    if (m_project->isEmpty()) {
        event->ignore();
        return;
    }
    // One notch (120) zooms by 20 points; smaller steps of touchpads add up.
    m_wheelRemainder += event->angleDelta().y();
    const int steps = std::abs(m_wheelRemainder) / 60;
    if (steps == 0) return;
    const bool in = m_wheelRemainder > 0;
    m_wheelRemainder = 0;
    zoomBy(in ? steps * 10 : -steps * 10);
    event->accept();
}

void CQuillonView::leaveEvent(QEvent* event) {
    m_hoverTimer.stop();
    QAbstractScrollArea::leaveEvent(event);
}

// --- menus

void CQuillonView::contextMenuEvent(QContextMenuEvent* event) {
    hideBubble();
    const QPoint pos = viewport()->mapFrom(this, event->pos());
    m_lastTap = pos - canvasRect().topLeft();
    const QString call = stationAt(pos);
    if (!call.isEmpty()) {
        m_chosen = call;
        notifyCommandsChanged();
        showStationMenu(call, event->globalPos());
    } else {
        showMapMenu(pos, event->globalPos());
    }
}

void CQuillonView::showStationMenu(const QString& call, QPoint globalPos) {
    showStationPopup(
        this, call, globalPos, [this](int id) { return isCommandChecked(id); },
        [this](int id, const QString& station) { runStationCommand(id, station); });
}

void CQuillonView::showMapMenu(QPoint windowPos, QPoint globalPos) {
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
    if (!m_project->isEmpty()) {
        for (int id : {Command::ZoomIn, Command::ZoomOut, Command::OriginalSize, Command::FitToWindow})
            add(menu, id);
        QMenu* zoom = menu->addMenu(tr("Zoom"));
        for (int id = Command::Zoom10; id <= Command::Zoom400; ++id) add(zoom, id);
        QMenu* filter = menu->addMenu(tr("Stations"));
        for (int id = Command::StationsAll; id <= Command::StationsTcpIp; ++id) add(filter, id);
        add(menu, Command::DrawCoverage);
        menu->addSeparator();
        if (newObjectAt) {
            double latitude = 0;
            double longitude = 0;
            toPosition(QPointF(windowPos - canvasRect().topLeft()), latitude, longitude);
            QAction* a = menu->addAction(tr("New Object Here..."));
            a->setObjectName(QStringLiteral("newObjectHere"));
            connect(a, &QAction::triggered, this, [this, latitude, longitude] {
                if (newObjectAt) newObjectAt(latitude, longitude);
            });
            menu->addSeparator();
        }
    }
    add(menu, Command::LoadMapFile);
    add(menu, Command::AddLayer);
    if (!m_project->isEmpty()) {
        QMenu* remove = menu->addMenu(tr("Remove Layer"));
        for (int i = 0; i < m_project->layerCount(); ++i) {
            QAction* a = remove->addAction(QFileInfo(m_project->layer(i).path()).fileName());
            connect(a, &QAction::triggered, this, [this, i] { removeLayer(i); });
        }
        menu->addSeparator();
        QAction* save = menu->addAction(tr("Save Map Project"));
        connect(save, &QAction::triggered, this, [this] { saveProject(false); });
        QAction* saveAs = menu->addAction(tr("Save Map Project As..."));
        connect(saveAs, &QAction::triggered, this, [this] { saveProject(true); });
    }
    menu->popup(globalPos);
}

void CQuillonView::runStationCommand(int id, const QString& call) {
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
        viewport()->update();
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
        if (runDeleteTracks(this, stations, m_station.tracks(), m_dialogs, call)) viewport()->update();
        break;
    default:
        break;
    }
}

// --- commands

bool CQuillonView::handlesCommand(int id) const {
    switch (id) {
    case Command::LoadMapFile:
    case Command::AddLayer:
    case Command::DrawCoverage:
        return true;
    case Command::ZoomIn:
    case Command::ZoomOut:
    case Command::OriginalSize:
    case Command::FitToWindow:
        return !m_project->isEmpty();
    default:
        break;
    }
    if (zoomStepOf(id) != 0 || filterOf(id) != -2) return !m_project->isEmpty();
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

bool CQuillonView::isCommandChecked(int id) const {
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

void CQuillonView::runCommand(int id) {
    if (!handlesCommand(id)) return;
    if (const int step = zoomStepOf(id)) {
        zoomBy(step);
        return;
    }
    if (const int f = filterOf(id); f != -2) {
        m_filter = f;
        m_stations->forgetPainted();
        viewport()->update();
        notifyCommandsChanged();
        return;
    }
    if (isStationCommand(id)) {
        runStationCommand(id, m_chosen);
        return;
    }
    switch (id) {
    case Command::ZoomIn:
        zoomBy(10);
        break;
    case Command::ZoomOut:
        zoomBy(-10);
        break;
    case Command::OriginalSize:
        originalSize();
        break;
    case Command::FitToWindow:
        fitToWindow();
        break;
    case Command::DrawCoverage: {
        SettingsStore& settings = m_station.settings();
        settings.writeInt(Settings::PHGRANGEDRAW.section, Settings::PHGRANGEDRAW.name,
                          read(settings, Settings::PHGRANGEDRAW) ? 0 : 1);
        m_stations->forgetPainted();
        viewport()->update();
        notifyCommandsChanged();
        break;
    }
    case Command::LoadMapFile:
        loadMapFileCommand();
        break;
    case Command::AddLayer:
        addLayerCommand();
        break;
    default:
        break;
    }
}

void CQuillonView::loadMapFileCommand() {
    if (!m_project->isEmpty() &&
        m_prompter.askYesNo(ResourceStrings::text(ResourceStrings::ReplaceMapProject),
                            Prompter::Icon::Question) != Prompter::Answer::Yes)
        return;
    const QString file = openFileName
                             ? openFileName(Command::text(Command::LoadMapFile).remove(QLatin1Char('&')),
                                            QString::fromLatin1(kMapFileFilter))
                             : QString();
    if (file.isEmpty()) return;
    if (file.endsWith(QLatin1String(".mbtiles"), Qt::CaseInsensitive) && openTileMap) {
        openTileMap(file);
        return;
    }
    if (!loadMap(file))
        m_prompter.report(tr("The map %1 could not be loaded.").arg(QFileInfo(file).fileName()),
                          Prompter::Icon::Stop);
}

void CQuillonView::addLayerCommand() {
    const QString file =
        openFileName ? openFileName(tr("Add Layer"), QString::fromLatin1(kMapFileFilter)) : QString();
    if (file.isEmpty()) return;
    if (m_project->isEmpty()) {
        loadMap(file);
        return;
    }
    const QSize before = m_project->canvasSize();
    if (!m_project->addLayer(file)) return;
    // The canvas grows with the rectangle; keep the zoom the user chose.
    const QSize after = m_project->canvasSize();
    if (after != before) {
        m_original = after;
        m_canvas =
            QSize(int(qint64(after.width()) * m_zoomX / 100), int(qint64(after.height()) * m_zoomY / 100))
                .expandedTo(QSize(1, 1));
        updateScrollBars();
    }
    projectChanged();
    notifyCommandsChanged();
}

void CQuillonView::removeLayer(int index) {
    if (index < 0 || index >= m_project->layerCount()) return;
    if (m_prompter.askYesNo(ResourceStrings::text(ResourceStrings::RemoveLayer), Prompter::Icon::Question) !=
        Prompter::Answer::Yes)
        return;
    m_project->removeLayer(index);
    if (m_project->isEmpty()) {
        m_original = m_canvas = QSize(100, 100);
        m_buffer = {};
        updateScrollBars();
        placeSampleButton();
        if (captionChanged) captionChanged();
    }
    projectChanged();
}

void CQuillonView::saveProject(bool askName) {
    if (m_project->isEmpty()) return;
    QString path = askName ? QString() : m_project->filePath();
    if (path.isEmpty()) {
        const QString proposed = m_project->proposedSaveAsPath();
        path = saveFileName
                   ? saveFileName(tr("Save Map Project"), proposed, QString::fromLatin1(kProjectFilter))
                   : QString();
        if (path.isEmpty()) return;
        if (!path.endsWith(QLatin1String(".map"), Qt::CaseInsensitive)) path += QLatin1String(".map");
    }
    if (!m_project->save(path, scrollPosition())) {
        m_prompter.report(tr("The map project could not be saved to %1.").arg(path), Prompter::Icon::Stop);
        return;
    }
    if (captionChanged) captionChanged();
}
