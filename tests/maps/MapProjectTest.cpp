#include "maps/MapProject.h"
#include "maps/MapProjectFile.h"
#include "maps/RasterMap.h"
#include "platform/DataFile.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "platform/gui/WinColor.h"
#include "support/TempHome.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// A shapefile stand-in whose file holds "top left bottom right width height [hit]"; it paints its
// target in its fill colour.
class FakeShape final : public MapLayerContent {
public:
    Kind kind() const override { return Shapefile; }
    bool load(const QString& path) override {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return false;
        const QList<QByteArray> v = f.readAll().simplified().split(' ');
        if (v.size() < 6) return false;
        m_details = MapDetails::fromCorners(path, QStringLiteral("TEST"), v[0].toDouble(), v[1].toDouble(),
                                            v[2].toDouble(), v[3].toDouble());
        m_drawn = QSize(v[4].toInt(), v[5].toInt());
        m_answer = v.size() > 6 && v[6] == "hit";
        return true;
    }
    const MapDetails& details() const override { return m_details; }
    QSize drawnSize() const override { return m_drawn; }
    void setDrawnSize(QSize size) override { m_drawn = size; }
    void draw(QPainter& painter, const QRectF& target, const MapDrawContext&) const override {
        painter.fillRect(target, WinColor::toQColor(m_settings ? m_settings->fillColour : 0));
    }
    bool hit(double, double, const GeoProjection&, double) override {
        ++hits;
        return m_answer;
    }
    std::optional<ShapeDisplaySettings> displaySettings() const override { return m_settings; }
    void setDisplaySettings(const ShapeDisplaySettings& s) override { m_settings = s; }

    int hits = 0;

private:
    MapDetails m_details;
    QSize m_drawn;
    bool m_answer = false;
    std::optional<ShapeDisplaySettings> m_settings;
};

std::unique_ptr<MapLayerContent> testContent(MapLayerContent::Kind kind) {
    if (kind == MapLayerContent::Raster) return std::make_unique<RasterMap>();
    if (kind == MapLayerContent::Shapefile) return std::make_unique<FakeShape>();
    return nullptr;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray readFile(const QString& path) {
    return DataFiles::readAll(path).value_or(QByteArray());
}

struct ProjectFixture : ::testing::Test {
    TempHome t;
    ScriptedPrompter prompter;
    MapProject project{t.settings, t.home, prompter, testContent};
    QString maps = t.home.mapsDir();

    // A PNG of one colour with its ".inf" file.
    QString rasterMap(const QString& name, QSize size, QColor colour, const QByteArray& inf) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = maps + QLatin1Char('/') + name + QStringLiteral(".png");
        EXPECT_TRUE(image.save(path, "PNG"));
        writeFile(maps + QLatin1Char('/') + name + QStringLiteral(".inf"), inf);
        return path;
    }
    QString west() { // 1 x 1 degree at 100 pixels a degree
        return rasterMap(QStringLiteral("west"), {100, 100}, Qt::red,
                         "38.00.0N,023.00.0E\n37.00.0N,024.00.0E\nWest\n");
    }
    QString east() {
        return rasterMap(QStringLiteral("east"), {100, 100}, Qt::blue,
                         "38.00.0N,024.00.0E\n37.00.0N,025.00.0E\nEast\n");
    }
    QString corner() { // half a degree each way, north-east of west
        return rasterMap(QStringLiteral("corner"), {50, 50}, Qt::yellow,
                         "38.00.0N,024.00.0E\n37.30.0N,024.30.0E\nCorner\n");
    }
    QString shape(const QString& name, const QByteArray& text) {
        const QString path = maps + QLatin1Char('/') + name;
        writeFile(path, text);
        return path;
    }
    QImage paint(const MapProject& p, QColor under = Qt::green) {
        QImage image(p.canvasSize().isEmpty() ? QSize(50, 50) : p.canvasSize(), QImage::Format_RGB32);
        image.setDevicePixelRatio(1);
        image.fill(under);
        QPainter painter(&image);
        MapDrawContext context;
        context.visible = QRectF(QPointF(0, 0), image.size());
        drawProjectSnapshot(painter, *p.snapshot(), context);
        return image;
    }
    static FakeShape* fake(const MapProject& p, int i) {
        return dynamic_cast<FakeShape*>(p.layer(i).content().get());
    }
};

} // namespace

