#pragma once

#include "controls/MapViewTab.h"
#include "maps/TileMath.h"
#include "maps/TileSource.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class DialogRunner;
class GlobalObjects;
class Prompter;
class QLabel;
struct MapLabelSettings;
class ShapeLayer;
class StationLayer;
class TileStore;

// A map view tab over map tiles (a tile server such as OpenStreetMap, or an MBTiles file) in Web
// Mercator, zoom levels 1 to 19. The stations are drawn by the same painters as on a calibrated
// map: symbols, labels, weather readings, tracks, coverage circles, the filter, the bubble and the
// station menu. Tiles are drawn straight from memory on every paint, so dragging is smooth; a
// tile that is not there yet shows its parent enlarged. The attribution stays in the corner.
//
// Stored as "tiles:" and the source name (or the MBTiles file) in MAPVIEW%d; its visible area
// (MAPZOOM%d) holds the centre and the zoom.
class CTileMapView : public QWidget, public MapViewTab {
    Q_OBJECT
public:
    static constexpr int kMinZoom = TileMath::kMinZoom;
    static constexpr int kMaxZoom = TileMath::kMaxZoom;
    // The fourth number of the stored visible area, telling it from a calibrated map's.
    static constexpr qint32 kAreaMarker = 0x454c4954; // "TILE"
    // Saving an area for offline use stops at this many tiles.
    static constexpr int kMaxPrefetchTiles = 20000;

    CTileMapView(GlobalObjects& station, Prompter& prompter, DialogRunner& dialogs,
                 QWidget* parent = nullptr);
    ~CTileMapView() override;

    // "tiles:NAME", "tiles:/path/file.mbtiles" or a path ending in .mbtiles.
    static bool isTileMapFile(const QString& file);
    static QString fileForSource(const QString& sourceName) { return QStringLiteral("tiles:") + sourceName; }

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

    // Seams for tests and the window.
    std::function<QString(const QString& caption, const QString& filter)> openFileName;
    std::function<void(const QString& call)> findBestMap;
    std::function<void(const QString& call)> sendMessage;
    std::function<void(double latitude, double longitude)> newObjectAt;

    TileStore* tiles() const { return m_tiles.get(); }
    int zoom() const { return m_zoom; }
    void setZoom(int zoom);
    // Zooms by whole levels keeping the place under windowPoint where it is.
    void zoomAbout(int steps, QPointF windowPoint);
    void panBy(QPointF windowPixels);
    // Window pixel <-> position.
    QPointF toWindow(double latitude, double longitude) const;
    void toPosition(QPointF windowPoint, double& latitude, double& longitude) const;
    // The centre of the window.
    void centre(double& latitude, double& longitude) const;
    QString stationAt(QPoint windowPoint) const;
    const QString& chosenStation() const { return m_chosen; }
    QString bubbleText() const;

    bool isOffline() const { return m_offline; }
    // Writes TILES/OFFLINE and applies it to this view.
    void setOffline(bool offline);
    // After the setup: TILES/OFFLINE and TILES/CACHEMB as they are now, and the stations drawn afresh.
    void reloadSettings();
    // "Save This Area for Offline Use...": asks, then downloads the window's area from this zoom
    // to a few levels deeper into the disk cache.
    void saveAreaForOffline();
    // "Add Tile Source...": the dialog, then the new source in this view.
    void addTileSource();
    // "Add Layer...": a shapefile drawn over the tiles and under the stations, with the settings a
    // calibrated map gives it. The layers are not stored with the view.
    bool addShapeLayer(const QString& path);
    void removeShapeLayer(int index);
    int shapeLayerCount() const { return int(m_shapes.size()); }
    // Loads tiles on the calling thread (screenshots, tests of the picture).
    void setSynchronousLoading(bool on);
    // Paints the view as it looks now into an image of its size.
    QImage renderToImage();
    // The tiles the window needs at this moment and how many of them are drawn from their own
    // tile (not a parent's), for tests and the status note.
    int tilesNeeded() const;
    int tilesShown() const;
    bool isComplete() const { return tilesShown() == tilesNeeded(); }
    // How many times the stations were drawn afresh into the overlay (tests and benchmarks).
    int overlayRenders() const { return m_overlayRenders; }
    // Draws the stations afresh at the next paint.
    void invalidateOverlay();

signals:
    void sourceChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Frame; // where the window stands in world and canvas pixels
    Frame frame() const;
    void paintView(QPainter& painter, const QRect& rect);
    void paintTiles(QPainter& painter, const Frame& f, const QRect& rect) const;
    void paintNotes(QPainter& painter);
    // Brings the station overlay up to date for the frame; repaints only `damage` (canvas pixels)
    // when the overlay is otherwise current.
    void updateOverlay(const Frame& f, const MapLabelSettings& settings);
    void paintStations(const QRect& area, const MapLabelSettings& settings, bool clearFirst);
    static QString overlayKey(const MapLabelSettings& settings, int filter);
    void requestTiles();
    void moved();
    void reanchor();
    bool ownPosition(double& latitude, double& longitude) const;
    void showBubble(const QString& call, QPoint windowPos);
    void hideBubble();
    void showStationMenu(const QString& call, QPoint globalPos);
    void showMapMenu(QPoint windowPos, QPoint globalPos);
    void runStationCommand(int id, const QString& call);
    void openMbTilesCommand();
    void flushDamage();

    GlobalObjects& m_station;
    Prompter& m_prompter;
    DialogRunner& m_dialogs;
    std::unique_ptr<TileStore> m_tiles;
    std::unique_ptr<StationLayer> m_stations;
    std::vector<std::shared_ptr<ShapeLayer>> m_shapes;
    QStringList m_shapePaths;
    QString m_file; // as stored: "tiles:..."

    int m_zoom = 12;
    QPointF m_centre; // world pixels at m_zoom
    QPointF m_origin; // world pixel at canvas (0, 0) of the station painters
    bool m_offline = false;
    bool m_synchronous = false;
    int m_filter = -1;
    int m_wheelRemainder = 0;

    bool m_dragging = false;
    bool m_dragMoved = false;
    QPoint m_dragPoint;
    QPoint m_pressPoint;
    QString m_chosen;
    // The stations drawn over the tiles are kept in an image a little larger than the window, so
    // that repaints for arriving tiles, bubbles and short drags only copy it. It is drawn afresh
    // when the window leaves it, on zoom, on a change of style or filter, and on any paint once it
    // is a second old (stations change in ways no view is told of: expiry, deletion).
    QImage m_overlay;
    QRect m_overlayArea; // canvas pixels
    QString m_overlayKey;
    QPointF m_overlayOrigin;
    int m_overlayZoom = -1;
    QElapsedTimer m_overlayAge;
    QRegion m_overlayDamage; // canvas pixels
    int m_overlayRenders = 0;
    QRegion m_damage;
    QTimer m_damageTimer;
    QTimer m_hoverTimer;
    QPoint m_hoverPoint;
    QPointer<QLabel> m_bubble;
    QString m_bubbleCall;
};
