#include "maps/MapSideFiles.h"

#include "platform/CodePage.h"
#include "platform/Trace.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <optional>

namespace {

bool usable(const MapDetails& d) {
    return d.isValid() && d.latitudeSpan >= MapSideFiles::kMinSpanDegrees &&
           d.longitudeSpan >= MapSideFiles::kMinSpanDegrees;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

QByteArray trimmed(QByteArray text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isBlank(text[from])) ++from;
    while (to > from && isBlank(text[to - 1])) --to;
    return text.mid(from, to - from);
}

// The first `count` lines, each without its line end and cut to maxLength bytes. A missing
// final line end still ends a line.
QList<QByteArray> firstLines(const QByteArray& bytes, int count, int maxLength) {
    QList<QByteArray> lines;
    qsizetype pos = 0;
    while (lines.size() < count && pos < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', pos);
        if (end < 0) end = bytes.size();
        QByteArray line = bytes.mid(pos, end - pos);
        if (line.endsWith('\r')) line.chop(1);
        lines.append(line.left(maxLength));
        pos = end + 1;
    }
    return lines;
}

struct Coordinate {
    bool isLatitude = false;
    double value = 0;
};

// "37.58.1234N", "023.45.5 E": whole degrees, a point, decimal minutes, blanks, a letter.
std::optional<Coordinate> parseCoordinate(const QByteArray& part) {
    QByteArray text = trimmed(part);
    if (text.isEmpty() || !isLetter(text.back())) return std::nullopt;
    const char letter = text.back();
    text = trimmed(text.chopped(1));

    qsizetype i = 0;
    while (i < text.size() && isDigit(text[i])) ++i;
    if (i == 0 || i > 3 || i >= text.size() || text[i] != '.') return std::nullopt;
    const int degrees = text.left(i).toInt();
    const QByteArray minutesText = text.mid(i + 1);
    qsizetype j = 0;
    while (j < minutesText.size() && isDigit(minutesText[j])) ++j;
    if (j == 0) return std::nullopt;
    if (j < minutesText.size()) {
        if (minutesText[j] != '.') return std::nullopt;
        for (qsizetype k = j + 1; k < minutesText.size(); ++k)
            if (!isDigit(minutesText[k])) return std::nullopt;
    }
    bool ok = false;
    const double minutes = minutesText.toDouble(&ok);
    if (!ok || !std::isfinite(minutes) || minutes >= 60) return std::nullopt;

    Coordinate c;
    const char upper = static_cast<char>(letter & ~0x20);
    c.isLatitude = upper == 'N' || upper == 'S';
    c.value = degrees + minutes / 60.0;
    if (c.value > (c.isLatitude ? 90.0 : 180.0)) return std::nullopt;
    if (upper == 'S' || upper == 'W') c.value = -c.value;
    return c;
}

// One corner line: a latitude and a longitude, in either order, separated by a comma.
bool parseCorner(const QByteArray& line, double& latitude, double& longitude) {
    const qsizetype comma = line.indexOf(',');
    if (comma < 0) return false;
    const auto a = parseCoordinate(line.left(comma));
    const auto b = parseCoordinate(line.mid(comma + 1));
    if (!a || !b || a->isLatitude == b->isLatitude) return false;
    latitude = a->isLatitude ? a->value : b->value;
    longitude = a->isLatitude ? b->value : a->value;
    return true;
}

// A side file's first bytes; only regular files are read, so a path can never make the reader
// wait on a device or a pipe.
std::optional<QByteArray> readSideFile(const QString& path) {
    if (!QFileInfo(path).isFile()) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    return file.read(MapSideFiles::kMaxSideFileBytes);
}

// The side file with this extension, and on case-sensitive file systems its upper-case form
// (files copied from a device or a Windows machine often carry "CITY.INF").
QStringList withUpperCase(const QString& base, const QString& extension) {
    QStringList names{base + extension};
    const QString upper = base + extension.toUpper();
    if (upper != names.front()) names << upper;
    return names;
}

} // namespace