TEST_F(ProjectFixture, OpenThenAddLayersKeepingPixelsPerDegree) {
    ASSERT_TRUE(project.openMapFile(west()));
    ASSERT_EQ(project.layerCount(), 1);
    EXPECT_EQ(project.layer(0).kind(), MapLayerContent::Raster);
    EXPECT_EQ(project.canvasSize(), QSize(100, 100));
    EXPECT_EQ(project.rectangle().caption, QStringLiteral("West"));
    EXPECT_EQ(project.rectangle().sourceKind, MapDetails::ProjectCorners);

    ASSERT_TRUE(project.addLayer(east()));
    EXPECT_DOUBLE_EQ(project.rectangle().left, 23.0);
    EXPECT_DOUBLE_EQ(project.rectangle().right, 25.0);
    EXPECT_EQ(project.canvasSize(), QSize(200, 100)) << "the canvas grows instead of squeezing the maps";
    const QImage image = paint(project);
    EXPECT_EQ(image.pixelColor(50, 50), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(150, 50), QColor(Qt::blue));

    // The same file again, however it is spelt: refused with the stop icon, nothing changes.
    EXPECT_FALSE(project.addLayer(maps + QStringLiteral("/./east.png")));
    ASSERT_EQ(prompter.reported, QStringList{QStringLiteral("This Map Is Already Loaded!")});
    EXPECT_EQ(prompter.reportedIcons.front(), Prompter::Icon::Stop);
    EXPECT_EQ(project.layerCount(), 2);

    // Files that do not load add nothing and never widen the rectangle.
    writeFile(maps + QStringLiteral("/broken.png"), "not an image");
    writeFile(maps + QStringLiteral("/broken.inf"), "50.00.0N,010.00.0E\n40.00.0N,020.00.0E\n");
    EXPECT_FALSE(project.addLayer(maps + QStringLiteral("/broken.png")));
    EXPECT_FALSE(project.addLayer(maps + QStringLiteral("/missing.png")));
    EXPECT_FALSE(project.addLayer(QStringLiteral("/dev/zero")));
    EXPECT_EQ(project.layerCount(), 2);
    EXPECT_DOUBLE_EQ(project.rectangle().top, 38.0);
    EXPECT_EQ(project.canvasSize(), QSize(200, 100));
    EXPECT_EQ(prompter.reported.size(), 1);
}

TEST_F(ProjectFixture, DrawsNothingWhenEmptyAndTheBackgroundAroundLayers) {
    EXPECT_EQ(paint(project).pixelColor(10, 10), QColor(Qt::green));
    write(t.settings, Settings::MAPBACKCOLOR, 0x00FF00FF); // magenta, red in the low byte
    ASSERT_TRUE(project.openMapFile(west()));
    EXPECT_EQ(project.backgroundColour(), 0x00FF00FFu);
    ASSERT_TRUE(project.addLayer(corner()));
    EXPECT_EQ(project.canvasSize(), QSize(150, 100));
    const QImage image = paint(project);
    EXPECT_EQ(image.pixelColor(50, 50), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(125, 25), QColor(Qt::yellow));
    EXPECT_EQ(image.pixelColor(125, 75), QColor(Qt::magenta));

    // A zoomed view draws the same snapshot scaled to its canvas.
    QImage zoomed(300, 200, QImage::Format_RGB32);
    zoomed.fill(Qt::green);
    QPainter painter(&zoomed);
    const LinearProjection projection(project.rectangle(), QSizeF(300, 200));
    MapDrawContext context;
    context.projection = &projection;
    context.visible = QRectF(0, 0, 300, 200);
    drawProjectSnapshot(painter, *project.snapshot(), context);
    painter.end();
    EXPECT_EQ(zoomed.pixelColor(250, 50), QColor(Qt::yellow));
    EXPECT_EQ(zoomed.pixelColor(250, 150), QColor(Qt::magenta));
    EXPECT_EQ(zoomed.pixelColor(100, 100), QColor(Qt::red));
}

