#include "maps/MapProjectFile.h"
#include "maps/ShapeDisplaySettings.h"
#include "platform/DataFile.h"
#include "platform/Settings.h"
#include "platform/gui/LogFont.h"
#include "support/TempHome.h"

#include <QFont>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

MapProjectData threeLayers() {
    MapProjectData d;
    d.backgroundColour = 0x00336699;
    d.top = 38.0;
    d.left = 23.5;
    d.bottom = 37.5;
    d.right = 24.25;
    d.imagePath = QStringLiteral("/home/u/Maps/athens.png");
    d.caption = QStringLiteral("Αθήνα");
    d.canvasWidth = 1500;
    d.canvasHeight = 1000;
    d.scrollX = 120;
    d.scrollY = -3;
    MapLayerRecord raster;
    raster.kind = 1;
    raster.top = 38.0;
    raster.left = 23.5;
    raster.bottom = 37.5;
    raster.right = 24.0;
    raster.imagePath = d.imagePath;
    raster.caption = d.caption;
    raster.drawnWidth = 1000;
    raster.drawnHeight = 1000;
    MapLayerRecord shape = raster;
    shape.kind = 2;
    shape.imagePath = QStringLiteral("/home/u/Maps/roads.shp");
    shape.caption = QStringLiteral("TEST");
    ShapeDisplaySettings s;
    s.labelColumn = 3;
    s.fillColour = ShapeDisplaySettings::kNoFill;
    s.labelFont = LogFont::fromQFont(QFont(QStringLiteral("Arial"))).bytes();
    s.pointSymbol = 42;
    shape.shapeSettings = s;
    MapLayerRecord empty = raster;
    empty.caption.clear();
    d.layers = {raster, shape, empty};
    return d;
}

uint32_t u32At(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<uint32_t>(b.constData() + at);
}

} // namespace

TEST(MapProjectFile, LayoutAndByteIdenticalRoundTrip) {
    const QByteArray bytes = MapProjectFile::serialize(threeLayers());
    EXPECT_EQ(u32At(bytes, 0), 0x00010005u);
    EXPECT_EQ(u32At(bytes, 4), 0x00336699u);
    const auto pathCount = u32At(bytes, 40);
    EXPECT_EQ(pathCount, uint32_t((threeLayers().imagePath.size() + 1) * 2));

    const auto parsed = MapProjectFile::parse(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->caption, QStringLiteral("Αθήνα"));
    EXPECT_EQ(parsed->scrollY, -3);
    ASSERT_EQ(parsed->layers.size(), 3u);
    EXPECT_EQ(parsed->layers[1].kind, 2);
    ASSERT_TRUE(parsed->layers[1].shapeSettings);
    EXPECT_EQ(parsed->layers[1].shapeSettings->labelColumn, 3);
    EXPECT_EQ(parsed->layers[1].shapeSettings->pointSymbol, 42);
    EXPECT_FALSE(parsed->layers[0].shapeSettings);
    EXPECT_TRUE(parsed->layers[2].caption.isEmpty());
    EXPECT_EQ(MapProjectFile::serialize(*parsed), bytes);

    // The kept raw bytes are what is written, whatever the fields say.
    MapProjectData changed = *parsed;
    changed.layers[0].imagePath = QStringLiteral("elsewhere");
    EXPECT_EQ(MapProjectFile::serialize(changed), bytes);
    changed.layers[0].raw.clear();
    EXPECT_NE(MapProjectFile::serialize(changed), bytes);
    // A raster record is 4 + 32 + two strings + 16 bytes; a shapefile record adds 124.
    EXPECT_EQ(parsed->layers[1].raw.size(),
              4 + 32 + 4 + (parsed->layers[1].imagePath.size() + 1) * 2 + 4 + 10 + 16 + 124);
}

TEST(MapProjectFile, OlderFilesHaveEightBitStringsAndFonts) {
    DataFileWriter w;
    w.u32(0x00000005);
    w.u32(0xFFFFFF);
    for (double v : {38.0, 23.5, 37.5, 24.0}) w.f64(v);
    const QByteArray path("\\My Documents\\caf\xe9.shp");
    w.u32(uint32_t(path.size() + 1));
    w.bytes(path + '\0');
    w.u32(0); // empty caption
    w.i32(640);
    w.i32(480);
    w.i32(5);
    w.i32(6);
    w.i32(1);
    w.i32(2); // shapefile layer
    for (double v : {38.0, 23.5, 37.5, 24.0}) w.f64(v);
    w.u32(uint32_t(path.size() + 1));
    w.bytes(path + '\0');
    w.u32(5);
    w.bytes(QByteArray("TEST", 5));
    w.f64(640.9);
    w.f64(480);
    // The 92-byte block: five numbers, the 60-byte 8-bit font record, three numbers.
    for (uint32_t v : {0xFEFFFFu, 0x0000FFu, 1u, 4u, 0x00FF00u}) w.u32(v);
    QByteArray font(60, '\0');
    qToLittleEndian<int32_t>(-11, font.data());
    qToLittleEndian<int32_t>(700, font.data() + 16);
    font[20] = 1;
    font.replace(28, 5, "Arial");
    w.bytes(font);
    for (uint32_t v : {1u, 0xC8C8C8u, 7u}) w.u32(v);

    const auto parsed = MapProjectFile::parse(w.data());
    ASSERT_TRUE(parsed);
    EXPECT_FALSE(parsed->hasUtf16Strings());
    EXPECT_EQ(parsed->imagePath, QStringLiteral("\\My Documents\\café.shp"));
    ASSERT_EQ(parsed->layers.size(), 1u);
    const MapLayerRecord& layer = parsed->layers[0];
    EXPECT_EQ(layer.caption, QStringLiteral("TEST"));
    EXPECT_TRUE(layer.raw.isEmpty()) << "8-bit records are written again in the current encoding";
    ASSERT_TRUE(layer.shapeSettings);
    const ShapeDisplaySettings& s = *layer.shapeSettings;
    EXPECT_EQ(s.fillColour, ShapeDisplaySettings::kNoFill);
    EXPECT_EQ(s.labelColumn, 4);
    EXPECT_EQ(s.scaleDependentLines, 1);
    EXPECT_EQ(s.pointSymbol, 7);
    const auto lf = LogFont::fromBytes(s.labelFont);
    ASSERT_TRUE(lf);
    EXPECT_EQ(lf->faceName(), QStringLiteral("Arial"));
    EXPECT_EQ(lf->height(), -11);
    EXPECT_EQ(lf->weight(), 700);
    EXPECT_TRUE(lf->italic());

    // Saved again it is a current file that reads back the same.
    const QByteArray again = MapProjectFile::serialize(*parsed);
    EXPECT_EQ(u32At(again, 0), 0x00010005u);
    const auto reread = MapProjectFile::parse(again);
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->layers[0].imagePath, layer.imagePath);
    EXPECT_EQ(reread->layers[0].shapeSettings->toBlock(), s.toBlock());
}

