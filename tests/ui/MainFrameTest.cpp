#include "app/GlobalObjects.h"
#include "aprs/ui/StationListView.h"
#include "aprsis/APRSServerClient.h"
#include "controls/DialogRunner.h"
#include "controls/MapViewTab.h"
#include "messaging/ui/MsgView.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "support/TempHome.h"
#include "ui/CMainFrame.h"
#include "ui/FirstRunBanner.h"
#include "ui/PlaceholderMapView.h"
#include "ui/ScreenshotWriter.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {
using namespace Command;

// A map view that zooms: it handles the zoom commands itself and records what it ran.
class ZoomingMapView : public PlaceholderMapView {
public:
    using PlaceholderMapView::PlaceholderMapView;
    QList<int> ran;
    QStringList heard;
    void stationHeard(const QString& call, bool) override { heard << call; }
    bool handlesCommand(int id) const override { return id == ZoomIn || id == ZoomOut; }
    void runCommand(int id) override { ran << id; }
};

struct Window {
    TempHome t;
    ManualClock clock;
    ScriptedPrompter prompter;
    ScriptedDialogRunner dialogs;
    std::unique_ptr<GlobalObjects> station;
    std::unique_ptr<CMainFrame> frame;

    Window() { write(t.settings, Settings::MYCALL, QStringLiteral("N0QPA")); }
    CMainFrame& open(CMainFrame::MapViewFactory factory = {}) {
        frame.reset();
        station = std::make_unique<GlobalObjects>(t.home, t.settings, clock, prompter);
        frame = std::make_unique<CMainFrame>(*station, prompter, dialogs, std::move(factory));
        return *frame;
    }
    // The stored value as a new reader of the file sees it.
    QVariant stored(const QString& key) {
        QSettings file(t.settings.filePath(), QSettings::IniFormat);
        return file.value(key);
    }
    QStringList tabTexts() const {
        QStringList texts;
        for (int i = 0; i < frame->tabs()->count(); ++i) texts << frame->tabs()->tabText(i);
        return texts;
    }
};

QByteArray area(int left, int top, int right, int bottom) {
    QByteArray b;
    for (qint32 v : {left, top, right, bottom})
        for (int i = 0; i < 4; ++i) b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    return b;
}
} // namespace

TEST(MainFrame, FixedTabsComeFirstAndEachTabHasItsToolbar) {
    Window w;
    CMainFrame& f = w.open();
    EXPECT_EQ(w.tabTexts(), (QStringList{"Monitor", "Stations", "Msg", "GPS"}));
    EXPECT_EQ(f.tabs()->currentIndex(), 0);
    const std::vector<int> monitor{NewMapView, LoadMapFile, 0, TxPosition, Properties};
    EXPECT_EQ(f.currentToolbar(), monitor);
    f.tabs()->setCurrentIndex(1);
    EXPECT_EQ(f.currentToolbar(),
              (std::vector<int>{StationDelete, StationDetails, StationSendMessage, FindBestMap}));
    f.tabs()->setCurrentIndex(2);
    EXPECT_EQ(f.currentToolbar(), (std::vector<int>{Reply, Forward, 0, SendMessage, StopSending, 0,
                                                    ViewOnlyMine, ViewAllMessages, ViewOnlyBulletins}));
    f.tabs()->setCurrentIndex(3);
    EXPECT_EQ(f.currentToolbar(), monitor);
    f.runCommand(NewMapView);
    EXPECT_EQ(f.tabs()->currentIndex(), 4);
    EXPECT_EQ(f.tabs()->tabText(4), "Untitled");
    EXPECT_EQ(f.currentToolbar(), (std::vector<int>{NewMapView, LoadMapFile, AddLayer, 0, ZoomOut, ZoomIn,
                                                    OriginalSize, FitToWindow, 0, TxPosition}));
    // The toolbar's buttons are the menu's commands, with their texts.
    EXPECT_EQ(f.action(TxPosition)->text(), "Tx Position");
    EXPECT_EQ(f.action(ConnectAprsServer)->text(), "Connect To APRS Server...");
    EXPECT_EQ(f.action(SaveMapSelections)->text(), "Save Current Map Selections");
}

