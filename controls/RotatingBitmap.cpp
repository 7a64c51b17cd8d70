#include "controls/RotatingBitmap.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

RotatingBitmap::~RotatingBitmap() = default;

void RotatingBitmap::Create(int width, int height) {
    m_pixels = QImage();
    m_width = m_height = m_rowLength = 0;
    if (width < 1 || height < 1) return;
    QImage pixels(rowLengthFor(width), height, QImage::Format_RGB888);
    if (pixels.isNull()) return; // too large to allocate: no picture
    pixels.fill(Qt::black);
    m_pixels = std::move(pixels);
    m_width = width;
    m_height = height;
    m_rowLength = rowLengthFor(width);
}

void RotatingBitmap::Fill(int width, int height, uint32_t colour) {
    Create(width, height);
    if (isNull()) return;
    // Red, green, blue in memory order, which is how Format_RGB888 reads them.
    const uchar rgb[3] = {static_cast<uchar>(colour & 0xFF), static_cast<uchar>((colour >> 8) & 0xFF),
                          static_cast<uchar>((colour >> 16) & 0xFF)};
    for (int y = 0; y < m_height; ++y) {
        uchar* row = m_pixels.scanLine(y);
        for (int x = 0; x < m_rowLength; ++x) std::memcpy(row + 3 * x, rgb, 3);
    }
}

void RotatingBitmap::Load(const QImage& picture) {
    Create(picture.width(), picture.height());
    if (isNull()) return;
    const QImage source = picture.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < m_height; ++y)
        std::memcpy(m_pixels.scanLine(y), source.constScanLine(y), static_cast<size_t>(m_width) * 3);
}

int RotatingBitmap::sourceBound(int width, int height) {
    return std::min(width, height) - 1;
}

void RotatingBitmap::Rotate(float angle) {
    Rotate(angle, sourceBound(m_width, m_height), kWhite);
}

void RotatingBitmap::Rotate(float angle, int bound, uint32_t background) {
    if (isNull()) return;
    // A non-finite angle would make every source coordinate undefined: leave the picture as it is.
    if (!std::isfinite(angle)) return;
    RotatingBitmap turned;
    turned.Fill(m_width, m_height, background);
    if (turned.isNull()) return;

    const float a = angle * 6.2831855f * 0.0027777778f;
    const float c = std::cos(a);
    const float s = std::sin(a);
    const int h2 = m_height / 2;
    const int w2 = m_width / 2;
    // Never read outside the picture, whatever bound is asked for.
    const int columnBound = std::min(bound, m_width - 1);
    const int rowBound = std::min(bound, m_height - 1);

    for (int y = -h2; y < h2; ++y) {
        uchar* target = turned.m_pixels.scanLine(y + h2);
        for (int x = -w2; x < w2; ++x) {
            const float fx = static_cast<float>(x);
            const float fy = static_cast<float>(y);
            const int column = static_cast<int>(fx * c + fy * s) + w2;
            if (column < 0 || column > columnBound) continue;
            const int row = static_cast<int>(fy * c - fx * s) + h2;
            if (row < 0 || row > rowBound) continue;
            std::memcpy(target + 3 * (x + w2), m_pixels.constScanLine(row) + 3 * column, 3);
        }
    }
    *this = std::move(turned);
}

void RotatingBitmap::Draw(QPainter& painter, int x, int y) const {
    if (isNull()) return;
    painter.drawImage(QPoint(x, y), m_pixels, QRect(0, 0, m_width, m_height));
}

uint32_t RotatingBitmap::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return 0;
    const uchar* p = m_pixels.constScanLine(y) + 3 * x;
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16);
}

QImage RotatingBitmap::toImage() const {
    if (isNull()) return {};
    return m_pixels.copy(0, 0, m_width, m_height).convertToFormat(QImage::Format_RGB32);
}
