// The sample road map shipped for new users: written by the test writer when QP_WRITE_SAMPLES=1,
// otherwise the committed files must still load, with their names, over the sample raster's area.
#include "maps/MapProject.h"
#include "maps/MapProjectFile.h"
#include "maps/ShapeLayer.h"
#include "platform/Prompter.h"
#include "support/ShapefileWriter.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

using W = ShapefileWriter;

W::Point at(double latitude, double longitude) {
    return {longitude, latitude, 0, 0};
}

// Pixels of the sample raster (1200 x 920 over 40.68..40.54 N, 22.86..23.10 E) to positions, so
// the roads lie on the roads of the picture.
W::Point px(double x, double y) {
    return at(40.68 - y / 920.0 * 0.14, 22.86 + x / 1200.0 * 0.24);
}

W sampleRoads() {
    W w;
    w.headerType = ShapeType::PolyLine;
    w.fields = {{"NAME", 'C', 32, 0}};
    const auto road = [&](const QString& name, std::vector<W::Point> points) {
        w.records.push_back(W::poly(ShapeType::PolyLine, {std::move(points)}));
        w.rows.append(QStringList{name});
    };
    road(QStringLiteral("Coast Road"),
         {px(60, 330), px(300, 360), px(520, 420), px(700, 470), px(900, 500), px(1180, 470)});
    road(QStringLiteral("Hill Street"), {px(640, 40), px(660, 300), px(700, 470), px(760, 700)});
    road(QStringLiteral("Ridge Road"), {px(380, 120), px(560, 260), px(720, 300), px(1100, 330)});
    return w;
}

QString samplePath() {
    // The tests folder of the source tree, as Qt Test records it at build time.
    return QStringLiteral(QT_TESTCASE_SOURCEDIR "/../data/samples/sample-roads");
}

} // namespace

TEST(ShapeSample, TheSampleRoadsLoadWithTheirNames) {
    const W expected = sampleRoads();
    if (qEnvironmentVariableIntValue("QP_WRITE_SAMPLES") == 1) {
        ASSERT_TRUE(expected.write(samplePath()));
    }

    ShapeLayer layer;
    ASSERT_TRUE(layer.load(samplePath() + QStringLiteral(".shp"))) << layer.lastError().toStdString();
    const auto data = layer.data();
    const auto table = layer.table();
    ASSERT_TRUE(table);
    ASSERT_EQ(data->records.size(), expected.records.size());
    ASSERT_EQ(table->field(0).name, "NAME");
    for (std::size_t i = 0; i < expected.records.size(); ++i) {
        EXPECT_EQ(data->records[i].shapeType, expected.records[i].type);
        EXPECT_EQ(table->text(int(i), 0), expected.rows[qsizetype(i)][0]);
    }
    // Inside the area of the sample raster map.
    const MapDetails& box = layer.details();
    EXPECT_GE(box.bottom, 40.54);
    EXPECT_LE(box.top, 40.68);
    EXPECT_GE(box.left, 22.86);
    EXPECT_LE(box.right, 23.10);
    EXPECT_EQ(layer.drawnSize().width(), 2000);
}

// The sample project: the picture with the roads over it, labelled by name. Its layer paths are
// bare file names, found again in the project's own folder wherever the samples are copied.
TEST(ShapeSample, TheSampleProjectJoinsThePictureAndTheRoads) {
    const QString folder = QStringLiteral(QT_TESTCASE_SOURCEDIR "/../data/samples/");
    if (qEnvironmentVariableIntValue("QP_WRITE_SAMPLES") == 1) {
        TempHome t;
        ShapeLayer roads;
        ASSERT_TRUE(roads.load(folder + QStringLiteral("sample-roads.shp")));
        MapProjectData data;
        data.top = 40.68;
        data.left = 22.86;
        data.bottom = 40.54;
        data.right = 23.10;
        data.imagePath = QStringLiteral("sample-map.png");
        data.caption = QStringLiteral("Sample Map");
        data.canvasWidth = 1200;
        data.canvasHeight = 920;
        MapLayerRecord picture;
        picture.kind = 1;
        picture.top = data.top;
        picture.left = data.left;
        picture.bottom = data.bottom;
        picture.right = data.right;
        picture.imagePath = data.imagePath;
        picture.caption = data.caption;
        picture.drawnWidth = 1200;
        picture.drawnHeight = 920;
        MapLayerRecord lines;
        lines.kind = 2;
        const MapDetails& box = roads.details();
        lines.top = box.top;
        lines.left = box.left;
        lines.bottom = box.bottom;
        lines.right = box.right;
        lines.imagePath = QStringLiteral("sample-roads.shp");
        lines.caption = box.caption;
        lines.drawnWidth = roads.drawnSize().width();
        lines.drawnHeight = roads.drawnSize().height();
        ShapeDisplaySettings style = ShapeDisplaySettings::defaults(t.settings);
        style.labelColumn = 0;
        style.lineColour = 0x505050;
        style.labelColour = 0x303030;
        lines.shapeSettings = style;
        data.layers = {picture, lines};
        QFile out(folder + QStringLiteral("sample.map"));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(MapProjectFile::serialize(data));
    }

    TempHome t;
    const QString copy = t.home.mapsDir() + QStringLiteral("/Sample/");
    ASSERT_TRUE(QDir().mkpath(copy));
    for (const QString& name : QDir(folder).entryList({QStringLiteral("sample*")}, QDir::Files))
        ASSERT_TRUE(QFile::copy(folder + name, copy + name));
    ScriptedPrompter prompter;
    MapProject project(t.settings, t.home, prompter);
    project.load(copy + QStringLiteral("sample.map"));
    ASSERT_EQ(project.layerCount(), 2);
    EXPECT_TRUE(project.layer(0).isLoaded());
    EXPECT_TRUE(project.layer(1).isLoaded());
    EXPECT_EQ(project.layer(1).kind(), MapLayerContent::Shapefile);
    EXPECT_EQ(project.canvasSize(), QSize(1200, 920));
    ASSERT_TRUE(project.layer(1).content()->displaySettings());
    EXPECT_EQ(project.layer(1).content()->displaySettings()->labelColumn, 0);
}