TEST_F(ProjectFixture, SavedProjectLoadsBackAndSavesByteIdentical) {
    ASSERT_TRUE(project.openMapFile(west()));
    ASSERT_TRUE(project.addLayer(shape(QStringLiteral("roads.shp"), "38 23 37.5 24.5 10 10")));
    ASSERT_TRUE(project.addLayer(corner()));
    ShapeDisplaySettings labelled = *fake(project, 1)->displaySettings();
    labelled.labelColumn = 5;
    fake(project, 1)->setDisplaySettings(labelled);
    const QString path = t.home.mapProjectsDir() + QStringLiteral("/three.map");
    ASSERT_TRUE(project.save(path, QPoint(30, 40)));
    EXPECT_EQ(project.filePath(), path);

    MapProject again(t.settings, t.home, prompter, testContent);
    EXPECT_EQ(again.load(path), QPoint(30, 40));
    ASSERT_EQ(again.layerCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(again.layer(i).isLoaded());
        EXPECT_EQ(again.layer(i).path(), project.layer(i).path());
        EXPECT_EQ(again.layer(i).details().caption, project.layer(i).details().caption);
        EXPECT_EQ(again.layer(i).details().top, project.layer(i).details().top);
        EXPECT_EQ(again.layer(i).details().right, project.layer(i).details().right);
    }
    EXPECT_EQ(again.layer(1).kind(), MapLayerContent::Shapefile);
    EXPECT_EQ(fake(again, 1)->displaySettings()->labelColumn, 5) << "the saved label column takes effect";
    EXPECT_EQ(again.canvasSize(), project.canvasSize());
    EXPECT_EQ(again.filePath(), path);

    const QString copy = t.home.mapProjectsDir() + QStringLiteral("/copy.map");
    ASSERT_TRUE(again.save(copy, QPoint(30, 40)));
    EXPECT_EQ(readFile(copy), readFile(path));
}

TEST_F(ProjectFixture, MissingMiddleLayerIsKeptWhole) {
    ASSERT_TRUE(project.openMapFile(west()));
    const QString roads = shape(QStringLiteral("roads.shp"), "38 23 37.5 24.5 10 10");
    ASSERT_TRUE(project.addLayer(roads));
    ASSERT_TRUE(project.addLayer(corner()));
    const QString path = t.home.mapProjectsDir() + QStringLiteral("/three.map");
    ASSERT_TRUE(project.save(path, QPoint(1, 2)));
    ASSERT_TRUE(QFile::remove(roads));

    MapProject again(t.settings, t.home, prompter, testContent);
    again.load(path);
    ASSERT_EQ(again.layerCount(), 3);
    EXPECT_FALSE(again.layer(1).isLoaded());
    ASSERT_TRUE(again.layer(1).placeholder());
    EXPECT_EQ(again.layer(1).path(), roads);
    EXPECT_TRUE(again.layer(2).isLoaded()) << "the layer after a missing one still reads";
    EXPECT_EQ(again.layer(2).details().caption, QStringLiteral("Corner"));
    EXPECT_EQ(paint(again).pixelColor(125, 25), QColor(Qt::yellow));
    const QString copy = t.home.mapProjectsDir() + QStringLiteral("/copy.map");
    ASSERT_TRUE(again.save(copy, QPoint(1, 2)));
    EXPECT_EQ(readFile(copy), readFile(path));
    EXPECT_FALSE(prompter.reported.size());
}