TEST(MainFrame, CloseOnlyClosesMapViewsAndSelectsTheTabToTheLeft) {
    Window w;
    CMainFrame& f = w.open();
    for (int fixed = 0; fixed < CMainFrame::kFixedTabs; ++fixed) {
        f.tabs()->setCurrentIndex(fixed);
        EXPECT_FALSE(f.isCommandEnabled(CloseMapView));
        f.runCommand(CloseMapView);
        f.closeMapView(); // refused even when asked directly
        EXPECT_EQ(f.tabs()->count(), 4);
    }
    f.runCommand(NewMapView);
    f.runCommand(NewMapView);
    ASSERT_EQ(f.tabs()->count(), 6);
    EXPECT_TRUE(f.isCommandEnabled(CloseMapView));
    f.runCommand(CloseMapView);
    EXPECT_EQ(f.tabs()->count(), 5);
    EXPECT_EQ(f.tabs()->currentIndex(), 4);
    f.runCommand(CloseMapView);
    EXPECT_EQ(f.tabs()->count(), 4);
    EXPECT_EQ(f.tabs()->currentIndex(), 3);
}

TEST(MainFrame, SavingMapSelectionsClearsOldEntriesSoTheNextStartRestoresWhatWasOpen) {
    Window w;
    for (int n = 0; n < 3; ++n)
        write(w.t.settings, Settings::MAPVIEW, n, QStringLiteral("/maps/map%1.map").arg(n));
    write(w.t.settings, Settings::MAPZOOM, 2, area(10, 20, 110, 220));
    write(w.t.settings, Settings::ACTIVE, 6);
    // Views that keep the files they were given, so the window's bookkeeping is what is tested.
    const auto placeholders = [](QWidget* parent) { return new PlaceholderMapView(parent); };
    CMainFrame& f = w.open(placeholders);
    EXPECT_EQ(w.tabTexts(), (QStringList{"Monitor", "Stations", "Msg", "GPS", "map0", "map1", "map2"}));
    EXPECT_EQ(f.tabs()->currentIndex(), 6);
    EXPECT_EQ(f.mapViewAt(6)->visibleArea(), area(10, 20, 110, 220));

    f.tabs()->setCurrentIndex(5);
    f.runCommand(CloseMapView); // map1 goes; two stay open
    f.runCommand(SaveMapSelections);
    EXPECT_EQ(w.stored("STATUS/MAPVIEW0").toString(), "/maps/map0.map");
    EXPECT_EQ(w.stored("STATUS/MAPVIEW1").toString(), "/maps/map2.map");
    EXPECT_EQ(w.stored("STATUS/MAPVIEW2").toString(), "0");
    EXPECT_EQ(w.stored("STATUS/MAPZOOM1").toByteArray(), area(10, 20, 110, 220));
    EXPECT_EQ(w.stored("STATUS/ACTIVE").toString(), "4");

    w.open(placeholders);
    EXPECT_EQ(w.tabTexts(), (QStringList{"Monitor", "Stations", "Msg", "GPS", "map0", "map2"}));
    EXPECT_EQ(w.frame->tabs()->currentIndex(), 4);
}

TEST(MainFrame, AnActiveTabOutsideTheRestoredViewsSelectsTheMonitor) {
    Window w;
    write(w.t.settings, Settings::MAPVIEW, 0, QStringLiteral("/maps/one.map"));
    write(w.t.settings, Settings::ACTIVE, 5);
    CMainFrame& f = w.open();
    EXPECT_EQ(f.tabs()->count(), 5);
    EXPECT_EQ(f.tabs()->currentIndex(), 0);
}

