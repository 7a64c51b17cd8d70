// quillpad: the APRS station, in its window or (--headless) without one. Both drive the same
// central object; this is the one place that decides which.
#include "app/GlobalObjects.h"
#include "app/HeadlessMonitor.h"
#include "app/Version.h"
#include "controls/DialogRunner.h"
#include "controls/QtPrompter.h"
#include "maps/TileFetcher.h"
#include "maps/ui/CQuillonView.h"
#include "maps/ui/CTileMapView.h"
#include "maps/ui/SampleTiles.h"
#include "platform/Clock.h"
#include "platform/EventLoopWatch.h"
#include "platform/HugePageHeap.h"
#include "platform/Prompter.h"
#include "platform/QuitOnSignals.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "platform/Trace.h"
#include "ui/AppIcon.h"
#include "ui/CMainFrame.h"
#include "ui/ScreenshotWriter.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>
#include <memory>

namespace {
const char* kHelp =
    "usage: quillpad [OPTIONS]\n"
    "\n"
    "  --home DIR          station home folder (settings Quillpad.conf, Data, Maps);\n"
    "                      default $QUILLPAD_HOME, else $XDG_DATA_HOME/Quillpad\n"
    "  --headless          run without a window: frames are printed to standard output\n"
    "  --verbose           diagnostic texts to standard error\n"
    "  --gps               headless: read the GPS receiver through gpsd (GPS/GPSDHOST, GPS/GPSDPORT) and\n"
    "                      send the mobile station's reports on the ports of GPS/RADIOPORTSTX (the window\n"
    "                      reads gpsd always; its GPS tab starts and stops it)\n"
    "  --tick-seconds N    period of the minute tick in seconds (default 60), for demonstrations\n"
    "  --screenshot DIR    start the station, wait, write every tab and dialog as PNG into DIR, exit\n"
    "  --screenshot-delay S  seconds to wait for traffic before the screenshots (default 2)\n"
    "  --watch-load        every 10 s print the longest event-loop stall and the resident memory\n"
    "                      to standard error\n"
    "  --quit-after S      shut down cleanly after S seconds\n"
    "  --version           print the version\n"
    "  --help              this text\n";

const char* kNoDisplay =
    "quillpad: no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
    "Run the station without a window:   quillpad --headless [--home DIR]\n"
    "or write screenshots without one:   quillpad --screenshot DIR\n";

QString option(const QStringList& args, const QString& name) {
    const qsizetype i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
}

int optionInt(const QStringList& args, const QString& name, int defaultValue, bool* ok) {
    *ok = true;
    if (!args.contains(name)) return defaultValue;
    return option(args, name).toInt(ok);
}

// Whether a window can open: an offscreen or other virtual platform always can; the desktop
// platforms need their display.
bool displayAvailable() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (platform.isEmpty()) return x11 || wayland;
    if (platform.startsWith("xcb")) return x11;
    if (platform.startsWith("wayland")) return wayland;
    return true;
}

QStringList argumentsOf(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    return args;
}

// --watch-load: the event loop's longest stall, memory and the frames handled, every 10 s.
void watchLoad(GlobalObjects& station) {
    auto* watch = new EventLoopWatch(10000, &station);
    auto frames = std::make_shared<qint64>(0);
    QObject::connect(&station, &GlobalObjects::frameHandled, watch, [frames] { ++*frames; });
    watch->onReport = [frames](const EventLoopWatch::Report& r) {
        QTextStream(stderr) << QStringLiteral("load t=%1s max_stall_ms=%2 rss_kb=%3 frames=%4\n")
                                   .arg(r.seconds, 0, 'f', 0)
                                   .arg(r.maxStallMs)
                                   .arg(r.residentKb)
                                   .arg(*frames);
        *frames = 0;
    };
    watch->onLongStall = [](double seconds, qint64 stallMs) {
        QTextStream(stderr)
            << QStringLiteral("load stall %1 ms ending at t=%2s\n").arg(stallMs).arg(seconds, 0, 'f', 2);
    };
}

int runHeadless(QCoreApplication& app, GlobalObjects& station, const QStringList& args, int tickMs) {
    Q_UNUSED(app);
    QObject::connect(&station, &GlobalObjects::frameHandled, &HeadlessMonitor::print);
    station.start(tickMs);
    if (args.contains(QLatin1String("--gps"))) station.gps().start();
    return QCoreApplication::exec();
}
} // namespace

