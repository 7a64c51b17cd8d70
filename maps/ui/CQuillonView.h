#pragma once

#include "controls/MapViewTab.h"
#include "maps/GeoProjection.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

class DialogRunner;
class GlobalObjects;
class MapProject;
class MapRenderer;
class Prompter;
class QLabel;
class QMenu;
class QPushButton;
class QThread;
class StationLayer;

// A map view tab: one map project (raster maps and shapefiles) with the stations of the station
// database drawn over it. The slow base layers render into a buffer on a worker thread; the
// stations are painted over that buffer on the user interface thread, so a new frame repaints only
// the places it touched. Zoom, pan by dragging, centre by double click, the station popup menu and
// the station-type filter.
class CQuillonView : public QAbstractScrollArea, public MapViewTab {
    Q_OBJECT
public:
    static constexpr int kMinZoom = 10;       // percent
    static constexpr int kMaxZoom = 3200;     // percent
    static constexpr int kMaxCanvas = 400000; // pixels on either axis
    static constexpr int kMouseDrag = 0;
    static constexpr int kMouseQuery = 5;

    CQuillonView(GlobalObjects& station, Prompter& prompter, DialogRunner& dialogs,
                 QWidget* parent = nullptr);
    ~CQuillonView() override;

    // MapViewTab
    QString mapFile() const override;
    bool loadMap(const QString& file) override;
    QByteArray visibleArea() const override;
    void setVisibleArea(const QByteArray& area) override;
    QString caption() const override;
    void stationHeard(const QString& call, bool fromInternet) override;
    double areaContaining(double latitude, double longitude) const override;
    void centreOn(double latitude, double longitude) override;

    // CommandTarget
    bool handlesCommand(int id) const override;
    bool isCommandChecked(int id) const override;
    void runCommand(int id) override;

    // Opens the sample map (copied into the station's Maps folder on first use).
    bool openSampleMap();

    // Seams for tests and the window: the file dialogs, the main window's station commands.
    std::function<QString(const QString& caption, const QString& filter)> openFileName;
    std::function<QString(const QString& caption, const QString& proposed, const QString& filter)>
        saveFileName;
    std::function<void(const QString& call)> findBestMap;
    std::function<void(const QString& call)> sendMessage;
    // "New Object Here": set by the window when own objects can be made.
    std::function<void(double latitude, double longitude)> newObjectAt;
    // Set by the window: turns this view into a tile map view ("tiles:NAME" or an .mbtiles file).
    // While it is set, an empty view offers OpenStreetMap beside the sample map.
    std::function<void(const QString& tileMap)> openTileMap;

    MapProject& project() { return *m_project; }
    // Zoom percentages and the canvas in window coordinates (the scroll position applied).
    int zoomPercentX() const { return m_zoomX; }
    int zoomPercentY() const { return m_zoomY; }
    QRect canvasRect() const;
    QSize canvasSize() const { return m_canvas; }
    QPoint scrollPosition() const;
    void scrollTo(QPoint position);
    int stationFilter() const { return m_filter; }
    int mouseMode() const { return m_mouseMode; }
    void setMouseMode(int mode) { m_mouseMode = mode; }

    void zoomBy(int points);
    void originalSize();
    void fitToWindow();

    // Canvas pixel <-> position under the current zoom.
    QPointF toCanvas(double latitude, double longitude) const;
    void toPosition(QPointF canvasPoint, double& latitude, double& longitude) const;
    // The station drawn at a point of the window (topmost first), or empty.
    QString stationAt(QPoint windowPoint) const;
    // The station the last popup menu or double click chose.
    const QString& chosenStation() const { return m_chosen; }
    // Renders base layers on the calling thread at each paint (screenshots and tests).
    void setSynchronousRendering(bool on);
    // A map is loading on a worker thread.
    bool isLoading() const;
    // Paints the view as it looks now into an image of the viewport's size.
    QImage renderToImage();
    // How many times the viewport was repainted (tests of coalesced updates).
    int repaintCount() const { return m_repaints; }
    // The station bubble's text while one is shown.
    QString bubbleText() const;

signals:
    void mapLoaded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void paintView(QPainter& painter, const QRect& windowRect);
    void paintMap(QPainter& painter, const QRect& windowRect);
    void adoptProject(std::unique_ptr<MapProject> project, QPoint scroll);
    void paintEmpty(QPainter& painter);
    void requestBase(bool force);
    void baseRendered(const QImage& image, const QRect& area, quint64 generation);
    void projectChanged();
    void setCanvas(QRect canvasInWindow);
    void updateScrollBars();
    std::shared_ptr<const GeoProjection> projection() const;
    QRect visibleCanvas() const;
    // The station's own position from the settings.
    bool ownPosition(double& latitude, double& longitude) const;
    void flushDamage();
    void placeSampleButton();

    void loadMapFileCommand();
    void addLayerCommand();
    void removeLayer(int index);
    void saveProject(bool askName);
    void showStationMenu(const QString& call, QPoint globalPos);
    void showMapMenu(QPoint windowPos, QPoint globalPos);
    void runStationCommand(int id, const QString& call);
    void animateCentre(QPoint windowPoint);
    void showBubble(const QString& call, QPoint windowPos);
    void hideBubble();

    GlobalObjects& m_station;
    Prompter& m_prompter;
    DialogRunner& m_dialogs;
    std::unique_ptr<MapProject> m_project;
    std::unique_ptr<StationLayer> m_stations;
    MapRenderer* m_renderer;

    QSize m_original; // the canvas size the project sets
    QSize m_canvas;   // the zoomed canvas
    QPoint m_offset;  // where the canvas starts in the window when it is narrower than the window
    int m_zoomX = 100;
    int m_zoomY = 100;
    int m_filter = -1;
    int m_mouseMode = kMouseDrag;

    QImage m_buffer;
    QRect m_bufferArea;             // canvas pixels the buffer covers
    QSize m_bufferCanvas;           // the canvas size it was rendered for
    quint64 m_bufferGeneration = 0; // the project state it shows
    quint64 m_bufferRequest = 0;
    quint64 m_generation = 0; // bumped when layers, highlight or settings change
    quint64 m_requestCounter = 0;
    struct PendingRender {
        QSize canvas;
        quint64 projectGeneration = 0;
    };
    std::map<quint64, PendingRender> m_pendingRequests;
    QRect m_requestedArea;
    QSize m_requestedCanvas;
    quint64 m_requestedGeneration = 0;
    bool m_synchronous = false;
    int m_wheelRemainder = 0;

    bool m_dragging = false;
    bool m_dragMoved = false;
    QPoint m_dragPoint;
    QPoint m_pressPoint;
    QString m_chosen;
    QPoint m_lastTap;

    QRegion m_damage;
    QTimer m_damageTimer;
    QTimer m_hoverTimer;
    QPoint m_hoverPoint;
    QPointer<QLabel> m_bubble;
    QPushButton* m_sampleButton = nullptr; // shown while the view has no map
    QPushButton* m_tilesButton = nullptr;  // likewise, while the window can open tile maps
    QThread* m_loadThread = nullptr;
    QString m_loadingFile;
    quint64 m_loadToken = 0;
    QByteArray m_pendingArea;
    QString m_bubbleCall;
    int m_repaints = 0;
    QTimer m_centreTimer;
    QPoint m_centreStep;
    int m_centreStepsLeft = 0;
};