TEST(MainFrame, CommandsGoToTheActiveViewFirstAndNobodysCommandsAreDisabled) {
    Window w;
    std::vector<ZoomingMapView*> made;
    CMainFrame& f = w.open([&made](QWidget* parent) {
        made.push_back(new ZoomingMapView(parent));
        return made.back();
    });
    // The monitor handles no zoom, messages or station commands; the window handles its own.
    for (int id :
         {ZoomIn, Reply, StationDetails, VirtualEarth, GoogleMaps, SaveMonitorWindow, DeleteAllStations,
          ConnectPacketEngine, Alarms, ObjectList, EditObject, KillObject, QueryAll}) {
        EXPECT_FALSE(f.isCommandEnabled(id)) << id;
        EXPECT_FALSE(f.action(id)->isEnabled()) << id;
    }
    for (int id :
         {NewMapView, Properties, TxPosition, ConnectAprsServer, SaveMapSelections, About, Exit, NewObject})
        EXPECT_TRUE(f.action(id)->isEnabled()) << id;

    f.runCommand(NewMapView);
    ASSERT_EQ(made.size(), 1u);
    EXPECT_TRUE(f.action(ZoomIn)->isEnabled());
    EXPECT_FALSE(f.action(FitToWindow)->isEnabled());
    f.action(ZoomIn)->trigger();
    f.runCommand(ZoomOut);
    f.runCommand(FitToWindow); // nobody handles it: nothing runs
    EXPECT_EQ(made[0]->ran, (QList<int>{ZoomIn, ZoomOut}));

    // The active map view hears of every station a frame decodes; a map view in the background not.
    ReceivedFrame frame;
    frame.text = QStringLiteral("GT:Fm N1ABC To APRS Via MYGATE* <UI pid=F0 Len=20 >[10:00:00]\r"
                                "!4903.50N/07201.75W-\r");
    frame.port = -1;
    frame.fromInternet = 1;
    w.station->handleReceivedFrame(frame);
    EXPECT_EQ(made[0]->heard, QStringList{"N1ABC"});
    f.tabs()->setCurrentIndex(0);
    EXPECT_FALSE(f.action(ZoomIn)->isEnabled());
    frame.text.replace(QLatin1String("N1ABC"), QLatin1String("N2ABC"));
    w.station->handleReceivedFrame(frame);
    EXPECT_EQ(made[0]->heard, QStringList{"N1ABC"});
}

TEST(MainFrame, PropertiesRunThroughTheDialogRunnerAndChangesTakeEffectWhenItCloses) {
    Window w;
    write(w.t.settings, Settings::MYCALL, QStringLiteral("NOCALL"));
    CMainFrame& f = w.open();
    f.show();
    auto* banner = f.findChild<FirstRunBanner*>(QStringLiteral("firstRunBanner"));
    ASSERT_TRUE(banner);
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(f.ownCall(), "NOCALL");

    // Tx Position without a call offers the setup instead of sending.
    w.prompter.answers = {Prompter::Answer::No};
    f.runCommand(TxPosition);
    ASSERT_EQ(w.prompter.asked.size(), 1);
    EXPECT_TRUE(w.dialogs.shown.isEmpty());

    w.dialogs.script = [&](QDialog&) {
        write(w.t.settings, Settings::MYCALL, QStringLiteral("N0QPA-9"));
        write(w.t.settings, Settings::POSLATITUDE, QStringLiteral("3730.00N"));
        return int(QDialog::Accepted);
    };
    f.runCommand(Properties);
    EXPECT_EQ(w.dialogs.shown, QStringList{"PropertiesSheet"});
    EXPECT_FALSE(banner->isVisible());
    EXPECT_EQ(f.ownCall(), "N0QPA-9");
    EXPECT_DOUBLE_EQ(f.ownLatitude(), 37.5);

    f.runCommand(About);
    EXPECT_EQ(w.dialogs.shown.last(), "QMessageBox");
}

TEST(MainFrame, TheTrayOrAnyCallerBringsAMinimisedWindowBack) {
    Window w;
    CMainFrame& f = w.open();
    f.showMinimized();
    QApplication::processEvents();
    f.restoreFromTray();
    QApplication::processEvents();
    EXPECT_FALSE(f.isMinimized());
    EXPECT_TRUE(f.isVisible());
}

