#include "maps/MbTilesFile.h"

#include "maps/TileImage.h"
#include "maps/TileSource.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <cmath>

namespace {

QString newConnectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("mbtiles-%1").arg(++counter);
}

// The metadata values are short texts; a file may hold anything there.
constexpr int kMaxMetadataRows = 1000;
constexpr int kMaxMetadataValue = 4096;

std::optional<double> number(const QString& text) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional(v) : std::nullopt;
}

} // namespace

MbTilesFile::MbTilesFile() : m_connection(newConnectionName()) {}

MbTilesFile::~MbTilesFile() {
    close();
}

bool MbTilesFile::isOpen() const {
    return QSqlDatabase::contains(m_connection) && QSqlDatabase::database(m_connection, false).isOpen();
}

void MbTilesFile::close() {
    if (!QSqlDatabase::contains(m_connection)) return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

bool MbTilesFile::open(const QString& path) {
    close();
    m_error.clear();
    m_name = m_attribution = m_format = QString();
    m_minZoom = 0;
    m_maxZoom = TileMath::kMaxZoom;
    m_hasCentre = false;
    if (!QFileInfo(path).isFile()) {
        m_error = QStringLiteral("no such file");
        return false;
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        m_error = QStringLiteral("Qt's SQLite driver is not installed");
        return false;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            m_error = db.lastError().text();
        } else {
            QSqlQuery check(db);
            if (!check.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name='tiles'")) ||
                !check.next() || check.value(0).toInt() == 0)
                m_error = QStringLiteral("not an MBTiles file (no tiles table)");
        }
    }
    if (!m_error.isEmpty()) {
        close();
        return false;
    }

    QSqlQuery meta(QSqlDatabase::database(m_connection, false));
    if (meta.exec(QStringLiteral("SELECT name, value FROM metadata"))) {
        std::optional<int> minZoom, maxZoom;
        QString bounds, centre;
        for (int rows = 0; rows < kMaxMetadataRows && meta.next(); ++rows) {
            const QString key = meta.value(0).toString().left(64).toLower();
            const QString value = meta.value(1).toString().left(kMaxMetadataValue);
            if (key == QLatin1String("name"))
                m_name = TileSources::plainLine(value);
            else if (key == QLatin1String("attribution"))
                m_attribution = TileSources::plainLine(value);
            else if (key == QLatin1String("format"))
                m_format = value.trimmed().toLower().left(16);
            else if (key == QLatin1String("minzoom")) {
                if (const auto v = number(value)) minZoom = int(std::clamp(*v, 0.0, 30.0));
            } else if (key == QLatin1String("maxzoom")) {
                if (const auto v = number(value)) maxZoom = int(std::clamp(*v, 0.0, 30.0));
            } else if (key == QLatin1String("bounds"))
                bounds = value;
            else if (key == QLatin1String("center"))
                centre = value;
        }
        if (minZoom) m_minZoom = *minZoom;
        if (maxZoom) m_maxZoom = std::max(*maxZoom, m_minZoom);
        const QStringList c = centre.split(QLatin1Char(','));
        const QStringList b = bounds.split(QLatin1Char(','));
        if (c.size() >= 2 && number(c[0]) && number(c[1])) {
            m_centreLongitude = std::clamp(*number(c[0]), -180.0, 180.0);
            m_centreLatitude = std::clamp(*number(c[1]), -TileMath::kMaxLatitude, TileMath::kMaxLatitude);
            m_centreZoom =
                c.size() >= 3 && number(c[2]) ? int(std::clamp(*number(c[2]), 0.0, 30.0)) : m_minZoom;
            m_hasCentre = true;
        } else if (b.size() == 4 && number(b[0]) && number(b[1]) && number(b[2]) && number(b[3])) {
            m_centreLongitude = std::clamp((*number(b[0]) + *number(b[2])) / 2, -180.0, 180.0);
            m_centreLatitude = std::clamp((*number(b[1]) + *number(b[3])) / 2, -TileMath::kMaxLatitude,
                                          TileMath::kMaxLatitude);
            m_centreZoom = m_minZoom;
            m_hasCentre = true;
        }
    }
    if (m_name.isEmpty()) m_name = TileSources::plainLine(QFileInfo(path).completeBaseName());
    if (m_format == QLatin1String("pbf") || m_format == QLatin1String("mvt")) {
        // Said at once, rather than a map that stays empty.
        m_error = QStringLiteral("it holds vector tiles; only PNG and JPEG tiles can be shown");
        close();
        return false;
    }
    return true;
}

