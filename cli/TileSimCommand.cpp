#include "cli/TileSimCommand.h"

#include "cli/SimSupport.h"
#include "cli/TileSimulator.h"
#include "platform/QuitOnSignals.h"

#include <QCoreApplication>

int runTileSimCommand(const QStringList& args) {
    using SimSupport::printError;
    const auto listen = SimSupport::parseListen(
        SimSupport::option(args, QStringLiteral("--listen"), QStringLiteral("127.0.0.1:8080")));
    const auto mode = TileSimulator::modeNamed(
        SimSupport::option(args, QStringLiteral("--mode"), QStringLiteral("normal")));
    bool maxAgeOk = false;
    const int maxAge =
        SimSupport::option(args, QStringLiteral("--max-age"), QStringLiteral("86400")).toInt(&maxAgeOk);
    if (!listen || !mode || !maxAgeOk) {
        printError(
            QStringLiteral("usage: quillpad-cli tile-sim [--listen ADDR:PORT] "
                           "[--mode normal|stall|reset|oversize|garbage|error|trickle] [--max-age SECONDS]"));
        return 2;
    }
    TileSimulator sim;
    sim.setMode(*mode);
    sim.setMaxAge(maxAge);
    sim.log = SimSupport::printLine;
    if (!sim.listen(listen->first, listen->second)) {
        printError(
            QStringLiteral("cannot listen on %1:%2").arg(listen->first.toString()).arg(listen->second));
        return 1;
    }
    SimSupport::printLine(QStringLiteral("tile-sim listening on %1:%2, tiles at %3")
                              .arg(listen->first.toString())
                              .arg(sim.port())
                              .arg(QStringLiteral("http://%1:%2/{z}/{x}/{y}.png")
                                       .arg(listen->first.toString())
                                       .arg(sim.port())));
    quitEventLoopOnSignals();
    return QCoreApplication::exec();
}
