#include "app/HeadlessMonitor.h"
#include "app/Version.h"
#include "cli/EngineSimulator.h"
#include "platform/HugePageHeap.h"
#include "platform/Settings.h"
#include "support/TempHome.h"
#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <map>
#include <signal.h>
#include <string>

TEST(Program, VersionComesFromTheBuildDate) {
    const ProgramVersion v = ProgramVersion::fromBuildDate("May 18 2008");
    EXPECT_EQ(v.major, 2008);
    EXPECT_EQ(v.minor, 518);
    EXPECT_EQ(v.text(), "Ver 2008.518");
    EXPECT_EQ(ProgramVersion::fromBuildDate("Dec  8 2026").minor, 1208);
}

TEST(Program, HeadlessMonitorMarksOwnTransmissionsAndKeepsControlCharactersOffTheTerminal) {
    ReceivedFrame f;
    f.text = QStringLiteral(" 1:Fm A To B <UI pid=F0 Len=3 >[01:02:03]\rab\x1b"
                            "c\r");
    EXPECT_EQ(HeadlessMonitor::format(f),
              QStringLiteral("    1:Fm A To B <UI pid=F0 Len=3 >[01:02:03]\n   ab\uFFFDc"));
    f.ownTransmission = 1;
    EXPECT_TRUE(HeadlessMonitor::format(f).startsWith("TX  1:Fm"));
}

// The real program, headless, against the engine simulator: it prints the traffic, beacons on the
// short tick, and saves its stations when told to stop.
TEST(Program, HeadlessStationPrintsTrafficBeaconsAndSavesOnSigterm) {
    TempHome t;
    EngineSimulator engine;
    ASSERT_TRUE(engine.listen(QHostAddress::LocalHost, 0));
    engine.setPortInformation(QStringLiteral("1;Port 1 VHF"));
    engine.setReplay({QStringLiteral("N0QPA>APRS,WIDE1-1:!4903.50N/07201.75W-Replayed station")}, 50);
    write(t.settings, Settings::Port, engine.port());
    write(t.settings, Settings::ENABLERP, 0, 1);
    write(t.settings, Settings::MYCALL, QStringLiteral("N0QPZ"));

    QProcess station;
    station.start(QStringLiteral(QP_PROGRAM),
                  {QStringLiteral("--home"), t.home.root(), QStringLiteral("--headless"),
                   QStringLiteral("--tick-seconds"), QStringLiteral("1")});
    ASSERT_TRUE(station.waitForStarted());
    ASSERT_TRUE(waitUntil(
        [&] {
            for (const EngineFrame& f : engine.receivedFrames())
                if (f.header.kind == 'M') return true;
            return false;
        },
        10000));
    QByteArray out;
    ASSERT_TRUE(waitUntil([&] {
        out += station.readAllStandardOutput();
        return out.contains("Replayed station") && out.contains("TX ");
    }));
    ::kill(static_cast<pid_t>(station.processId()), SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return station.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(station.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(station.exitCode(), 0);
    EXPECT_TRUE(QFile::exists(t.home.dataFile(QStringLiteral("Stations.dat"))));
}

TEST(Program, HelpAndVersionAndBadOptions) {
    QProcess p;
    p.start(QStringLiteral(QP_PROGRAM), {QStringLiteral("--version")});
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_TRUE(p.readAllStandardOutput().startsWith("Ver "));
    p.start(QStringLiteral(QP_PROGRAM), {QStringLiteral("--help")});
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_TRUE(p.readAllStandardOutput().contains("--tick-seconds"));
    p.start(QStringLiteral(QP_PROGRAM), {QStringLiteral("--tick-seconds"), QStringLiteral("zero")});
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_EQ(p.exitCode(), 2);
}

namespace {
// An environment with no display at all: no X11, no Wayland, no platform chosen.
QProcessEnvironment withoutDisplay() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    return env;
}
} // namespace

TEST(Program, WithoutADisplayTheWindowSaysHowToRunHeadlessAndScreenshotsStillWork) {
    TempHome t;
    QProcess p;
    p.setProcessEnvironment(withoutDisplay());
    p.start(QStringLiteral(QP_PROGRAM), {QStringLiteral("--home"), t.home.root()});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit); // no Qt abort
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardError().contains("--headless"));

    // Screenshots need no display: the window is drawn offscreen, every tab and dialog written.
    const QString shots = t.dir.filePath(QStringLiteral("shots"));
    write(t.settings, Settings::ComputerName, QStringLiteral("127.0.0.1"));
    write(t.settings, Settings::Port, 1); // nothing listens there: the engine link just retries
    p.start(QStringLiteral(QP_PROGRAM),
            {QStringLiteral("--home"), t.home.root(), QStringLiteral("--screenshot"), shots,
             QStringLiteral("--screenshot-delay"), QStringLiteral("0.2")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QStringList files = QDir(shots).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    EXPECT_TRUE(files.contains("tab-0-Monitor.png")) << files.join(' ').toStdString();
    EXPECT_TRUE(files.contains("tab-3-GPS.png"));
    EXPECT_TRUE(files.contains("dialog-AboutBox.png"));
    EXPECT_TRUE(files.contains("dialog-PropertiesSheet-GPS.png"));
    EXPECT_TRUE(files.contains("dialog-DlgGateWay.png"));
    EXPECT_EQ(QImage(QDir(shots).filePath(QStringLiteral("tab-0-Monitor.png"))).size(), QSize(1280, 800));
}

namespace {

// The environment of a running process, as the kernel shows it.
QMap<QString, QString> environmentOf(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/environ").arg(pid));
    QMap<QString, QString> env;
    if (!f.open(QIODevice::ReadOnly)) return env;
    for (const QByteArray& entry : f.readAll().split('\0')) {
        const qsizetype eq = entry.indexOf('=');
        if (eq > 0) env.insert(QString::fromUtf8(entry.left(eq)), QString::fromUtf8(entry.mid(eq + 1)));
    }
    return env;
}

// Starts the station headless with extra environment and returns its environment once it has
// settled (after its restart, when it restarts).
std::map<std::string, std::string> settledEnvironment(const TempHome& t, const QMap<QString, QString>& extra,
                                                      bool restartExpected) {
    QProcess station;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("GLIBC_TUNABLES"));
    env.remove(QStringLiteral("QUILLPAD_HEAP_RESTARTED"));
    env.remove(QStringLiteral("QUILLPAD_SMALL_PAGES"));
    env.remove(QStringLiteral("LD_PRELOAD"));
    for (auto it = extra.begin(); it != extra.end(); ++it) env.insert(it.key(), it.value());
    station.setProcessEnvironment(env);
    station.start(QStringLiteral(QP_PROGRAM),
                  {QStringLiteral("--home"), t.home.root(), QStringLiteral("--headless")});
    if (!station.waitForStarted()) return {};
    // A restart shows as the marker; a program that should not restart is given a second to do so.
    QMap<QString, QString> seen;
    waitUntil(
        [&] {
            seen = environmentOf(station.processId());
            return seen.contains(QStringLiteral("QUILLPAD_HEAP_RESTARTED"));
        },
        restartExpected ? 10000 : 1000);
    ::kill(static_cast<pid_t>(station.processId()), SIGTERM);
    waitUntil([&] { return station.state() == QProcess::NotRunning; }, 10000);
    std::map<std::string, std::string> out;
    for (auto it = seen.begin(); it != seen.end(); ++it)
        out[it.key().toStdString()] = it.value().toStdString();
    return out;
}

} // namespace