bool MbTilesFile::centre(double& latitude, double& longitude, int& zoom) const {
    if (!m_hasCentre) return false;
    latitude = m_centreLatitude;
    longitude = m_centreLongitude;
    zoom = m_centreZoom;
    return true;
}

QByteArray MbTilesFile::tileData(const TileKey& key) const {
    if (!key.isValid() || !QSqlDatabase::contains(m_connection)) return {};
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.isOpen()) return {};
    QSqlQuery q(db);
    // length() first: a huge blob is never read into memory.
    q.prepare(QStringLiteral("SELECT length(tile_data), tile_data FROM tiles WHERE zoom_level = ? AND "
                             "tile_column = ? AND tile_row = ? LIMIT 1"));
    q.addBindValue(key.z);
    q.addBindValue(key.x);
    q.addBindValue((1 << key.z) - 1 - key.y);
    q.setForwardOnly(true);
    if (!q.exec() || !q.next()) return {};
    const qint64 length = q.value(0).toLongLong();
    if (length <= 0 || length > TileImage::kMaxBytes) return {};
    const QByteArray data = q.value(1).toByteArray();
    return data.size() > TileImage::kMaxBytes ? QByteArray() : data;
}

bool MbTilesFile::create(const QString& path, const QString& name,
                         const QList<QPair<TileKey, QByteArray>>& tiles, const QString& attribution,
                         const QString& centre, QString* error) {
    const QString connection = newConnectionName();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            ok =
                q.exec(QStringLiteral("CREATE TABLE metadata (name text, value text)")) &&
                q.exec(QStringLiteral("CREATE TABLE tiles (zoom_level integer, tile_column integer, tile_row "
                                      "integer, tile_data blob)")) &&
                q.exec(QStringLiteral(
                    "CREATE UNIQUE INDEX tile_index ON tiles (zoom_level, tile_column, tile_row)"));
            db.transaction();
            int minZoom = 30, maxZoom = 0;
            for (const auto& [key, data] : tiles) {
                if (!ok || !key.isValid()) continue;
                q.prepare(QStringLiteral("INSERT OR REPLACE INTO tiles VALUES (?, ?, ?, ?)"));
                q.addBindValue(key.z);
                q.addBindValue(key.x);
                q.addBindValue((1 << key.z) - 1 - key.y);
                q.addBindValue(data);
                ok = q.exec();
                minZoom = std::min(minZoom, key.z);
                maxZoom = std::max(maxZoom, key.z);
            }
            QList<QPair<QString, QString>> meta = {
                {QStringLiteral("name"), name},
                {QStringLiteral("format"), QStringLiteral("png")},
                {QStringLiteral("type"), QStringLiteral("baselayer")},
                {QStringLiteral("minzoom"), QString::number(tiles.isEmpty() ? 0 : minZoom)},
                {QStringLiteral("maxzoom"), QString::number(tiles.isEmpty() ? 0 : maxZoom)},
                {QStringLiteral("attribution"), attribution}};
            if (!centre.isEmpty()) meta.append({QStringLiteral("center"), centre});
            for (const auto& [k, v] : meta) {
                if (!ok) break;
                q.prepare(QStringLiteral("INSERT INTO metadata VALUES (?, ?)"));
                q.addBindValue(k);
                q.addBindValue(v);
                ok = q.exec();
            }
            ok = db.commit() && ok;
            if (!ok && error) *error = q.lastError().text();
        } else if (error) {
            *error = db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}
