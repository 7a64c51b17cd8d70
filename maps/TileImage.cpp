#include "maps/TileImage.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

namespace TileImage {

bool looksLikeImage(const QByteArray& bytes) {
    return bytes.startsWith("\x89PNG\r\n\x1a\n") || bytes.startsWith("\xff\xd8\xff");
}

QImage decode(const QByteArray& bytes) {
    if (bytes.size() > kMaxBytes || !looksLikeImage(bytes)) return {};
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, bytes.startsWith("\x89PNG") ? "png" : "jpeg");
    reader.setAutoTransform(false);
    // Decoding a tile never takes more than a few megabytes, whatever its header claims.
    reader.setAllocationLimit(8);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxSide || size.height() > kMaxSide || size.isEmpty()) return {};
    QImage image;
    if (!reader.read(&image) || image.isNull() || image.size() != size) return {};
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

namespace {

// Digits and the slash as 3 x 5 dot patterns, so the sample tiles need no fonts (the loopback server
// runs without a GUI application).
const char* glyph(QChar c) {
    static const char* const digits[] = {
        "111101101101111", "010110010010111", "111001111100111", "111001111001111", "101101111001001",
        "111100111001111", "111100111101111", "111001001001001", "111101111101111", "111101111001111"};
    if (c.isDigit()) return digits[c.digitValue()];
    if (c == QLatin1Char('/')) return "001001010100100";
    return "000000000000000";
}

void drawText(QPainter& p, const QString& text, QPoint at, int dot, const QColor& colour) {
    int x = at.x();
    for (QChar c : text) {
        const char* g = glyph(c);
        for (int row = 0; row < 5; ++row)
            for (int col = 0; col < 3; ++col)
                if (g[row * 3 + col] == '1') p.fillRect(x + col * dot, at.y() + row * dot, dot, dot, colour);
        x += 4 * dot;
    }
}

} // namespace

QImage sample(const TileKey& key) {
    QImage image(TileMath::kTileSize, TileMath::kTileSize, QImage::Format_RGB32);
    // Neighbouring tiles differ a little in tone, like land and water would.
    const int tone = ((key.x + key.y) & 1) ? 6 : 0;
    image.fill(QColor(242 - tone, 239 - tone, 233 - tone));
    QPainter p(&image);
    const QColor grid(214, 208, 198);
    for (int i = 0; i < TileMath::kTileSize; i += 32) {
        p.fillRect(i, 0, 1, TileMath::kTileSize, grid);
        p.fillRect(0, i, TileMath::kTileSize, 1, grid);
    }
    // A "road" across every tile at a place that depends on the tile, so pans are easy to follow.
    const int road = 40 + (key.x * 37 + key.y * 17) % 170;
    p.fillRect(0, road, TileMath::kTileSize, 5, QColor(250, 214, 140));
    p.fillRect(road, 0, 5, TileMath::kTileSize, QColor(255, 255, 255));
    p.fillRect(0, 0, TileMath::kTileSize, 1, QColor(160, 150, 140));
    p.fillRect(0, 0, 1, TileMath::kTileSize, QColor(160, 150, 140));
    const QString text = QStringLiteral("%1/%2/%3").arg(key.z).arg(key.x).arg(key.y);
    drawText(p, text, QPoint(8, 8), 3, QColor(110, 100, 95));
    return image;
}

QByteArray samplePng(const TileKey& key) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    sample(key).save(&buffer, "PNG");
    return bytes;
}

} // namespace TileImage
