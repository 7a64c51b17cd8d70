// quillpad: the APRS station. Until the main window exists it runs headless; --headless keeps a
// station without a screen headless for good.
#include "app/GlobalObjects.h"
#include "app/HeadlessMonitor.h"
#include "app/Version.h"
#include "platform/Clock.h"
#include "platform/HugePageHeap.h"
#include "platform/Prompter.h"
#include "platform/QuitOnSignals.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "platform/Trace.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {
const char* kHelp =
    "usage: quillpad [OPTIONS]\n"
    "\n"
    "  --home DIR          station home folder (settings Quillpad.conf, Data, Maps);\n"
    "                      default $QUILLPAD_HOME, else $XDG_DATA_HOME/Quillpad\n"
    "  --headless          run without a window: frames are printed to standard output\n"
    "  --verbose           diagnostic texts to standard error\n"
    "  --gps               read the GPS receiver through gpsd (GPS/GPSDHOST, GPS/GPSDPORT) and send the\n"
    "                      mobile station's reports on the ports of GPS/RADIOPORTSTX\n"
    "  --tick-seconds N    period of the minute tick in seconds (default 60), for demonstrations\n"
    "  --version           print the version\n"
    "  --help              this text\n";

int optionInt(const QStringList& args, const QString& name, int defaultValue, bool* ok) {
    *ok = true;
    const qsizetype i = args.indexOf(name);
    if (i < 0) return defaultValue;
    if (i + 1 >= args.size()) {
        *ok = false;
        return defaultValue;
    }
    return args[i + 1].toInt(ok);
}
} // namespace

int main(int argc, char** argv) {
    restartWithHugePageHeap(argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillpad"));
    const QStringList args = app.arguments().mid(1);
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        QTextStream(stdout) << kHelp;
        return 0;
    }
    if (args.contains(QLatin1String("--version"))) {
        QTextStream(stdout) << ProgramVersion::current().text() << "\n";
        return 0;
    }
    Trace::setEnabled(args.contains(QLatin1String("--verbose")));
    bool ok = false;
    const int tickSeconds = optionInt(args, QStringLiteral("--tick-seconds"), 60, &ok);
    if (!ok || tickSeconds < 1) {
        QTextStream(stderr) << "--tick-seconds wants a whole number of seconds (1 or more)\n";
        return 2;
    }

    const StationHome home = StationHome::resolve(args);
    home.createFolders();
    SettingsStore settings(home.settingsFile());
    SystemClock clock;
    HeadlessPrompter prompter;
    Trace::write(QStringLiteral("station home %1").arg(home.root()));

    GlobalObjects station(home, settings, clock, prompter);
    QObject::connect(&station, &GlobalObjects::frameHandled, &HeadlessMonitor::print);
    station.start(tickSeconds * 1000);
    if (args.contains(QLatin1String("--gps"))) station.gps().start();
    quitEventLoopOnSignals();
    const int rc = QCoreApplication::exec();
    station.shutdown();
    return rc;
}