TEST(MapProjectFile, HostileFilesAreBounded) {
    EXPECT_FALSE(MapProjectFile::parse({}));
    QByteArray bytes = MapProjectFile::serialize(threeLayers());
    QByteArray other = bytes;
    qToLittleEndian<uint32_t>(0x00010004, other.data());
    EXPECT_FALSE(MapProjectFile::parse(other)) << "another format version";

    // A huge string count fails instead of allocating.
    QByteArray string = bytes;
    qToLittleEndian<uint32_t>(0xFFFFFFF0u, string.data() + 40);
    EXPECT_FALSE(MapProjectFile::parse(string));

    // A huge or negative layer count reads only what the bytes hold.
    const qsizetype countAt =
        40 + 4 + (threeLayers().imagePath.size() + 1) * 2 + 4 + (threeLayers().caption.size() + 1) * 2 + 16;
    ASSERT_EQ(u32At(bytes, countAt), 3u);
    QByteArray many = bytes;
    qToLittleEndian<uint32_t>(0x7FFFFFFFu, many.data() + countAt);
    auto parsed = MapProjectFile::parse(many);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->layers.size(), 3u);
    qToLittleEndian<uint32_t>(0xFFFFFFFFu, many.data() + countAt);
    parsed = MapProjectFile::parse(many);
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->layers.empty());

    // Cut inside the last record: the complete ones are kept.
    parsed = MapProjectFile::parse(bytes.left(bytes.size() - 10));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->layers.size(), 2u);
    EXPECT_FALSE(MapProjectFile::parse(bytes.left(countAt + 2)));
}

TEST(ShapeDisplaySettings, BlockLayoutAndDefaults) {
    TempHome t;
    ShapeDisplaySettings s = ShapeDisplaySettings::defaults(t.settings);
    EXPECT_EQ(s.fillColour, 0xC0C0C0u);
    EXPECT_EQ(s.lineColour, 0u);
    EXPECT_EQ(s.switchDefaultOne, 1);
    EXPECT_EQ(s.labelColumn, -1);
    EXPECT_EQ(s.wideLineColour, 0xC8C8C8u);
    EXPECT_EQ(s.pointSymbol, -1);
    const auto font = LogFont::fromBytes(s.labelFont);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->faceName(), QStringLiteral("Arial"));
    EXPECT_EQ(font->weight(), 400);
    EXPECT_LT(font->height(), 0);

    write(t.settings, Settings::MAPFILLCOLOR, 0x123456);
    write(t.settings, Settings::MAPLABELCOLOR, 0xFF);
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPixelSize(11);
    write(t.settings, Settings::MAPLABELFONT, LogFont::fromQFont(tahoma).bytes());
    s = ShapeDisplaySettings::defaults(t.settings);
    EXPECT_EQ(s.fillColour, 0x123456u);
    EXPECT_EQ(s.labelColour, 0xFFu);
    EXPECT_EQ(LogFont::fromBytes(s.labelFont)->faceName(), QStringLiteral("Tahoma"));

    s.labelColumn = 2;
    s.scaleDependentLines = 1;
    const QByteArray block = s.toBlock();
    ASSERT_EQ(block.size(), ShapeDisplaySettings::kBlockSize);
    EXPECT_EQ(u32At(block, 0), 0x123456u);
    EXPECT_EQ(u32At(block, 8), 1u);
    EXPECT_EQ(u32At(block, 12), 2u);
    EXPECT_EQ(u32At(block, 16), 0xFFu);
    EXPECT_EQ(block.mid(20, 92), s.labelFont);
    EXPECT_EQ(u32At(block, 112), 1u);
    EXPECT_EQ(u32At(block, 116), 0xC8C8C8u);
    EXPECT_EQ(u32At(block, 120), 0xFFFFFFFFu);
    const auto back = ShapeDisplaySettings::fromBlock(block);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->toBlock(), block);
    EXPECT_FALSE(ShapeDisplaySettings::fromBlock(block.left(100)));
}
