#include "app/GlobalObjects.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "controls/DialogRunner.h"
#include "maps/MapProject.h"
#include "maps/ui/CQuillonView.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "platform/ResourceStrings.h"
#include "platform/Settings.h"
#include "support/TempHome.h"
#include "support/Wait.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QtEndian>
#include <gtest/gtest.h>
#include <memory>

namespace {
using namespace Command;

const QColor kMapColour(40, 160, 90);

// A calibrated map image in the station home: 800 x 600 pixels over 40.0..41.0 N, 22.0..24.0 E.
QString writeMap(const TempHome& t, const QString& name = QStringLiteral("area"), QSize size = {800, 600},
                 const QByteArray& inf = "41.00.0N,022.00.0E\n40.00.0N,024.00.0E\nTest Area\n",
                 QColor colour = kMapColour) {
    const QString base = t.home.root() + QLatin1Char('/') + name;
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    EXPECT_TRUE(image.save(base + QStringLiteral(".png")));
    QFile f(base + QStringLiteral(".inf"));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inf);
    return base + QStringLiteral(".png");
}

struct MapView {
    TempHome t;
    ManualClock clock;
    ScriptedPrompter prompter;
    ScriptedDialogRunner dialogs;
    std::unique_ptr<GlobalObjects> station;
    std::unique_ptr<CQuillonView> view;

