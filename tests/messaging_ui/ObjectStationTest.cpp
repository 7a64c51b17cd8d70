#include "engine/EngineFrame.h"
#include "messaging/OwnObjectsManager.h"
#include "support/LinkedStation.h"

#include <QFile>
#include <gtest/gtest.h>

// Own objects end to end: a station on the manual clock with both links to the loopback
// simulators; objects go out on the APRS-IS server and on engine port 0 (the active ports).
namespace {

struct ObjectStation : LinkedStation {
    // Object reports the engine received, as information fields, with their ports.
    std::vector<std::pair<int, QByteArray>> radioReports() const {
        std::vector<std::pair<int, QByteArray>> out;
        for (const EngineFrame& f : framesOfKind("MV")) {
            const auto content = EngineCodec::parseUnproto(f);
            if (content.info.startsWith(';')) out.emplace_back(static_cast<int>(f.header.port), content.info);
        }
        return out;
    }
    QList<QByteArray> serverReports() const {
        QList<QByteArray> out;
        for (const QByteArray& line : server.receivedLines())
            if (line.contains(":;")) out << line;
        return out;
    }
    void clearSent() {
        engine->clearReceived();
        server.clearReceived();
    }
    static OwnObjectFields fields(const QString& name, int interval) {
        OwnObjectFields f;
        f.name = name;
        f.latitude = 40.5;
        f.longitude = 22.75;
        f.symbolTable = '\\';
        f.symbolCode = 'n';
        f.comment = QStringLiteral("on the hill");
        f.interval = interval;
        return f;
    }
    // The station stopped (saving) and started again in the same home: a second login.
    bool restart() {
        station.reset();
        start();
        return waitUntil([this] {
            return engine->monitoringClientCount() == 1 && server.loginLines().size() == 2 &&
                   station->activePorts().count() == 2;
        });
    }
    // A minute, then the bytes let through.
    void tickAndSettle() {
        tick();
        settle();
    }
};

} // namespace

TEST(ObjectStation, ObjectsSurviveARestartAndGoOutOnEveryActivePortOnTheirCountdown) {
    ObjectStation s;
    ASSERT_TRUE(s.startAndWaitForBoth());
    OwnObjectsManager& objects = s.station->objects();
    ASSERT_EQ(objects.addObject(ObjectStation::fields(QStringLiteral("HILL"), 3)), ObjectRefusal::None);
    ASSERT_TRUE(waitUntil([&] { return s.serverReports().size() == 1 && s.radioReports().size() == 1; }));
    EXPECT_EQ(s.serverReports().front(),
              "N0QPA>APZEL,TCPIP*:;HILL     *151200z4030.00N\\02245.00Enon the hill");
    EXPECT_EQ(s.radioReports().front().first, 0);
    EXPECT_EQ(s.radioReports().front().second.toStdString(),
              ";HILL     *151200z4030.00N\\02245.00Enon the hill");
    const auto frames = s.framesOfKind("MV");
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back().header.toCall, "APZEL");
    EXPECT_EQ(EngineCodec::parseUnproto(frames.back()).via, QStringList{"RELAY"});

    // Shutdown saves; the next start loads and sends at its first tick, then every 3 minutes.
    s.clearSent();
    ASSERT_TRUE(s.restart());
    ASSERT_TRUE(QFile::exists(s.t.home.dataFile(QStringLiteral("MyObjects.dat"))));
    ASSERT_EQ(s.station->objects().liveNames(), QStringList{"HILL"});
    std::vector<int> minutes;
    for (int minute = 1; minute <= 7; ++minute) {
        const qsizetype before = s.serverReports().size();
        s.tickAndSettle();
        if (s.serverReports().size() > before) minutes.push_back(minute);
    }
    EXPECT_EQ(minutes, (std::vector<int>{1, 4, 7}));
    ASSERT_TRUE(waitUntil([&] { return s.radioReports().size() == 3; }));
    for (const auto& [port, info] : s.radioReports()) {
        EXPECT_EQ(port, 0);
        EXPECT_EQ(info.mid(10, 8), "*151200z") << "the stored time stamp on every repetition";
    }
}

TEST(ObjectStation, AKilledObjectGoesOutKilledThreeTimesOnEveryPortThenIsGoneForGood) {
    ObjectStation s;
    ASSERT_TRUE(s.startAndWaitForBoth());
    OwnObjectsManager& objects = s.station->objects();
    objects.addObject(ObjectStation::fields(QStringLiteral("TENT"), 60));
    objects.addObject(ObjectStation::fields(QStringLiteral("CAR"), 60));
    LinkedStation::settle();
    s.clearSent();
    ASSERT_TRUE(objects.killObject(QStringLiteral("TENT")));
    for (int i = 0; i < 5; ++i) s.tickAndSettle();
    ASSERT_TRUE(waitUntil([&] { return s.radioReports().size() == 3; }));
    EXPECT_EQ(s.serverReports().size(), 3);
    for (const QByteArray& line : s.serverReports())
        EXPECT_TRUE(line.contains(":;TENT     _")) << line.data();
    for (const auto& [port, info] : s.radioReports())
        EXPECT_TRUE(info.startsWith(";TENT     _")) << info.data();
    EXPECT_EQ(objects.count(), 1);

    ASSERT_TRUE(s.restart());
    EXPECT_EQ(s.station->objects().liveNames(), QStringList{"CAR"});
}

TEST(ObjectStation, AStationWithoutACallSignSendsNoObjects) {
    ObjectStation s;
    write(s.t.settings, Settings::MYCALL, QStringLiteral("NOCALL"));
    ASSERT_TRUE(s.startAndWaitForBoth());
    s.station->objects().addObject(ObjectStation::fields(QStringLiteral("QUIET"), 1));
    s.tickAndSettle();
    EXPECT_TRUE(s.serverReports().isEmpty());
    EXPECT_TRUE(s.radioReports().empty());
}