TEST_F(ProjectFixture, MovedFilesAreFoundByNameInTheProjectFolder) {
    west();
    corner();
    const QString folder = t.home.mapProjectsDir();
    for (const char* name : {"west.png", "west.inf", "corner.png", "corner.inf"})
        ASSERT_TRUE(QFile::rename(maps + QLatin1Char('/') + QLatin1String(name),
                                  folder + QLatin1Char('/') + QLatin1String(name)));
    // Written on the device: backslashes, another root. And names the search must not follow.
    MapProjectData data;
    data.top = 38;
    data.left = 23;
    data.bottom = 37;
    data.right = 24.5;
    data.canvasWidth = 150;
    data.canvasHeight = 100;
    for (const char* stored : {"\\My Documents\\Maps\\west.png", "/gone/corner.png", "/gone/..", "..", ""}) {
        MapLayerRecord r;
        r.kind = 1;
        r.top = 38;
        r.left = 23;
        r.bottom = 37;
        r.right = 24;
        r.imagePath = QString::fromLatin1(stored);
        r.drawnWidth = 100;
        r.drawnHeight = 100;
        data.layers.push_back(r);
    }
    const QString path = folder + QStringLiteral("/moved.map");
    ASSERT_TRUE(DataFiles::saveAtomically(path, MapProjectFile::serialize(data)));
    EXPECT_EQ(project.load(path), QPoint(0, 0));
    ASSERT_EQ(project.layerCount(), 5);
    EXPECT_TRUE(project.layer(0).isLoaded());
    EXPECT_EQ(project.layer(0).path(), folder + QStringLiteral("/west.png"));
    EXPECT_TRUE(project.layer(1).isLoaded());
    EXPECT_EQ(project.layer(1).path(), folder + QStringLiteral("/corner.png"));
    for (int i = 2; i < 5; ++i) EXPECT_FALSE(project.layer(i).isLoaded()) << i;
}