    MapView() {
        write(t.settings, Settings::MYCALL, QStringLiteral("N0QPA"));
        station = std::make_unique<GlobalObjects>(t.home, t.settings, clock, prompter);
        view = std::make_unique<CQuillonView>(*station, prompter, dialogs);
        view->setSynchronousRendering(true);
        view->resize(400, 300);
        view->show();
    }
    QWidget* port() const { return view->viewport(); }
    // A station decoded from a packet, as the air would give it.
    void hear(const QString& call, const QString& info) {
        const QString line = QStringLiteral(" 1:Fm %1 To APRS <UI pid=F0 Len=%2 >[12:00:00]\r%3\r")
                                 .arg(call, QString::number(info.size()), info);
        ASSERT_NE(station->stations().ProcessMonitorText(line, 0), nullptr);
        view->stationHeard(call, false);
    }
    QPoint stationPoint(double lat, double lon, bool moving = false) const {
        const QPointF p = view->toCanvas(lat, lon) + QPointF(view->canvasRect().topLeft());
        // Fixed symbols stand with their top-left corner 8 pixels up and left of the position.
        return moving ? p.toPoint() : p.toPoint();
    }
    void press(QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(pos), port()->mapToGlobal(QPointF(pos)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(port(), &e);
    }
    void drag(QPoint from, QPoint to) {
        press(QEvent::MouseButtonPress, from, Qt::LeftButton);
        const QPoint mid = (from + to) / 2;
        press(QEvent::MouseMove, mid, Qt::LeftButton);
        press(QEvent::MouseMove, to, Qt::LeftButton);
        press(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }
    void wheel(int delta) {
        QWheelEvent e(QPointF(200, 150), port()->mapToGlobal(QPointF(200, 150)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(port(), &e);
    }
};

} // namespace

TEST(MapView, WithoutALayerNothingOfTheMapOrTheStationsIsDrawn) {
    MapView m;
    m.hear("N0QPB", "!4030.00N/02300.00E-Home");
    EXPECT_EQ(m.view->caption(), "Untitled");
    EXPECT_TRUE(m.view->mapFile().isEmpty());
    const QImage image = m.view->renderToImage();
    // Only the view's own empty background: no map colour anywhere, no station hit.
    EXPECT_NE(image.pixelColor(200, 150), kMapColour);
    EXPECT_TRUE(m.view->stationAt(QPoint(200, 150)).isEmpty());
    EXPECT_FALSE(m.view->handlesCommand(ZoomIn));
    EXPECT_TRUE(m.view->handlesCommand(LoadMapFile));
}

TEST(MapView, LoadingAMapSetsTheCanvasCaptionAndDrawsIt) {
    MapView m;
    const QString file = writeMap(m.t);
    int captions = 0;
    m.view->captionChanged = [&] { ++captions; };
    ASSERT_TRUE(m.view->loadMap(file));
    EXPECT_EQ(m.view->canvasSize(), QSize(800, 600));
    EXPECT_EQ(m.view->caption(), "area.png");
    EXPECT_EQ(m.view->mapFile(), file);
    EXPECT_EQ(captions, 1);
    EXPECT_EQ(m.view->zoomPercentX(), 100);
    const QImage image = m.view->renderToImage();
    EXPECT_EQ(image.pixelColor(200, 150), kMapColour);
    // The map's centre maps to the centre pixel of the canvas.
    const QPointF centre = m.view->toCanvas(40.5, 23.0);
    EXPECT_NEAR(centre.x(), 400, 0.5);
    EXPECT_NEAR(centre.y(), 300, 0.5);
}

TEST(MapView, ZoomStepsStopAtTheFloorAndTheCeiling) {
    MapView m;
    ASSERT_TRUE(m.view->loadMap(writeMap(m.t)));
    m.view->runCommand(ZoomIn);
    EXPECT_EQ(m.view->zoomPercentX(), 110);
    EXPECT_EQ(m.view->canvasSize(), QSize(880, 660));
    m.view->runCommand(OriginalSize);
    EXPECT_EQ(m.view->canvasSize(), QSize(800, 600));
    m.view->zoomBy(-85); // 15 %
    EXPECT_EQ(m.view->zoomPercentX(), 15);
    m.view->runCommand(ZoomOut); // would be 5 %: refused
    EXPECT_EQ(m.view->zoomPercentX(), 15);
    m.view->zoomBy(5);
    m.view->runCommand(ZoomOut); // 20 % -> 10 %
    EXPECT_EQ(m.view->zoomPercentX(), 10);
    EXPECT_EQ(m.view->canvasSize(), QSize(80, 60));
    m.view->runCommand(Zoom400);
    EXPECT_EQ(m.view->zoomPercentX(), 410);
    for (int i = 0; i < 20; ++i) m.view->runCommand(Zoom400);
    EXPECT_EQ(m.view->zoomPercentX(), CQuillonView::kMaxZoom);
}

TEST(MapView, ZoomKeepsTheMiddleOfTheWindowInPlace) {
    MapView m;
    ASSERT_TRUE(m.view->loadMap(writeMap(m.t)));
    m.view->scrollTo(QPoint(100, 100));
    double lat0 = 0, lon0 = 0;
    m.view->toPosition(QPointF(m.view->scrollPosition() + QPoint(200, 150)), lat0, lon0);
    m.view->runCommand(Zoom100);
    EXPECT_EQ(m.view->zoomPercentX(), 200);
    double lat1 = 0, lon1 = 0;
    m.view->toPosition(QPointF(m.view->scrollPosition() + QPoint(200, 150)), lat1, lon1);
    EXPECT_NEAR(lat1, lat0, 0.005);
    EXPECT_NEAR(lon1, lon0, 0.005);
}

TEST(MapView, OneWheelNotchZoomsByTwentyPoints) {
    MapView m;
    ASSERT_TRUE(m.view->loadMap(writeMap(m.t)));
    m.wheel(120);
    EXPECT_EQ(m.view->zoomPercentX(), 120);
    m.wheel(-240);
    EXPECT_EQ(m.view->zoomPercentX(), 80);
    // Touchpad steps add up to a notch.
    m.wheel(30);
    EXPECT_EQ(m.view->zoomPercentX(), 80);
    m.wheel(30);
    EXPECT_EQ(m.view->zoomPercentX(), 90);
}

TEST(MapView, FitToWindowKeepsTheAspectAndCentresTheCanvas) {
    MapView m;
    ASSERT_TRUE(
        m.view->loadMap(writeMap(m.t, "wide", QSize(1600, 400), "41.00.0N,022.00.0E\n40.00.0N,026.00.0E\n")));
    m.view->runCommand(FitToWindow);
    const QSize window = m.port()->size();
    EXPECT_EQ(m.view->canvasSize().width(), window.width());
    EXPECT_EQ(m.view->canvasSize().height(), window.width() / 4);
    EXPECT_EQ(m.view->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(m.view->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(m.view->canvasRect().top(), (window.height() - window.width() / 4) / 2);
}

TEST(MapView, DraggingPansAndEachAxisStopsAtItsOwnEdge) {
    MapView m;
    ASSERT_TRUE(m.view->loadMap(writeMap(m.t)));
    m.view->scrollTo(QPoint(0, 100));
    // Dragging right and up: x would go below 0, y moves on.
    m.drag(QPoint(100, 200), QPoint(160, 150));
    EXPECT_EQ(m.view->scrollPosition(), QPoint(0, 150));
    m.drag(QPoint(200, 200), QPoint(150, 200));
    EXPECT_EQ(m.view->scrollPosition(), QPoint(50, 150));
    // Far past the bottom-right corner.
    m.drag(QPoint(390, 290), QPoint(-2000, -2000));
    EXPECT_EQ(m.view->scrollPosition(),
              QPoint(m.view->horizontalScrollBar()->maximum(), m.view->verticalScrollBar()->maximum()));
}

TEST(MapView, DoubleClickOnTheMapGlidesThePointToTheMiddle) {
    MapView m;
    ASSERT_TRUE(m.view->loadMap(writeMap(m.t)));
    m.view->scrollTo(QPoint(200, 150));
    const QPoint start = m.view->scrollPosition();
    QTest::mouseDClick(m.port(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 250));
    ASSERT_TRUE(waitUntil([&] { return m.view->scrollPosition() != start; }, 2000));
    ASSERT_TRUE(waitUntil([&] { return m.view->scrollPosition() == start + QPoint(100, 100); }, 2000));
}

TEST(MapView, StationsAreFoundUnderThePointerWithOrWithoutLabels) {
    MapView m;
    ASSERT_TRUE(m.view->loadMap(writeMap(m.t)));
    m.hear("N0QPB", "!4030.00N/02300.00E-Home");
    m.view->centreOn(40.5, 23.0);
    m.view->renderToImage();
    const QPoint at = m.stationPoint(40.5, 23.0);
    EXPECT_EQ(m.view->stationAt(at), "N0QPB");
    EXPECT_TRUE(m.view->stationAt(at + QPoint(-40, 40)).isEmpty());
    write(m.t.settings, Settings::LABELTYPE, 2);
    m.view->renderToImage();
    EXPECT_EQ(m.view->stationAt(at), "N0QPB");
}

TEST(MapView, DoubleClickOnAStationOpensItsDetails) {
    MapView m;
    ASSERT_TRUE(m.view->loadMap(writeMap(m.t)));
    m.hear("N0QPB", "!4030.00N/02300.00E-Home");
    m.view->centreOn(40.5, 23.0);
    m.view->renderToImage();
    QTest::mouseDClick(m.port(), Qt::LeftButton, Qt::NoModifier, m.stationPoint(40.5, 23.0));
    ASSERT_EQ(m.dialogs.shown.size(), 1);
    EXPECT_EQ(m.dialogs.shown.front(), "DlgStationStatic");
    EXPECT_EQ(m.view->chosenStation(), "N0QPB");
    EXPECT_TRUE(m.view->handlesCommand(StationDetails));
}

TEST(MapView, TheStationTypeFilterIsAToggleGroup) {
    MapView m;
    ASSERT_TRUE(m.view->loadMap(writeMap(m.t)));
    EXPECT_TRUE(m.view->isCommandChecked(StationsAll));
    m.view->runCommand(StationsWeather);
    EXPECT_EQ(m.view->stationFilter(), 2);
    EXPECT_TRUE(m.view->isCommandChecked(StationsWeather));
    EXPECT_FALSE(m.view->isCommandChecked(StationsAll));
    m.hear("N0QPB", "!4030.00N/02300.00E-Home");
    m.view->centreOn(40.5, 23.0);
    m.view->renderToImage();
    EXPECT_TRUE(m.view->stationAt(m.stationPoint(40.5, 23.0)).isEmpty());
    m.view->runCommand(StationsFixed);
    m.view->renderToImage();
    EXPECT_EQ(m.view->stationAt(m.stationPoint(40.5, 23.0)), "N0QPB");
}

TEST(MapView, DrawCoverageTogglesItsSetting) {
    MapView m;
    EXPECT_TRUE(m.view->isCommandChecked(DrawCoverage));
    m.view->runCommand(DrawCoverage);
    EXPECT_EQ(read(m.t.settings, Settings::PHGRANGEDRAW), 0);
    EXPECT_FALSE(m.view->isCommandChecked(DrawCoverage));
}

TEST(MapView, TheVisibleAreaRestoresZoomAndScroll) {
    MapView m;
    const QString file = writeMap(m.t);
    ASSERT_TRUE(m.view->loadMap(file));
    m.view->runCommand(Zoom50);
    m.view->scrollTo(QPoint(120, 90));
    const QByteArray area = m.view->visibleArea();
    ASSERT_EQ(area.size(), 16);
    EXPECT_EQ(qFromLittleEndian<qint32>(area.constData()), -120);
    EXPECT_EQ(qFromLittleEndian<qint32>(area.constData() + 8), 1200 - 120);

    MapView other;
    ASSERT_TRUE(other.view->loadMap(file));
    other.view->setVisibleArea(area);
    EXPECT_EQ(other.view->canvasSize(), QSize(1200, 900));
    EXPECT_EQ(other.view->zoomPercentX(), 150);
    EXPECT_EQ(other.view->scrollPosition(), QPoint(120, 90));
    // Values of the wrong size or shape change nothing.
    other.view->setVisibleArea(QByteArray(15, '\0'));
    other.view->setVisibleArea(QByteArray(16, '\0'));
    EXPECT_EQ(other.view->canvasSize(), QSize(1200, 900));
}

TEST(MapView, StationUpdatesAreCoalescedIntoAFewRepaints) {
    MapView m;
    ASSERT_TRUE(m.view->loadMap(writeMap(m.t)));
    m.view->centreOn(40.5, 23.0);
    m.view->renderToImage();
    QCoreApplication::processEvents();
    const int before = m.view->repaintCount();
    for (int i = 0; i < 30; ++i)
        m.hear("N0QPB", QStringLiteral("!4030.%1N/02300.00E-Moving").arg(i, 2, 10, QLatin1Char('0')));
    EXPECT_EQ(m.view->repaintCount(), before); // nothing painted inside the burst
    QTest::qWait(250);
    EXPECT_GE(m.view->repaintCount(), before + 1);
    EXPECT_LE(m.view->repaintCount(), before + 3);
}

TEST(MapView, ReplacingAMapAsksFirstAndNoKeepsIt) {
    MapView m;
    const QString first = writeMap(m.t, "first");
    const QString second = writeMap(m.t, "second");
    ASSERT_TRUE(m.view->loadMap(first));
    m.view->openFileName = [&](const QString&, const QString&) { return second; };
    m.prompter.answers = {Prompter::Answer::No};
    m.view->runCommand(LoadMapFile);
    ASSERT_EQ(m.prompter.asked.size(), 1);
    EXPECT_EQ(m.prompter.asked.front(), ResourceStrings::text(ResourceStrings::ReplaceMapProject));
    EXPECT_EQ(m.view->mapFile(), first);
    m.prompter.answers = {Prompter::Answer::Yes};
    m.view->runCommand(LoadMapFile);
    EXPECT_EQ(m.view->mapFile(), second);
}

TEST(MapView, AnUnreadableMapIsReportedAndLeavesTheViewEmpty) {
    MapView m;
    const QString bad = m.t.home.root() + QStringLiteral("/broken.png");
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not an image at all");
    f.close();
    m.view->openFileName = [&](const QString&, const QString&) { return bad; };
    m.view->runCommand(LoadMapFile);
    ASSERT_EQ(m.prompter.reported.size(), 1);
    EXPECT_TRUE(m.prompter.reported.front().contains("broken.png"));
    EXPECT_EQ(m.view->caption(), "Untitled");
}

TEST(MapView, AddingTheSameLayerTwiceIsRefused) {
    MapView m;
    const QString file = writeMap(m.t);
    ASSERT_TRUE(m.view->loadMap(file));
    m.view->openFileName = [&](const QString&, const QString&) { return file; };
    m.view->runCommand(AddLayer);
    ASSERT_EQ(m.prompter.reported.size(), 1);
    EXPECT_EQ(m.prompter.reported.front(), ResourceStrings::text(ResourceStrings::MapAlreadyLoaded));
    EXPECT_EQ(m.view->project().layerCount(), 1);
}

TEST(MapView, ALayerBeyondTheMapGrowsTheCanvasAndKeepsTheZoom) {
    MapView m;
    ASSERT_TRUE(m.view->loadMap(writeMap(m.t)));
    m.view->runCommand(Zoom100); // 200 %
    // A map just east of the first, of the same scale.
    const QString east = writeMap(m.t, "east", QSize(400, 600), "41.00.0N,024.00.0E\n40.00.0N,025.00.0E\n",
                                  QColor(200, 60, 60));
    m.view->openFileName = [&](const QString&, const QString&) { return east; };
    m.view->runCommand(AddLayer);
    EXPECT_EQ(m.view->project().layerCount(), 2);
    EXPECT_EQ(m.view->project().canvasSize(), QSize(1200, 600));
    EXPECT_EQ(m.view->canvasSize(), QSize(2400, 1200));
    EXPECT_EQ(m.view->zoomPercentX(), 200);
}

TEST(MapView, TheBaseLayersRenderOffTheEventLoop) {
    MapView m;
    m.view->setSynchronousRendering(false);
    ASSERT_TRUE(m.view->loadMap(writeMap(m.t)));
    ASSERT_TRUE(waitUntil(
        [&] {
            QCoreApplication::processEvents();
            return m.view->renderToImage().pixelColor(200, 150) == kMapColour;
        },
        5000));
}

TEST(MapView, ASaveAndLoadOfTheProjectComesBackToTheSameScroll) {
    MapView m;
    ASSERT_TRUE(m.view->loadMap(writeMap(m.t)));
    m.view->scrollTo(QPoint(150, 120));
    const QString projectFile = m.t.home.root() + QStringLiteral("/Maps/Map Projects/area.map");
    m.view->saveFileName = [&](const QString&, const QString& proposed, const QString&) {
        EXPECT_TRUE(proposed.endsWith(QStringLiteral(".map")));
        return projectFile;
    };
    QMenu* menu = nullptr;
    (void)menu;
    // Through the project directly, then loaded into a new view.
    ASSERT_TRUE(m.view->project().save(projectFile, m.view->scrollPosition()));
    MapView other;
    ASSERT_TRUE(other.view->loadMap(projectFile));
    EXPECT_EQ(other.view->scrollPosition(), QPoint(150, 120));
    EXPECT_EQ(other.view->mapFile(), projectFile);
    EXPECT_EQ(other.view->caption(), "area.map");
}

TEST(MapView, AProjectLoadsOnAWorkerAndTakesTheVisibleAreaGivenMeanwhile) {
    MapView m;
    ASSERT_TRUE(m.view->loadMap(writeMap(m.t)));
    const QString projectFile = m.t.home.mapProjectsDir() + QStringLiteral("/area.map");
    ASSERT_TRUE(m.view->project().save(projectFile, QPoint(30, 40)));
    m.view->runCommand(Zoom50);
    m.view->scrollTo(QPoint(60, 70));
    const QByteArray area = m.view->visibleArea();

    MapView other;
    other.view->setSynchronousRendering(false);
    ASSERT_TRUE(other.view->loadMap(projectFile));
    other.view->setVisibleArea(area); // as the window restores it, before the load is done
    ASSERT_TRUE(waitUntil([&] { return !other.view->isLoading(); }, 5000));
    EXPECT_EQ(other.view->project().layerCount(), 1);
    EXPECT_EQ(other.view->zoomPercentX(), 150);
    EXPECT_EQ(other.view->scrollPosition(), QPoint(60, 70));
    EXPECT_TRUE(other.prompter.reported.isEmpty());
}
