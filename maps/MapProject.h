#pragma once

#include "maps/MapDetails.h"
#include "maps/MapLayerContent.h"
#include "maps/MapProjectFile.h"
#include "maps/ShapeDisplaySettings.h"

#include <QPoint>
#include <QRectF>
#include <QSize>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class GeoProjection;
class Prompter;
class QPainter;
class SettingsStore;
class StationHome;

// One layer of a map project: a raster map or a shapefile, or the kept record of one whose file
// could not be loaded.
class MapLayer {
public:
    // The content's kind; None while nothing is loaded.
    MapLayerContent::Kind kind() const { return m_content ? m_content->kind() : MapLayerContent::None; }
    bool isLoaded() const { return m_content != nullptr; }
    const std::shared_ptr<MapLayerContent>& content() const { return m_content; }
    // The layer's rectangle, file and caption.
    const MapDetails& details() const { return m_details; }
    const QString& path() const { return m_details.imagePath; }
    bool isMarkedForRemoval() const { return m_removeMark; }
    // The record of a layer whose file is missing or unreadable, saved back unchanged.
    const std::optional<MapLayerRecord>& placeholder() const { return m_placeholder; }

private:
    friend class MapProject;
    std::shared_ptr<MapLayerContent> m_content;
    MapDetails m_details;
    // Shapefile settings as last known, for contents that do not report their own.
    std::optional<ShapeDisplaySettings> m_shapeSettings;
    std::optional<MapLayerRecord> m_placeholder;
    bool m_removeMark = false;
};

// What one paint of a project needs, taken on the user interface thread and then immutable, so a
// worker may draw it while the project changes.
struct MapProjectSnapshot {
    struct Layer {
        std::shared_ptr<const MapLayerContent> content;
        QRectF target; // the canvas pixels the layer's rectangle occupies
    };
    bool hasLayers = false; // any layer at all, loaded or not
    uint32_t backgroundColour = 0xFFFFFF;
    QSize canvasSize;
    MapDetails rectangle;
    std::vector<Layer> layers; // loaded layers, bottom first
};

// Draws nothing for a project without layers; otherwise fills the visible canvas with the
// background colour and draws each layer into its target. Target rectangles are scaled when
// context.projection has another canvas size (a zoomed view); without a projection the
// snapshot's own rectangle and canvas are used. An empty context.visible means the whole canvas.
void drawProjectSnapshot(QPainter& painter, const MapProjectSnapshot& snapshot,
                         const MapDrawContext& context);

// The layers of one map view: an ordered list drawn bottom first, the common rectangle and the
// canvas size. A user interface thread object; drawing goes through snapshot().
class MapProject {
public:
    // The canvas never grows beyond this many pixels on a side.
    static constexpr int kMaxCanvasSide = 1 << 20;
    // A first layer that does not know its drawn size gets this many pixels on its longer side.
    static constexpr int kDefaultCanvasSide = 1000;

    MapProject(const SettingsStore& settings, const StationHome& home, Prompter& prompter,
               LayerContentFactory factory = makeLayerContent);
    MapProject(const MapProject&) = delete;
    MapProject& operator=(const MapProject&) = delete;

    // Clears the project and makes the file its first layer (a shapefile for ".shp", else a
    // raster map). False, with an empty project, when the file cannot be loaded.
    bool openMapFile(const QString& path);
    // Adds the file as the top layer. A file that is already a layer is refused with "This Map
    // Is Already Loaded!"; an unreadable file adds nothing. The canvas grows with the rectangle,
    // so the layers keep their pixels per degree.
    bool addLayer(const QString& path);
    void removeLayer(int index);
    void markForRemoval(int index);
    // Removes the marked layers; true when there were any.
    bool removeMarkedLayers();
    // Deletes every layer and resets the canvas size and rectangle.
    void clear();

    // Writes the project file atomically (replacing any file there) with the view's scroll
    // position; on success the path becomes the project file path. False when it failed.
    bool save(const QString& path, QPoint scroll = {});
    // Reads a project file (any other file is opened as a map file) and returns the scroll
    // position stored in it; (0, 0) with an empty project when it is not a readable project.
    QPoint load(const QString& path);
    // "<home>/Maps/Map Projects/<caption>.map", the caption made a safe file name.
    QString proposedSaveAsPath() const;

    // Asks the shapefile layers in order; true at the first one with a shape at the position.
    bool hitShape(double latitude, double longitude, const GeoProjection& projection, double radiusPixels);

    std::shared_ptr<const MapProjectSnapshot> snapshot() const;

    bool isEmpty() const { return m_layers.empty(); }
    int layerCount() const { return static_cast<int>(m_layers.size()); }
    const MapLayer& layer(int index) const { return *m_layers.at(static_cast<size_t>(index)); }
    const MapDetails& rectangle() const { return m_rect; }
    QSize canvasSize() const { return m_canvas; }
    uint32_t backgroundColour() const { return m_background; }
    const QString& filePath() const { return m_filePath; }

private:
    std::unique_ptr<MapLayer> loadLayer(const QString& path);
    void becomeFirstLayer(std::unique_ptr<MapLayer> layer);
    void touch() { m_snapshot.reset(); }
    MapLayerRecord recordOf(const MapLayer& layer) const;
    QRectF targetOf(const MapLayer& layer) const;

    const SettingsStore& m_settings;
    const StationHome& m_home;
    Prompter& m_prompter;
    LayerContentFactory m_factory;

    std::vector<std::unique_ptr<MapLayer>> m_layers;
    MapDetails m_rect;
    QSize m_canvas;
    uint32_t m_background = 0xFFFFFF;
    QString m_filePath;
    mutable std::shared_ptr<const MapProjectSnapshot> m_snapshot;
};