TEST(Program, RestartsOnceWithItsHeapOnHugePagesAndLeavesTheUsersTunablesAlone) {
    if (!hugePageHeapSupported()) GTEST_SKIP() << "no transparent huge pages here, or a sanitizer build";
    TempHome t;
    auto plain = settledEnvironment(t, {}, true);
    EXPECT_EQ(plain["GLIBC_TUNABLES"], "glibc.malloc.hugetlb=1");
    EXPECT_EQ(plain["QUILLPAD_HEAP_RESTARTED"], "1");

    // Other tunables stay. (glibc 2.36 shows only the first tunable of a list in the environment
    // it hands on, though it applies them all.)
    auto withOther = settledEnvironment(t, {{"GLIBC_TUNABLES", "glibc.malloc.tcache_count=7"}}, true);
    EXPECT_EQ(withOther["QUILLPAD_HEAP_RESTARTED"], "1");
    EXPECT_EQ(withOther["GLIBC_TUNABLES"].rfind("glibc.malloc.tcache_count=7", 0), 0u);

    auto usersChoice = settledEnvironment(t, {{"GLIBC_TUNABLES", "glibc.malloc.hugetlb=0"}}, false);
    EXPECT_EQ(usersChoice["GLIBC_TUNABLES"], "glibc.malloc.hugetlb=0");
    EXPECT_EQ(usersChoice.count("QUILLPAD_HEAP_RESTARTED"), 0u);

    auto optedOut = settledEnvironment(t, {{"QUILLPAD_SMALL_PAGES", "1"}}, false);
    EXPECT_EQ(optedOut.count("GLIBC_TUNABLES"), 0u);
}

TEST(Program, CliDecodeWritesEveryLineAndLeavesNoScratchFolderBehind) {
    // The decoder ends its process without taking the database apart: its scratch station home
    // must still go.
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), tmp.path());
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(QP_CLI_PROGRAM), {QStringLiteral("decode")});
    ASSERT_TRUE(cli.waitForStarted());
    cli.write("N0CALL>APRS,TCPIP*:!4903.50N/07201.75W-Test\n# server comment\nN1CALL>APRS:>status\n");
    cli.closeWriteChannel();
    ASSERT_TRUE(cli.waitForFinished(30000));
    EXPECT_EQ(cli.exitCode(), 0);
    const QList<QByteArray> lines = cli.readAllStandardOutput().split('\n');
    ASSERT_EQ(lines.size(), 4); // three objects and the empty rest after the last line end
    EXPECT_TRUE(lines[0].contains("\"call\":\"N0CALL\""));
    EXPECT_TRUE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}

TEST(Program, CliHandsTheSimulatorsAndThePasscodeToItsSimulatorProgram) {
    QProcess cli;
    cli.start(QStringLiteral(QP_CLI_PROGRAM), {QStringLiteral("passcode"), QStringLiteral("N0CALL")});
    ASSERT_TRUE(cli.waitForFinished(30000));
    EXPECT_EQ(cli.exitCode(), 0);
    EXPECT_EQ(cli.readAllStandardOutput().trimmed(), "13023");

    QProcess unknown;
    unknown.start(QStringLiteral(QP_CLI_PROGRAM), {QStringLiteral("no-such-command")});
    ASSERT_TRUE(unknown.waitForFinished(30000));
    EXPECT_EQ(unknown.exitCode(), 2);
    EXPECT_TRUE(unknown.readAllStandardError().contains("unknown command: no-such-command"));
}
