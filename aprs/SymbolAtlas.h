#pragma once

#include <QChar>
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QRectF>

#include <memory>

class QPainter;

// The pictures of every APRS symbol of both tables, drawn in code as vector paths so that they
// stay sharp at any size and device pixel ratio. The symbols heard most get a pictogram, the rest
// a rounded badge in the colour of their station type with the symbol character in white.
// Indexed like the station image list: primary 0..93, alternate 94..187.
//
// The 16, 24 and 32 px images at ratio 1 are rendered when the atlas is built and never change;
// other sizes are rendered on first use and kept. Every member may be called from any thread,
// except icon(), which makes pixmaps and so belongs to the GUI thread.
class SymbolAtlas {
public:
    static constexpr int kIcons = 188;
    static constexpr int kStandardSizes[] = {16, 24, 32};

    SymbolAtlas();
    ~SymbolAtlas();
    SymbolAtlas(const SymbolAtlas&) = delete;
    SymbolAtlas& operator=(const SymbolAtlas&) = delete;

    // The one atlas every view uses, built on first call.
    static const SymbolAtlas& shared();

    // The icon index of (table, code): any table character but '/' selects the alternate table,
    // and codes outside 33..126 become the double quote.
    static int iconIndexFor(int table, int code);
    // The badge colour of a station type (0 Fixed .. 4 TCP/IP); unknown types get the Fixed one.
    static QColor typeColour(int stationType);

    // Whether the symbol has a pictogram of its own rather than the lettered badge.
    bool isPictogram(int iconIndex) const;

    // The picture, px logical pixels square, at the given device pixel ratio; transparent around
    // it. A null image for an index outside 0..187 or a size below 1.
    QImage image(int iconIndex, int px, qreal dpr = 1.0) const;
    // An icon with 16, 24 and 32 px variants (and their doubles for high-DPI screens).
    QIcon icon(int iconIndex) const;

    // Draws the symbol of (table, code) into rect at any size; an overlay table character (a digit
    // or a letter in place of '/' or '\\') is drawn over it.
    void paint(QPainter& painter, const QRectF& rect, int table, int code) const;
    // Draws the picture of one icon index into rect, without overlay.
    void paintIcon(QPainter& painter, const QRectF& rect, int iconIndex) const;
    // The overlay character in its small white-outlined box, centred in rect.
    static void paintOverlay(QPainter& painter, const QRectF& rect, QChar overlay);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
