#include "cli/GpsdSimCommand.h"

#include "cli/GpsTrack.h"
#include "cli/GpsdSimulator.h"
#include "cli/SimSupport.h"
#include "platform/Clock.h"
#include "platform/QuitOnSignals.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {
using SimSupport::printError;
using SimSupport::printLine;
} // namespace

int runGpsdSimCommand(const QStringList& args) {
    const auto listen = SimSupport::parseListen(
        SimSupport::option(args, QStringLiteral("--listen"), QStringLiteral("127.0.0.1:2947")));
    if (!listen) {
        printError(QStringLiteral("--listen wants ADDRESS:PORT"));
        return 2;
    }
    const QString trackFile = SimSupport::option(args, QStringLiteral("--track"));
    if (trackFile.isEmpty()) {
        printError(QStringLiteral(
            "usage: quillpad-cli gpsd-sim [--listen ADDR:PORT] --track FILE [--rate N] [--loop]"));
        return 2;
    }
    QVector<GpsTrackPoint> track;
    QString error;
    if (!GpsTrack::load(trackFile, track, &error)) {
        printError(QStringLiteral("%1: %2").arg(trackFile, error));
        return 2;
    }
    // One point per timer tick of whole milliseconds.
    const auto rate = SimSupport::rateOption(args, 1000);
    if (!rate) {
        printError(QStringLiteral("--rate wants track lines per second (above 0, at most 1000)"));
        return 2;
    }

    SystemClock clock;
    GpsdSimulator sim(clock);
    sim.setTrack(track);
    sim.setRate(*rate);
    sim.setLoop(args.contains(QStringLiteral("--loop")));
    sim.log = printLine;
    if (!sim.listen(listen->first, listen->second)) {
        printError(
            QStringLiteral("cannot listen on %1:%2").arg(listen->first.toString()).arg(listen->second));
        return 1;
    }
    printLine(QStringLiteral("gpsd-sim listening on %1:%2 (%3 track points)")
                  .arg(listen->first.toString())
                  .arg(sim.port())
                  .arg(track.size()));
    quitEventLoopOnSignals();
    return QCoreApplication::exec();
}
