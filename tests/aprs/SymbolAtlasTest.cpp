#include "aprs/SymbolAtlas.h"
#include "aprs/SymbolTable.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

int opaquePixels(const QImage& img) {
    const QImage argb = img.convertToFormat(QImage::Format_ARGB32);
    int n = 0;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x) n += qAlpha(argb.pixel(x, y)) == 255;
    return n;
}

int differingPixels(const QImage& a, const QImage& b, const QRect& area) {
    const QImage ca = a.convertToFormat(QImage::Format_ARGB32);
    const QImage cb = b.convertToFormat(QImage::Format_ARGB32);
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += ca.pixel(x, y) != cb.pixel(x, y);
    return n;
}

// A symbol painted through paint() onto a mid-grey RGB32 canvas, as a view would.
QImage painted(int table, int code, int px = 32) {
    QImage img(px, px, QImage::Format_RGB32);
    img.fill(QColor(128, 128, 128));
    QPainter p(&img);
    SymbolAtlas::shared().paint(p, QRectF(0, 0, px, px), table, code);
    return img;
}

bool near(QColor a, QColor b, int tolerance) {
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

TEST(SymbolAtlas, EveryIconHasAVisiblePictureAtEverySize) {
    const SymbolAtlas& atlas = SymbolAtlas::shared();
    for (int i = 0; i < SymbolAtlas::kIcons; ++i) {
        for (int px : {16, 32}) {
            const QImage img = atlas.image(i, px);
            ASSERT_FALSE(img.isNull()) << i << " at " << px;
            EXPECT_EQ(img.size(), QSize(px, px));
            // At least a tenth of the cell is solid, and the corners stay clear for the background.
            EXPECT_GE(opaquePixels(img), px * px / 10) << "icon " << i << " at " << px;
            EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << "icon " << i << " at " << px;
        }
    }
}

TEST(SymbolAtlas, HighDpiImagesHaveTheDevicePixels) {
    const QImage img = SymbolAtlas::shared().image(SymbolAtlas::iconIndexFor('/', '>'), 16, 2.0);
    EXPECT_EQ(img.size(), QSize(32, 32));
    EXPECT_EQ(img.devicePixelRatio(), 2.0);
    EXPECT_GE(opaquePixels(img), 32 * 32 / 10);
    // An uncached size is kept: the second call hands back the same pixels.
    EXPECT_EQ(SymbolAtlas::shared().image(5, 40).cacheKey(), SymbolAtlas::shared().image(5, 40).cacheKey());
}

TEST(SymbolAtlas, IndexFollowsTheTableCharacter) {
    EXPECT_EQ(SymbolAtlas::iconIndexFor('/', '>'), '>' - 33);
    EXPECT_EQ(SymbolAtlas::iconIndexFor('\\', '>'), '>' - 33 + 94);
    EXPECT_EQ(SymbolAtlas::iconIndexFor('D', '>'), '>' - 33 + 94);
    EXPECT_EQ(SymbolAtlas::iconIndexFor('/', 200), '"' - 33);
    EXPECT_TRUE(SymbolAtlas::shared().image(-1, 16).isNull());
    EXPECT_TRUE(SymbolAtlas::shared().image(SymbolAtlas::kIcons, 16).isNull());
    EXPECT_TRUE(SymbolAtlas::shared().image(0, 0).isNull());
}

TEST(SymbolAtlas, CommonSymbolsAreDistinctPictograms) {
    const SymbolAtlas& atlas = SymbolAtlas::shared();
    const int car = SymbolAtlas::iconIndexFor('/', '>');
    const int house = SymbolAtlas::iconIndexFor('/', '-');
    const int digi = SymbolAtlas::iconIndexFor('/', '#');
    for (int i : {car, house, digi}) EXPECT_TRUE(atlas.isPictogram(i));
    const QRect all(0, 0, 32, 32);
    const QImage a = atlas.image(car, 32), b = atlas.image(house, 32), c = atlas.image(digi, 32);
    EXPECT_GT(differingPixels(a, b, all), 250);
    EXPECT_GT(differingPixels(a, c, all), 250);
    EXPECT_GT(differingPixels(b, c, all), 250);
}

TEST(SymbolAtlas, OverlayCharacterIsDrawnInItsBoxOnly) {
    const QImage plain = painted('\\', '#');
    const QImage overlaid = painted('A', '#');
    // The box takes the middle 18 of 32 units.
    const QRect box(8, 8, 16, 16);
    EXPECT_GT(differingPixels(plain, overlaid, box), box.width() * box.height() / 3);
    // Its white rim is there, and beyond the rim nothing changed.
    EXPECT_TRUE(near(overlaid.pixelColor(16, 7), Qt::white, 40));
    const QRect outer(0, 0, 32, 32);
    EXPECT_EQ(differingPixels(plain, overlaid, outer), differingPixels(plain, overlaid, QRect(5, 5, 22, 22)));
    // Different characters give different boxes; the two table characters are no overlay.
    EXPECT_GT(differingPixels(overlaid, painted('7', '#'), box), 10);
    QImage bare(32, 32, QImage::Format_RGB32);
    bare.fill(QColor(128, 128, 128));
    {
        QPainter p(&bare);
        SymbolAtlas::shared().paintIcon(p, QRectF(0, 0, 32, 32), SymbolAtlas::iconIndexFor('\\', '#'));
    }
    EXPECT_EQ(differingPixels(plain, bare, outer), 0);
}

TEST(SymbolAtlas, BadgesShowTheirStationTypeColour) {
    const SymbolAtlas& atlas = SymbolAtlas::shared();
    struct Case {
        int table, code, type;
    };
    // FileServer (Fixed), Rover (Mobile), Smoke (Weather), TCP/IP-less alternate Kenwood (Fixed).
    for (const Case& c : {Case{'/', '?', 0}, Case{'/', 'p', 1}, Case{'\\', 'E', 2}, Case{'\\', 'K', 0}}) {
        const int index = SymbolAtlas::iconIndexFor(c.table, c.code);
        ASSERT_EQ(symbolStationType(c.table, c.code), c.type);
        EXPECT_FALSE(atlas.isPictogram(index)) << char(c.code);
        for (int px : {16, 32}) {
            const QImage img = atlas.image(index, px);
            // Left of the character, halfway down: the badge's own fill.
            const QPoint at(px * 5 / 32, px / 2);
            EXPECT_TRUE(near(img.pixelColor(at), SymbolAtlas::typeColour(c.type), 3))
                << char(c.code) << " at " << px << ": " << img.pixelColor(at).name().toStdString();
            EXPECT_EQ(img.pixelColor(at).alpha(), 255);
        }
    }
    EXPECT_NE(SymbolAtlas::typeColour(0), SymbolAtlas::typeColour(1));
    EXPECT_NE(SymbolAtlas::typeColour(2), SymbolAtlas::typeColour(3));
}

TEST(SymbolAtlas, PaintsIntoAnyRectangle) {
    // A map marker 20 px wide at (50, 30) on a larger canvas: ink inside, none outside.
    QImage img(120, 90, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.translate(10, 10);
        SymbolAtlas::shared().paint(p, QRectF(40, 20, 20, 20), '/', '>');
    }
    EXPECT_EQ(opaquePixels(img.copy(50, 30, 20, 20)), opaquePixels(img));
    EXPECT_GE(opaquePixels(img), 40);
}

TEST(SymbolAtlas, ConcurrentRequestsAgree) {
    const SymbolAtlas& atlas = SymbolAtlas::shared();
    std::vector<QImage> results(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < results.size(); ++t)
        threads.emplace_back([&, t] { results[t] = atlas.image(SymbolAtlas::iconIndexFor('/', 'k'), 57); });
    for (auto& th : threads) th.join();
    for (const QImage& r : results) EXPECT_EQ(r, results.front());
}
