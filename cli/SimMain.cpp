// quillpad-cli-sim: the simulators and the passcode of quillpad-cli, which starts this program
// for them (see main.cpp).
#include "cli/GpsdSimCommand.h"
#include "cli/SimCommands.h"
#include "cli/TileSimCommand.h"
#include "platform/HugePageHeap.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {
const char* kUsage = "usage: quillpad-cli engine-sim|aprsis-sim|gpsd-sim|tile-sim|passcode [OPTIONS]\n"
                     "  (quillpad-cli --help lists the options)\n";
}

int main(int argc, char** argv) {
    restartWithHugePageHeap(argv);
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    if (command == QLatin1String("engine-sim")) return runEngineSimCommand(args);
    if (command == QLatin1String("aprsis-sim")) return runAprsIsSimCommand(args);
    if (command == QLatin1String("passcode")) return runPasscodeCommand(args);
    if (command == QLatin1String("gpsd-sim")) return runGpsdSimCommand(args);
    if (command == QLatin1String("tile-sim")) return runTileSimCommand(args);
    QTextStream(stderr) << kUsage;
    return 2;
}