int main(int argc, char** argv) {
    restartWithHugePageHeap(argv);
    const QStringList args = argumentsOf(argc, argv);
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        QTextStream(stdout) << kHelp;
        return 0;
    }
    if (args.contains(QLatin1String("--version"))) {
        QTextStream(stdout) << ProgramVersion::current().text() << "\n";
        return 0;
    }
    bool ok = false;
    const int tickSeconds = optionInt(args, QStringLiteral("--tick-seconds"), 60, &ok);
    if (!ok || tickSeconds < 1) {
        QTextStream(stderr) << "--tick-seconds wants a whole number of seconds (1 or more)\n";
        return 2;
    }
    const bool headless = args.contains(QLatin1String("--headless"));
    const QString screenshotDir = option(args, QStringLiteral("--screenshot"));
    if (args.contains(QLatin1String("--screenshot")) && screenshotDir.isEmpty()) {
        QTextStream(stderr) << "--screenshot wants a folder\n";
        return 2;
    }
    double screenshotDelay = 2.0;
    if (args.contains(QLatin1String("--screenshot-delay"))) {
        screenshotDelay = option(args, QStringLiteral("--screenshot-delay")).toDouble(&ok);
        if (!ok || screenshotDelay < 0 || screenshotDelay > 3600) {
            QTextStream(stderr) << "--screenshot-delay wants seconds (0 to 3600)\n";
            return 2;
        }
    }
    double quitAfter = 0;
    if (args.contains(QLatin1String("--quit-after"))) {
        quitAfter = option(args, QStringLiteral("--quit-after")).toDouble(&ok);
        if (!ok || quitAfter <= 0) {
            QTextStream(stderr) << "--quit-after wants seconds (above 0)\n";
            return 2;
        }
    }
    if (!headless && !displayAvailable()) {
        // Screenshots need no screen; a window does.
        if (screenshotDir.isEmpty()) {
            QTextStream(stderr) << kNoDisplay;
            return 2;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    std::unique_ptr<QCoreApplication> app;
    if (headless)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillpad"));
    Trace::setEnabled(args.contains(QLatin1String("--verbose")));

    const StationHome home = StationHome::resolve(args);
    home.createFolders();
    SettingsStore settings(home.settingsFile());
    SystemClock clock;
    Trace::write(QStringLiteral("station home %1").arg(home.root()));
    quitEventLoopOnSignals();
    if (quitAfter > 0)
        QTimer::singleShot(static_cast<int>(quitAfter * 1000), app.get(), &QCoreApplication::quit);

    if (headless) {
        HeadlessPrompter prompter;
        GlobalObjects station(home, settings, clock, prompter);
        if (args.contains(QLatin1String("--watch-load"))) watchLoad(station);
        const int rc = runHeadless(*app, station, args, tickSeconds * 1000);
        station.shutdown();
        return rc;
    }

    // Screenshots run unattended: nothing may wait for an answer.
    QtPrompter windowPrompter;
    HeadlessPrompter unattended;
    Prompter& prompter = screenshotDir.isEmpty() ? static_cast<Prompter&>(windowPrompter) : unattended;
    QApplication::setWindowIcon(appIcon());
    DialogRunner dialogs;
    // Screenshots draw tile maps from files, the disk cache or a loopback tile server, never from
    // a real tile server.
    if (!screenshotDir.isEmpty()) TileFetcher::restrictToLoopback();
    GlobalObjects station(home, settings, clock, prompter);
    CMainFrame frame(station, prompter, dialogs);
    windowPrompter.setParent(&frame);
    if (args.contains(QLatin1String("--watch-load"))) watchLoad(station);
    frame.show();
    station.start(tickSeconds * 1000);
    station.gps().start();

    int rc = 0;
    if (!screenshotDir.isEmpty()) {
        // The pictures show a map view: the sample map when no map view was restored.
        if (frame.mapViewCount() == 0)
            if (auto* map = dynamic_cast<CQuillonView*>(frame.newMapView())) map->openSampleMap();
        // And a tile map: the sample tiles when no tile map view was restored.
        bool tileView = false;
        for (int i = 0; i < frame.tabs()->count(); ++i)
            tileView = tileView || qobject_cast<CTileMapView*>(frame.tabs()->widget(i)) != nullptr;
        if (const QString tiles = tileView ? QString() : SampleTiles::install(home); !tiles.isEmpty())
            frame.newTileMapView(QStringLiteral("tiles:") + tiles);
        QTimer::singleShot(static_cast<int>(screenshotDelay * 1000), &frame, [&] {
            QString error;
            const QStringList files = writeScreenshots(frame, screenshotDir, &error);
            for (const QString& f : files) QTextStream(stdout) << f << "\n";
            if (!error.isEmpty()) {
                QTextStream(stderr) << "quillpad: " << error << "\n";
                rc = 1;
            }
            QCoreApplication::quit();
        });
    }
    const int loop = QCoreApplication::exec();
    station.shutdown();
    return rc != 0 ? rc : loop;
}
