#include "cli/SimCommands.h"

#include "aprsis/Passcode.h"
#include "cli/AprsIsSimulator.h"
#include "cli/EngineSimulator.h"
#include "cli/SimSupport.h"
#include "platform/QuitOnSignals.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

namespace {
using SimSupport::printError;
using SimSupport::printLine;

// Common start of both simulators: the listen address, the replay file and its rate.
struct SimOptions {
    QHostAddress address;
    quint16 port = 0;
    QStringList replay;
    double rate = 1.0;
    bool loop = false;
};

// The replay keeps any rate (it sends what is due by elapsed time); the bound only catches typing
// errors.
constexpr int kMaxReplayRate = 1000000;

bool parseSimOptions(const QStringList& args, const QString& defaultListen, SimOptions& o) {
    const auto listen =
        SimSupport::parseListen(SimSupport::option(args, QStringLiteral("--listen"), defaultListen));
    if (!listen) {
        printError(QStringLiteral("--listen wants ADDRESS:PORT"));
        return false;
    }
    o.address = listen->first;
    o.port = listen->second;
    const QString replay = SimSupport::option(args, QStringLiteral("--replay"));
    if (!replay.isEmpty()) {
        bool ok = false;
        o.replay = SimSupport::readReplayFile(replay, &ok);
        if (!ok) {
            printError(QStringLiteral("cannot read %1").arg(replay));
            return false;
        }
    }
    const auto rate = SimSupport::rateOption(args, kMaxReplayRate);
    if (!rate) {
        printError(QStringLiteral("--rate wants lines per second (above 0, at most %1)").arg(kMaxReplayRate));
        return false;
    }
    o.rate = *rate;
    o.loop = args.contains(QStringLiteral("--loop"));
    return true;
}
} // namespace

int runEngineSimCommand(const QStringList& args) {
    SimOptions o;
    if (!parseSimOptions(args, QStringLiteral("127.0.0.1:8000"), o)) return 2;
    EngineSimulator sim;
    sim.setPortInformation(SimSupport::option(args, QStringLiteral("--ports"), QStringLiteral("1;Port 1")));
    sim.setReplay(o.replay, o.rate,
                  SimSupport::option(args, QStringLiteral("--replay-port"), QStringLiteral("0")).toInt());
    sim.setLoop(o.loop);
    sim.log = printLine;
    if (!sim.listen(o.address, o.port)) {
        printError(QStringLiteral("cannot listen on %1:%2").arg(o.address.toString()).arg(o.port));
        return 1;
    }
    printLine(QStringLiteral("engine-sim listening on %1:%2").arg(o.address.toString()).arg(sim.port()));
    quitEventLoopOnSignals();
    return QCoreApplication::exec();
}

int runAprsIsSimCommand(const QStringList& args) {
    SimOptions o;
    if (!parseSimOptions(args, QStringLiteral("127.0.0.1:14580"), o)) return 2;
    AprsIsSimulator sim;
    sim.setReplay(o.replay, o.rate);
    sim.setLoop(o.loop);
    sim.log = printLine;
    if (!sim.listen(o.address, o.port)) {
        printError(QStringLiteral("cannot listen on %1:%2").arg(o.address.toString()).arg(o.port));
        return 1;
    }
    printLine(QStringLiteral("aprsis-sim listening on %1:%2").arg(o.address.toString()).arg(sim.port()));
    quitEventLoopOnSignals();
    return QCoreApplication::exec();
}

int runPasscodeCommand(const QStringList& args) {
    if (args.isEmpty()) {
        printError(QStringLiteral("usage: quillpad-cli passcode CALL"));
        return 2;
    }
    printLine(QString::number(aprsPasscode(args.front())));
    return 0;
}