namespace MapSideFiles {

bool parseInfFile(const QByteArray& bytes, const QString& imagePath, MapDetails& details) {
    const QList<QByteArray> lines = firstLines(bytes, 3, kMaxInfLine);
    if (lines.size() < 2) return false;
    double lat1 = 0, lon1 = 0, lat2 = 0, lon2 = 0;
    if (!parseCorner(lines[0], lat1, lon1) || !parseCorner(lines[1], lat2, lon2)) return false;
    MapDetails d = MapDetails::fromCorners(imagePath, {}, lat1, lon1, lat2, lon2);
    if (!usable(d)) return false;
    if (lines.size() > 2) d.caption = CodePage::decode(trimmed(lines[2]));
    d.sourceKind = MapDetails::InfFile;
    details = d;
    return true;
}

bool parseWorldFile(const QByteArray& bytes, const QString& imagePath, QSize imageSize, MapDetails& details) {
    if (imageSize.width() <= 0 || imageSize.height() <= 0) return false;
    const QList<QByteArray> lines = firstLines(bytes, 6, kMaxWorldFileLine);
    if (lines.size() < 6) return false;
    double values[6];
    for (int i = 0; i < 6; ++i) {
        const QByteArray text = trimmed(lines[i]);
        bool ok = false;
        values[i] = text.toDouble(&ok);
        if (text.isEmpty() || !ok || !std::isfinite(values[i])) return false;
    }
    const double pixelWidth = values[0];
    const double pixelHeight = values[3];
    // Rows run southwards and columns eastwards; a mirrored world file is not a map we can draw.
    if (!(pixelWidth > 0) || !(pixelHeight < 0)) return false;

    MapDetails d;
    d.top = values[5];
    d.left = values[4];
    d.bottom = values[5] + imageSize.height() * pixelHeight;
    d.right = values[4] + imageSize.width() * pixelWidth;
    d.updateSpans();
    // Projected world files (metres of a grid) are not degrees: no map, rather than one far off.
    if (!usable(d) || d.top > 90 || d.bottom < -90 || d.left < -360 || d.right > 360) return false;
    d.imagePath = imagePath;
    d.caption = imagePath;
    d.sourceKind = MapDetails::WorldFile;
    d.pixelWidthDegrees = pixelWidth;
    d.pixelHeightDegrees = pixelHeight;
    details = d;
    return true;
}

QString basePath(const QString& imagePath) {
    const qsizetype slash =
        std::max(imagePath.lastIndexOf(QLatin1Char('/')), imagePath.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = imagePath.lastIndexOf(QLatin1Char('.'));
    return dot > slash ? imagePath.left(dot) : imagePath;
}

QStringList worldFileCandidates(const QString& imagePath) {
    const QString base = basePath(imagePath);
    const QString extension = imagePath.mid(base.size()).toLower();
    QStringList names = withUpperCase(base, QStringLiteral(".tfw"));
    QString own;
    if (extension == QLatin1String(".jpg") || extension == QLatin1String(".jpeg"))
        own = QStringLiteral(".jgw");
    else if (extension == QLatin1String(".png"))
        own = QStringLiteral(".pgw");
    else if (extension == QLatin1String(".gif"))
        own = QStringLiteral(".gfw");
    if (!own.isEmpty()) names << withUpperCase(base, own);
    names << withUpperCase(base, QStringLiteral(".wld"));
    return names;
}

} // namespace MapSideFiles

bool LoadMapDetails(const QString& imagePath, MapDetails& details, QSize imageSize) {
    details.reset();
    const QString base = MapSideFiles::basePath(imagePath);
    for (const QString& inf : withUpperCase(base, QStringLiteral(".inf"))) {
        const auto bytes = readSideFile(inf);
        if (!bytes) continue;
        if (MapSideFiles::parseInfFile(*bytes, imagePath, details)) return true;
        Trace::write(QStringLiteral("LoadMapDetails::%1").arg(inf));
        break;
    }
    for (const QString& world : MapSideFiles::worldFileCandidates(imagePath)) {
        const auto bytes = readSideFile(world);
        if (!bytes) continue;
        if (MapSideFiles::parseWorldFile(*bytes, imagePath, imageSize, details)) return true;
        Trace::write(QStringLiteral("LoadMapDetails::%1").arg(world));
    }
    details.reset();
    return false;
}