TEST_F(ProjectFixture, DevicesAndPipesInProjectFilesAreNotOpened) {
    const QString fifo = maps + QStringLiteral("/pipe.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    MapProjectData data;
    for (const QString& stored : {fifo, QStringLiteral("/dev/zero"), west()}) {
        MapLayerRecord r;
        r.kind = 1;
        r.top = 38;
        r.left = 23;
        r.bottom = 37;
        r.right = 24;
        r.imagePath = stored;
        data.layers.push_back(r);
    }
    const QString path = maps + QStringLiteral("/devices.map");
    ASSERT_TRUE(DataFiles::saveAtomically(path, MapProjectFile::serialize(data)));
    QElapsedTimer timer;
    timer.start();
    project.load(path);
    ASSERT_EQ(project.layerCount(), 3);
    EXPECT_FALSE(project.layer(0).isLoaded());
    EXPECT_FALSE(project.layer(1).isLoaded());
    EXPECT_TRUE(project.layer(2).isLoaded());
    EXPECT_EQ(project.canvasSize(), QSize(100, 100)) << "no canvas stored: the first loaded layer's size";
    EXPECT_FALSE(project.openMapFile(fifo));
    EXPECT_TRUE(project.isEmpty());
}

TEST_F(ProjectFixture, ShapefileFirstLayerGetsACanvasAndTheDefaults) {
    write(t.settings, Settings::MAPFILLCOLOR, 0x00FF0000); // blue
    ASSERT_TRUE(project.openMapFile(shape(QStringLiteral("MAP.SHP"), "38 22 37 24 0 0 hit")));
    EXPECT_EQ(project.layer(0).kind(), MapLayerContent::Shapefile);
    EXPECT_EQ(project.canvasSize(), QSize(1000, 500));
    EXPECT_EQ(project.layer(0).content()->drawnSize(), QSize(1000, 500));
    EXPECT_EQ(project.rectangle().caption, QStringLiteral("TEST"));
    EXPECT_EQ(fake(project, 0)->displaySettings()->fillColour, 0x00FF0000u);
    EXPECT_EQ(paint(project).pixelColor(500, 250), QColor(Qt::blue));

    // Shapes answer hits; rasters are not asked.
    ASSERT_TRUE(project.addLayer(west()));
    const LinearProjection projection(project.rectangle(), QSizeF(project.canvasSize()));
    EXPECT_TRUE(project.hitShape(37.5, 23.5, projection, 4));
    EXPECT_EQ(fake(project, 0)->hits, 1);

    MapProject rasterOnly(t.settings, t.home, prompter, testContent);
    ASSERT_TRUE(rasterOnly.openMapFile(east()));
    EXPECT_FALSE(rasterOnly.hitShape(37.5, 24.5, projection, 4));
}

TEST_F(ProjectFixture, OtherFilesAndVersions) {
    // Not a ".map": opened as a map file.
    EXPECT_EQ(project.load(west()), QPoint(0, 0));
    EXPECT_EQ(project.layerCount(), 1);
    EXPECT_TRUE(project.filePath().isEmpty());

    MapProjectData data;
    data.canvasWidth = 100;
    data.canvasHeight = 100;
    data.scrollX = 7;
    MapLayerRecord r;
    r.kind = 1;
    r.top = 38;
    r.left = 23;
    r.bottom = 37;
    r.right = 24;
    r.imagePath = west();
    data.layers.push_back(r);
    QByteArray bytes = MapProjectFile::serialize(data);
    bytes[0] = 6;
    const QString wrong = maps + QStringLiteral("/wrong.MAP");
    ASSERT_TRUE(DataFiles::saveAtomically(wrong, bytes));
    EXPECT_EQ(project.load(wrong), QPoint(0, 0));
    EXPECT_TRUE(project.isEmpty());
    EXPECT_TRUE(project.filePath().isEmpty());
    EXPECT_EQ(paint(project).pixelColor(1, 1), QColor(Qt::green));
    bytes[0] = 5;
    ASSERT_TRUE(DataFiles::saveAtomically(wrong, bytes));
    EXPECT_EQ(project.load(wrong), QPoint(7, 0));
    EXPECT_EQ(project.layerCount(), 1);
}

TEST_F(ProjectFixture, SaveFailuresAndTheProposedName) {
    ASSERT_TRUE(project.openMapFile(west()));
    EXPECT_EQ(project.proposedSaveAsPath(), t.home.mapProjectsDir() + QStringLiteral("/West.map"));
    EXPECT_FALSE(project.save(t.home.root() + QStringLiteral("/no/such/folder/x.map")));
    EXPECT_TRUE(project.filePath().isEmpty());
    const QString target = t.home.mapProjectsDir() + QStringLiteral("/West.map");
    writeFile(target, "old contents");
    ASSERT_TRUE(project.save(target));
    EXPECT_TRUE(MapProjectFile::parse(readFile(target)));

    // Captions come from files: a name that would leave the folder is escaped.
    rasterMap(QStringLiteral("evil"), {10, 10}, Qt::red,
              "38.00.0N,023.00.0E\n37.00.0N,024.00.0E\n../../escape\n");
    ASSERT_TRUE(project.openMapFile(maps + QStringLiteral("/evil.png")));
    const QString proposed = project.proposedSaveAsPath();
    EXPECT_TRUE(proposed.startsWith(t.home.mapProjectsDir() + QLatin1Char('/')));
    EXPECT_FALSE(proposed.mid(t.home.mapProjectsDir().size() + 1).contains(QLatin1Char('/')));
    EXPECT_TRUE(proposed.endsWith(QStringLiteral(".map")));
}

TEST_F(ProjectFixture, RemovingLayers) {
    ASSERT_TRUE(project.openMapFile(west()));
    ASSERT_TRUE(project.addLayer(east()));
    ASSERT_TRUE(project.addLayer(corner()));
    project.removeLayer(0);
    ASSERT_EQ(project.layerCount(), 2);
    EXPECT_EQ(project.rectangle().caption, QStringLiteral("East"));
    const auto before = project.snapshot();
    project.markForRemoval(1);
    EXPECT_EQ(project.snapshot()->layers.size(), 1u) << "a marked layer is not drawn";
    EXPECT_EQ(before->layers.size(), 2u) << "snapshots already taken stay as they were";
    EXPECT_TRUE(project.removeMarkedLayers());
    EXPECT_FALSE(project.removeMarkedLayers());
    ASSERT_EQ(project.layerCount(), 1);
    project.removeLayer(5);
    project.removeLayer(0);
    EXPECT_TRUE(project.isEmpty());
    EXPECT_TRUE(project.canvasSize().isEmpty());
    EXPECT_FALSE(project.snapshot()->hasLayers);
}