TEST(MainFrame, ScreenshotsNameEveryTabAndDialog) {
    Window w;
    CMainFrame& f = w.open();
    f.runCommand(NewMapView);
    QTemporaryDir dir;
    QString error;
    const QStringList files = writeScreenshots(f, dir.path(), &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    QStringList names;
    for (const QString& file : files) names << QFileInfo(file).fileName();
    EXPECT_EQ(names.join(' ').toStdString(), (QStringList{"tab-0-Monitor.png",
                                                          "tab-1-Stations.png",
                                                          "tab-2-Msg.png",
                                                          "tab-3-GPS.png",
                                                          "tab-4-Untitled.png",
                                                          "dialog-PropertiesSheet-Station.png",
                                                          "dialog-PropertiesSheet-Units.png",
                                                          "dialog-PropertiesSheet-Labels.png",
                                                          "dialog-PropertiesSheet-Ports.png",
                                                          "dialog-PropertiesSheet-Other.png",
                                                          "dialog-PropertiesSheet-GPS.png",
                                                          "dialog-PropertiesSheet-Maps.png",
                                                          "dialog-DlgStationStatic.png",
                                                          "dialog-DlgStationMobile.png",
                                                          "dialog-DlgStationWether.png",
                                                          "dialog-DlgDeleteTracks.png",
                                                          "dialog-DlgGateWay.png",
                                                          "dialog-DlgAPRSFilter.png",
                                                          "dialog-DlgFilterRange.png",
                                                          "dialog-DlgFilterArea.png",
                                                          "dialog-DlgFilterBud.png",
                                                          "dialog-DlgSendMessage.png",
                                                          "dialog-DlgNewObject.png",
                                                          "dialog-DlgEditObject.png",
                                                          "dialog-DlgKillObject.png",
                                                          "dialog-AboutBox.png"})
                                                 .join(' ')
                                                 .toStdString());
    QImage monitor(files.first());
    EXPECT_EQ(monitor.size(), QSize(1280, 800));
}

TEST(MainFrame, TheKeyboardReachesTheFixedTabsAndTheCommands) {
    Window w;
    CMainFrame& f = w.open();
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    QTest::keyClick(&f, Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(f.tabs()->currentIndex(), 1);
    QTest::keyClick(&f, Qt::Key_4, Qt::ControlModifier);
    EXPECT_EQ(f.tabs()->currentIndex(), 3);
    QTest::keyClick(&f, Qt::Key_N, Qt::ControlModifier); // New Map View
    EXPECT_EQ(f.tabs()->count(), 5);
    QTest::keyClick(&f, Qt::Key_W, Qt::ControlModifier); // Close it again
    EXPECT_EQ(f.tabs()->count(), 4);
    QTest::keyClick(&f, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(w.dialogs.shown, QStringList{"PropertiesSheet"});
}

TEST(MainFrame, ConnectToAprsServerGoesThroughTheServerDialogAndDisconnectsWhenConnected) {
    Window w;
    CMainFrame& f = w.open();
    w.dialogs.script = [](QDialog&) { return int(QDialog::Rejected); };
    f.runCommand(ConnectAprsServer);
    EXPECT_EQ(w.dialogs.shown, QStringList{"DlgGateWay"});
    EXPECT_FALSE(w.station->aprsClient());
    EXPECT_FALSE(f.action(ConnectAprsServer)->isChecked());

    write(w.t.settings, Settings::APRSERVER, QStringLiteral("127.0.0.1:1"));
    w.dialogs.script = [](QDialog&) { return int(QDialog::Accepted); };
    f.runCommand(ConnectAprsServer);
    ASSERT_TRUE(w.station->aprsClient());
    EXPECT_EQ(w.station->aprsClient()->port(), 1);
    EXPECT_TRUE(f.action(ConnectAprsServer)->isChecked());
    // A second time it disconnects, without asking.
    f.runCommand(ConnectAprsServer);
    EXPECT_FALSE(w.station->aprsClient());
    EXPECT_EQ(w.dialogs.shown.size(), 2);
}

TEST(MainFrame, TheMsgTabCountsNewMessagesForUsUntilShownAndStationsOpenTheSendDialog) {
    Window w;
    CMainFrame& f = w.open();
    f.show();
    MessageSink& sink = w.station->messages();
    const QString header = QStringLiteral(" 1:Fm N0ABC To APZEL <UI pid=F0 Len=20 >[12:00:00]");
    sink.ProcessMessage(QStringLiteral(":N0QPA    :one{1"), QStringLiteral("N0ABC"), header, 0);
    sink.ProcessMessage(QStringLiteral(":N0QPA    :two{2"), QStringLiteral("N0ABC"), header, 0);
    sink.ProcessMessage(QStringLiteral(":N0XYZ    :not ours{3"), QStringLiteral("N0ABC"), header, 0);
    EXPECT_EQ(f.tabs()->tabText(2), "Msg (2)");
    f.runCommand(ShowMessages);
    EXPECT_EQ(f.tabs()->tabText(2), "Msg");
    ASSERT_NE(f.messageView(), nullptr);
    EXPECT_EQ(f.messageView()->model()->rowCount(), 3);

    f.runCommand(ShowStations);
    auto* stations = f.findChild<StationListView*>();
    ASSERT_NE(stations, nullptr);
    emit stations->sendMessageRequested(QStringLiteral("N0ABC"));
    EXPECT_EQ(w.dialogs.shown.last(), "DlgSendMessage");
}
