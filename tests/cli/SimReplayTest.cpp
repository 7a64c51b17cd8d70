// The simulators' replay: its pace at any rate, the --rate option, and looping over loopback.
#include "cli/AprsIsSimulator.h"
#include "cli/SimCommands.h"
#include "cli/SimServer.h"
#include "cli/SimSupport.h"
#include "support/Wait.h"

#include <QTcpSocket>
#include <gtest/gtest.h>

namespace {
constexpr qint64 kMs = 1'000'000; // nanoseconds

// A logged-in client of the APRS-IS simulator with the replayed lines it has read (the server's
// "# " lines left out).
struct ReplayClient {
    QTcpSocket socket;
    QByteArray pending;
    QList<QByteArray> lines;

    explicit ReplayClient(quint16 port) {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            pending += socket.readAll();
            qsizetype end;
            while ((end = pending.indexOf("\r\n")) >= 0) {
                const QByteArray line = pending.left(end);
                pending.remove(0, end + 2);
                if (!line.startsWith('#')) lines << line;
            }
        });
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.write("user N0QPA pass -1 vers test 1.0\r\n");
    }
};

const QStringList kThreeLines = {QStringLiteral("N0QPA>APRS:>one"), QStringLiteral("N0QPA>APRS:>two"),
                                 QStringLiteral("N0QPA>APRS:>three")};
} // namespace

TEST(ReplayPace, LinesDueFollowTheRateWhateverItIs) {
    EXPECT_EQ(ReplayPace::dueAfter(1, 0), 0);
    EXPECT_EQ(ReplayPace::dueAfter(1, 1000 * kMs - 1), 0); // the first one interval after the start
    EXPECT_EQ(ReplayPace::dueAfter(1, 1000 * kMs), 1);
    // Rates whose interval is no whole number of milliseconds.
    EXPECT_EQ(ReplayPace::dueAfter(3, 333'333'333), 0);
    EXPECT_EQ(ReplayPace::dueAfter(3, 333'333'334), 1);
    EXPECT_EQ(ReplayPace::dueAfter(3, 1000 * kMs), 3);
    EXPECT_EQ(ReplayPace::dueAfter(0.5, 3999 * kMs), 1);
    EXPECT_EQ(ReplayPace::dueAfter(2500, 399'999), 0);
    EXPECT_EQ(ReplayPace::dueAfter(2500, 400'000), 1);
    EXPECT_EQ(ReplayPace::dueAfter(2500, 10'000 * kMs), 25'000);
    // Rates far above one line a millisecond, over a long run.
    EXPECT_EQ(ReplayPace::dueAfter(100'000, 10'000), 1);
    EXPECT_EQ(ReplayPace::dueAfter(100'000, 3'600'000 * kMs), 360'000'000);
}

TEST(ReplayPace, EachTickTakesWhatFellDueSinceTheLast) {
    // 2,500 lines a second on a 4 ms tick: 10 lines a tick.
    ReplayPace steady(2500);
    for (qint64 t = 4; t <= 1000; t += 4) ASSERT_EQ(steady.take(t * kMs), 10) << t;

    // Ragged ticks add up to the lines due, never more.
    ReplayPace ragged(2500);
    qint64 taken = 0, t = 0;
    for (int i = 0; i < 500; ++i) {
        t += (1 + i % 5) * 1'300'000;
        taken += ragged.take(t);
        ASSERT_EQ(taken, ReplayPace::dueAfter(2500, t));
    }

    // A low rate: nothing until the line is due, then exactly it; the next due time follows.
    ReplayPace slow(3);
    EXPECT_EQ(slow.nextDueNs(), 333'333'334);
    EXPECT_EQ(slow.take(333 * kMs), 0);
    EXPECT_EQ(slow.take(334 * kMs), 1);
    EXPECT_EQ(slow.nextDueNs(), 666'666'667);
    EXPECT_EQ(slow.take(335 * kMs), 0);
}

TEST(ReplayPace, ALateTickCatchesUpAndALongStallIsForgotten) {
    ReplayPace pace(1000);
    EXPECT_EQ(pace.take(4 * kMs), 4);
    EXPECT_EQ(pace.take(104 * kMs), 100);
    // Stopped for a minute: one burst of at most kMaxLagMs worth (a line a millisecond), then the
    // rate goes on from there.
    EXPECT_EQ(pace.take(60'104 * kMs), ReplayPace::kMaxLagMs);
    EXPECT_EQ(pace.nextDueNs(), 60'105 * kMs);
    EXPECT_EQ(pace.take(60'108 * kMs), 4);
}

TEST(SimCommands, RateTakesAnyPositiveNumberUpToTheBound) {
    const auto rate = [](const QStringList& args) { return SimSupport::rateOption(args, 1e6); };
    EXPECT_EQ(rate({}), 1.0);
    EXPECT_EQ(rate({"--rate", "2500"}), 2500.0);
    EXPECT_EQ(rate({"--rate=100000"}), 100000.0);
    EXPECT_EQ(rate({"--rate", "0.25"}), 0.25);
    for (const char* bad : {"0", "-1", "nan", "inf", "", "fast", "1000001"})
        EXPECT_FALSE(rate({"--rate", bad})) << bad;
    EXPECT_EQ(runAprsIsSimCommand({"--rate", "nan"}), 2);
    EXPECT_EQ(runEngineSimCommand({"--rate", "0"}), 2);
}

TEST(SimReplay, LoopingStartsAgainFromTheFirstLine) {
    AprsIsSimulator sim;
    QStringList said;
    sim.log = [&](const QString& text) { said << text; };
    sim.setReplay(kThreeLines, 2000);
    sim.setLoop(true);
    ASSERT_TRUE(sim.listen(QHostAddress::LocalHost, 0));
    ReplayClient client(sim.port());
    ASSERT_TRUE(waitUntil([&] { return client.lines.size() >= 7; }));
    const QList<QByteArray> expected = {"N0QPA>APRS:>one", "N0QPA>APRS:>two", "N0QPA>APRS:>three",
                                        "N0QPA>APRS:>one", "N0QPA>APRS:>two", "N0QPA>APRS:>three",
                                        "N0QPA>APRS:>one"};
    EXPECT_EQ(client.lines.mid(0, 7), expected);
    EXPECT_FALSE(said.contains(QStringLiteral("replay finished")));
}

TEST(SimReplay, WithoutLoopingTheReplayFinishesAfterTheLastLine) {
    AprsIsSimulator sim;
    QStringList said;
    sim.log = [&](const QString& text) { said << text; };
    sim.setReplay(kThreeLines, 2000);
    ASSERT_TRUE(sim.listen(QHostAddress::LocalHost, 0));
    ReplayClient client(sim.port());
    ASSERT_TRUE(waitUntil([&] { return said.contains(QStringLiteral("replay finished")); }));
    ASSERT_TRUE(waitUntil([&] { return client.lines.size() == 3; }));
    EXPECT_EQ(client.lines.back(), "N0QPA>APRS:>three");
    EXPECT_EQ(said.count(QStringLiteral("replay finished")), 1);
}
