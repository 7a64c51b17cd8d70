#pragma once

#include "maps/TileMath.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

class SettingsStore;

// A source of map tiles: a tile server's URL template, or an MBTiles file.
struct TileSource {
    QString name;
    QString urlTemplate; // http(s) with {z}, {x} and {y}; empty for an MBTiles file
    int maxZoom = TileMath::kMaxZoom;
    QString attribution;
    QString mbtilesPath; // set for an MBTiles file

    bool isMbTiles() const { return !mbtilesPath.isEmpty(); }
    // The servers of the OpenStreetMap Foundation, whose usage policy forbids bulk downloading.
    bool isOpenStreetMapServer() const;
    // The address of one tile; invalid when the template is unusable.
    QUrl urlFor(const TileKey& key) const;
    // The folder name of this source's tiles in the disk cache.
    QString cacheFolder() const;

    // A template the station will fetch from: http or https, a host, all of {z}, {x} and {y}.
    static bool isUsableTemplate(const QString& urlTemplate);
};

// The tile sources of settings section TILES: NAME%d, URL%d, MAXZOOM%d and ATTRIBUTION%d for
// n = 0, 1 ... up to the first missing NAME%d. Without NAME0, source 0 is OpenStreetMap's standard
// tile server. TILES/OFFLINE (0 or 1) keeps every view to the disk cache; TILES/CACHEMB limits it.
namespace TileSources {

inline const QString kSection = QStringLiteral("TILES");
constexpr int kMaxSources = 64;
constexpr int kDefaultCacheMegabytes = 500;
constexpr int kMaxTextLength = 200;
inline const QString kOpenStreetMapName = QStringLiteral("OpenStreetMap");
inline const QString kOpenStreetMapAttribution = QStringLiteral("\u00a9 OpenStreetMap contributors");

TileSource openStreetMap();
// The configured sources; entries with an unusable template are left out.
QList<TileSource> read(const SettingsStore& settings);
std::optional<TileSource> find(const SettingsStore& settings, const QString& name);
// Appends a source after the last one (writing OpenStreetMap as source 0 first when the list was
// implicit); false when the template is unusable, the name empty or taken, or the list full.
bool add(SettingsStore& settings, const TileSource& source);
// Takes the source of that name out of the list, the ones after it moving up a place; false when
// there is none, or when it is the built-in OpenStreetMap source while it is the only one.
bool remove(SettingsStore& settings, const QString& name);

bool offline(const SettingsStore& settings);
void setOffline(SettingsStore& settings, bool offline);
// TILES/CACHEMB in bytes, within 10 MB .. 100 GB.
qint64 cacheBytes(const SettingsStore& settings);

// A text from a settings file or a map file made fit for one line on the map: tags and control
// characters gone, cut to kMaxTextLength.
QString plainLine(const QString& text);

} // namespace TileSources
