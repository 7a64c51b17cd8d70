#pragma once

#include <QImage>
#include <cstdint>

class QPainter;

// A 24-bit picture that can turn itself about its centre: the compass card. Pixels are kept in
// rows of the row length (the width rounded up to 4 pixels); only width x height of them belong
// to the picture. Colours given as numbers are colour references, 0x00BBGGRR.
class RotatingBitmap {
public:
    static constexpr uint32_t kWhite = 0x00FFFFFF;

    RotatingBitmap() = default;
    virtual ~RotatingBitmap();
    RotatingBitmap(const RotatingBitmap&) = default;
    RotatingBitmap& operator=(const RotatingBitmap&) = default;
    RotatingBitmap(RotatingBitmap&&) noexcept = default;
    RotatingBitmap& operator=(RotatingBitmap&&) noexcept = default;

    // A new picture of that size (previous one released); pixels black. Sizes below 1 give none.
    void Create(int width, int height);
    // Create, then every pixel set to the colour.
    void Fill(int width, int height, uint32_t colour);
    // Create with the picture's size and copy it in.
    void Load(const QImage& picture);
    // Turns the picture clockwise (on screen) by the angle in degrees, by nearest pixel with
    // truncation, about (width / 2, height / 2). Source pixels are taken only from columns and
    // rows 0..sourceBound(): for the 91 x 95 compass card that is 0..90, the card's square.
    // Destination pixels without a source become white.
    void Rotate(float angle);
    // The same with an explicit source bound (clamped to the picture) and colour for pixels
    // without a source.
    void Rotate(float angle, int sourceBound, uint32_t background);
    // Copies the picture (width x height) with its top-left corner at (x, y).
    void Draw(QPainter& painter, int x, int y) const;

    int width() const { return m_width; }
    int height() const { return m_height; }
    int rowLength() const { return m_rowLength; }
    bool isNull() const { return m_width == 0; }
    // The colour reference of a pixel counted from the top-left; 0 outside the picture.
    uint32_t pixel(int x, int y) const;
    // The picture alone (width x height), RGB32.
    QImage toImage() const;

    // The card of a picture is its top-left square, so a picture turns within that square's
    // side: 0..90 for the 91 x 95 card.
    static int sourceBound(int width, int height);
    static int rowLengthFor(int width) { return (width + 3) & ~3; }

private:
    int m_width = 0;
    int m_height = 0;
    int m_rowLength = 0;
    QImage m_pixels; // row length x height, 3 bytes per pixel in red, green, blue order
};
