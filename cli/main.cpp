// quillpad-cli: the station's command-line tools (decoder, simulators, passcode).
#include "cli/SimCommands.h"
#include "platform/HugePageHeap.h"

#include "cli/DecodeCommand.h"
#include "cli/GpsdSimCommand.h"
#include "cli/TileSimCommand.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstring>

namespace {
const char* kUsage =
    "usage: quillpad-cli COMMAND [OPTIONS]\n"
    "\n"
    "commands:\n"
    "  decode [--home DIR]        decode monitor lines or APRS-IS lines from standard input, print JSON\n"
    "  engine-sim [--listen ADDR:PORT] [--ports \"N;desc;...\"] [--replay FILE] [--rate N] [--loop]\n"
    "             [--replay-port P]\n"
    "                             a packet engine on loopback (default 127.0.0.1:8000)\n"
    "  aprsis-sim [--listen ADDR:PORT] [--replay FILE] [--rate N] [--loop]\n"
    "                             an APRS-IS server on loopback (default 127.0.0.1:14580)\n"
    "  gpsd-sim [--listen ADDR:PORT] --track FILE [--rate N] [--loop]\n"
    "                             a gpsd on loopback (default 127.0.0.1:2947)\n"
    "  tile-sim [--listen ADDR:PORT] [--mode normal|stall|reset|oversize|garbage|error|trickle]\n"
    "           [--max-age S]\n"
    "                             a map tile server on loopback (default 127.0.0.1:8080)\n"
    "  passcode CALL              the APRS-IS passcode of a call sign\n";
}

int main(int argc, char** argv) {
    // The decoder puts its heap on huge pages itself (HeapPrefault), sparing the restart's
    // milliseconds: a capture of a few seconds is decoded in a fraction of a second.
    if (argc < 2 || std::strcmp(argv[1], "decode") != 0) restartWithHugePageHeap(argv);
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.front() == QLatin1String("--help") || args.front() == QLatin1String("-h")) {
        QTextStream(args.isEmpty() ? stderr : stdout) << kUsage;
        return args.isEmpty() ? 2 : 0;
    }
    const QString command = args.takeFirst();
    if (command == QLatin1String("engine-sim")) return runEngineSimCommand(args);
    if (command == QLatin1String("aprsis-sim")) return runAprsIsSimCommand(args);
    if (command == QLatin1String("passcode")) return runPasscodeCommand(args);
    if (command == QLatin1String("decode")) return runDecodeCommand(args);
    if (command == QLatin1String("gpsd-sim")) return runGpsdSimCommand(args);
    if (command == QLatin1String("tile-sim")) return runTileSimCommand(args);
    QTextStream(stderr) << "unknown command: " << command << "\n" << kUsage;
    return 2;
}
