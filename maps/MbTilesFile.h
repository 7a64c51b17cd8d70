#pragma once

#include "maps/TileMath.h"

#include <QByteArray>
#include <QString>

// An MBTiles file (an SQLite database of raster tiles) read through Qt SQL's SQLite driver, opened
// read-only. Rows are stored in the TMS order (row 0 in the south), so the row is flipped against
// the tile scheme the views use. Use it on the thread that opened it.
//
//   MbTilesFile file;
//   if (file.open(path)) QByteArray png = file.tileData({12, 2330, 1540});
class MbTilesFile {
public:
    MbTilesFile();
    ~MbTilesFile();
    MbTilesFile(const MbTilesFile&) = delete;
    MbTilesFile& operator=(const MbTilesFile&) = delete;

    bool open(const QString& path);
    void close();
    bool isOpen() const;
    const QString& error() const { return m_error; }

    // From the metadata table (plain text, tags taken out); empty when missing.
    const QString& name() const { return m_name; }
    const QString& attribution() const { return m_attribution; }
    const QString& format() const { return m_format; } // "png", "jpg" ...
    int minZoom() const { return m_minZoom; }
    int maxZoom() const { return m_maxZoom; }
    // The centre the file suggests (metadata "center" or the middle of "bounds"); false without one.
    bool centre(double& latitude, double& longitude, int& zoom) const;

    // The stored bytes of a tile in the view's (XYZ) numbering; empty when there is none or it is
    // larger than a tile may be.
    QByteArray tileData(const TileKey& key) const;

    // Makes a new file with the metadata and the tiles given (PNG bytes), for the sample file and
    // the tests. Rows are written flipped, as the format wants. centre: the metadata's
    // "longitude,latitude,zoom", left out when empty.
    static bool create(const QString& path, const QString& name,
                       const QList<QPair<TileKey, QByteArray>>& tiles, const QString& attribution = {},
                       const QString& centre = {}, QString* error = nullptr);

private:
    QString m_connection;
    QString m_error;
    QString m_name;
    QString m_attribution;
    QString m_format;
    int m_minZoom = 0;
    int m_maxZoom = TileMath::kMaxZoom;
    bool m_hasCentre = false;
    double m_centreLatitude = 0;
    double m_centreLongitude = 0;
    int m_centreZoom = 0;
};
