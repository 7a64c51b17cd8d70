// quillpad-cli: the station's command-line tools. The decoder runs here; the simulators and the
// passcode run in quillpad-cli-sim beside this program, which this one becomes for them. The
// decoder so loads QtCore alone and starts in a third of the time, which counts when a capture
// of minutes is decoded in a fraction of a second.
#include "cli/DecodeCommand.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <unistd.h>

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

namespace {

// The simulators' program: beside this one (the same folder as /proc/self/exe).
std::string simProgram(const char* argv0) {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string(argv0 ? argv0 : "");
    const size_t slash = path.rfind('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "quillpad-cli-sim";
}

bool isSimCommand(const char* command) {
    for (const char* name : {"engine-sim", "aprsis-sim", "gpsd-sim", "tile-sim", "passcode"})
        if (std::strcmp(command, name) == 0) return true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && isSimCommand(argv[1])) {
        const std::string program = simProgram(argv[0]);
        execv(program.c_str(), argv);
        QTextStream(stderr) << "cannot start " << QString::fromStdString(program) << ": "
                            << QString::fromLocal8Bit(std::strerror(errno)) << "\n";
        return 2;
    }
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.front() == QLatin1String("--help") || args.front() == QLatin1String("-h")) {
        QTextStream(args.isEmpty() ? stderr : stdout) << kUsage;
        return args.isEmpty() ? 2 : 0;
    }
    const QString command = args.takeFirst();
    // The decoder puts its heap on huge pages itself (HeapPrefault): no restart, as the
    // simulators' program makes.
    if (command == QLatin1String("decode")) return runDecodeCommand(args);
    QTextStream(stderr) << "unknown command: " << command << "\n" << kUsage;
    return 2;
}
