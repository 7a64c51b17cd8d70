// The station list: ids, look-ups, order, removal with track files, expiry.
#include "aprs/StationManager.h"
#include "aprs/SafeFileName.h"
#include "aprs/TrackSink.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "support/TempHome.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

struct StationManagerTest : ::testing::Test {
    TempHome t;
    ManualClock clock;
    StationManager stations{t.home, t.settings, clock};

    StationRecord* add(const QString& call, const QString& owner = {}) {
        StationRecord* r = stations.Create();
        r->call = call;
        r->owner = owner;
        return r;
    }
    QStringList order() {
        QStringList calls;
        for (int i = 0; i < stations.count(); ++i) calls << stations.at(i)->call;
        return calls;
    }
    void touch(const QString& path) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    SystemTime localSecondsAgo(qint64 s) { return SystemTime::fromDateTime(clock.nowLocal().addSecs(-s)); }
};

TEST_F(StationManagerTest, CreateGivesRunningIdsAndNowAsHeardTimes) {
    StationRecord* a = add(QStringLiteral("A"));
    StationRecord* b = add(QStringLiteral("B"));
    EXPECT_EQ(a->id, 1);
    EXPECT_EQ(b->id, 2);
    EXPECT_EQ(a->firstHeard, SystemTime::fromDateTime(clock.nowLocal()));
    EXPECT_EQ(a->lastHeard, a->firstHeard);
    EXPECT_EQ(a->symbolTable, '/');
    EXPECT_EQ(a->symbolCode, '-');
    EXPECT_EQ(a->reserved1, 16);
    EXPECT_EQ(a->weather.temperature, -50000);
    EXPECT_EQ(a->weather.windSpeed, -1);
    stations.Remove(a);
    EXPECT_EQ(add(QStringLiteral("C"))->id, 3); // ids are never reused
}

TEST_F(StationManagerTest, FindByCallIsExactAndTakesTheFirstInListOrder) {
    StationRecord* a = add(QStringLiteral("N0CALL"));
    add(QStringLiteral("N0CALL-1"));
    StationRecord* obj = add(QStringLiteral("N0CALL"), QStringLiteral("OWNER"));
    EXPECT_EQ(stations.FindByCall(QStringLiteral("N0CALL")), a);
    EXPECT_EQ(stations.FindByCall(QStringLiteral("n0call")), nullptr);
    EXPECT_EQ(stations.FindByCall(QStringLiteral("N0CAL")), nullptr);
    stations.MoveToEnd(a);
    EXPECT_EQ(stations.FindByCall(QStringLiteral("N0CALL")), obj);
}

TEST_F(StationManagerTest, SameObjectNameFromTwoOwnersIsTwoRecords) {
    StationRecord* x = add(QStringLiteral("EVENT"), QStringLiteral("A1AAA"));
    StationRecord* y = add(QStringLiteral("EVENT"), QStringLiteral("B2BBB"));
    EXPECT_EQ(stations.FindObject(QStringLiteral("EVENT"), QStringLiteral("A1AAA")), x);
    EXPECT_EQ(stations.FindObject(QStringLiteral("EVENT"), QStringLiteral("B2BBB")), y);
    EXPECT_EQ(stations.FindObject(QStringLiteral("EVENT"), QStringLiteral("C3CCC")), nullptr);
    // The owner can change after the record was found (an object taken over by another station).
    y->owner = QStringLiteral("C3CCC");
    EXPECT_EQ(stations.FindObject(QStringLiteral("EVENT"), QStringLiteral("C3CCC")), y);
}

TEST_F(StationManagerTest, RecordsNamedAfterAnEarlierLookupAreFound) {
    EXPECT_EQ(stations.FindByCall(QStringLiteral("LATE")), nullptr);
    StationRecord* r = stations.Create(); // named by its decoder after creation
    EXPECT_EQ(stations.FindByCall(QStringLiteral("")), nullptr);
    r->call = QStringLiteral("LATE");
    EXPECT_EQ(stations.FindByCall(QStringLiteral("LATE")), r);
    r->call = QStringLiteral("RENAMED");
    EXPECT_EQ(stations.FindByCall(QStringLiteral("LATE")), nullptr);
    EXPECT_EQ(stations.FindByCall(QStringLiteral("RENAMED")), r);
}

TEST_F(StationManagerTest, LookUpsStayExactThroughHashCollisionsLongCallsAndInPlaceEdits) {
    // Two calls of one hash, and calls too long for the copy kept beside the index.
    ASSERT_EQ(callSignHash(u"D0YSCS"), callSignHash(u"U6TDG2"));
    StationRecord* d = add(QStringLiteral("D0YSCS"));
    StationRecord* u = add(QStringLiteral("U6TDG2"));
    StationRecord* longCall = add(QStringLiteral("VERYLONGCALL-12"));
    StationRecord* longCall2 = add(QStringLiteral("VERYLONGCALL-13"));
    EXPECT_EQ(stations.FindByCall(u"D0YSCS"), d);
    EXPECT_EQ(stations.FindByCall(u"U6TDG2"), u);
    EXPECT_EQ(stations.FindByCall(u"VERYLONGCALL-12"), longCall);
    EXPECT_EQ(stations.FindByCall(u"VERYLONGCALL-13"), longCall2);
    EXPECT_EQ(stations.FindByCall(u"VERYLONGCALL-1"), nullptr);

    // Edits of the call string itself, same length each time, are never mistaken for the old call.
    d->call[0] = QLatin1Char('X');
    EXPECT_EQ(stations.FindByCall(u"D0YSCS"), nullptr);
    EXPECT_EQ(stations.FindByCall(u"X0YSCS"), d);
    u->call = QLatin1String("U6TDG3");
    EXPECT_EQ(stations.FindByCall(u"U6TDG2"), nullptr);
    EXPECT_EQ(stations.FindByCall(u"U6TDG3"), u);
    longCall->call.replace(QLatin1String("-12"), QLatin1String("-99"));
    EXPECT_EQ(stations.FindByCall(u"VERYLONGCALL-12"), nullptr);
    EXPECT_EQ(stations.FindByCall(u"VERYLONGCALL-99"), longCall);
    // The same call from another string still finds the record.
    u->call = QString::fromLatin1("U6TDG3");
    EXPECT_EQ(stations.FindByCall(u"U6TDG3"), u);
}

TEST_F(StationManagerTest, MoveToEndAndNextAfterKeepListOrder) {
    StationRecord* a = add(QStringLiteral("A"));
    StationRecord* b = add(QStringLiteral("B"));
    StationRecord* c = add(QStringLiteral("C"));
    stations.MoveToEnd(a);
    EXPECT_EQ(order(), (QStringList{"B", "C", "A"}));
    stations.MoveToEnd(a); // already last
    EXPECT_EQ(order(), (QStringList{"B", "C", "A"}));
    EXPECT_EQ(stations.NextAfter(nullptr), b);
    EXPECT_EQ(stations.NextAfter(b), c);
    EXPECT_EQ(stations.NextAfter(c), a);
    EXPECT_EQ(stations.NextAfter(a), nullptr);

    StationRecord outsider;
    stations.MoveToEnd(&outsider); // not in the list: nothing
    EXPECT_EQ(stations.count(), 3);
    EXPECT_EQ(stations.NextAfter(&outsider), nullptr);
    EXPECT_FALSE(stations.Contains(&outsider));
    EXPECT_TRUE(stations.Contains(b));
    EXPECT_EQ(stations.at(3), nullptr);
    EXPECT_EQ(stations.at(-1), nullptr);
}

TEST_F(StationManagerTest, ManyMovesKeepOrderAndLookups) {
    std::vector<StationRecord*> recs;
    for (int i = 0; i < 500; ++i) recs.push_back(add(QString::number(i)));
    // Move every even record to the end, repeatedly, so holes pile up and are squeezed out.
    for (int round = 0; round < 5; ++round)
        for (int i = 0; i < 500; i += 2) stations.MoveToEnd(recs[static_cast<size_t>(i)]);
    ASSERT_EQ(stations.count(), 500);
    for (int i = 0; i < 250; ++i) EXPECT_EQ(stations.at(i)->call, QString::number(2 * i + 1));
    for (int i = 0; i < 250; ++i) EXPECT_EQ(stations.at(250 + i)->call, QString::number(2 * i));
    for (int i = 0; i < 500; ++i)
        EXPECT_EQ(stations.FindByCall(QString::number(i)), recs[static_cast<size_t>(i)]);
    int walked = 0;
    for (StationRecord* r = stations.NextAfter(nullptr); r; r = stations.NextAfter(r)) ++walked;
    EXPECT_EQ(walked, 500);
}

TEST_F(StationManagerTest, RemoveDeletesOnlyItsOwnTrackFile) {
    StationRecord* a = add(QStringLiteral("N0CALL"));
    add(QStringLiteral("N0CALL-9"));
    touch(trackFilePath(t.home, QStringLiteral("N0CALL"), "pos"));
    touch(trackFilePath(t.home, QStringLiteral("N0CALL-9"), "pos"));
    stations.Remove(a);
    EXPECT_FALSE(stations.Contains(a));
    EXPECT_EQ(stations.FindByCall(QStringLiteral("N0CALL")), nullptr);
    EXPECT_FALSE(QFile::exists(t.home.dataFile(QStringLiteral("N0CALL.pos"))));
    EXPECT_TRUE(QFile::exists(t.home.dataFile(QStringLiteral("N0CALL-9.pos"))));

    StationRecord outsider;
    outsider.call = QStringLiteral("N0CALL-9");
    stations.Remove(&outsider); // not in the list: left alone, file too
    EXPECT_TRUE(QFile::exists(t.home.dataFile(QStringLiteral("N0CALL-9.pos"))));
}

TEST_F(StationManagerTest, RemoveGoesThroughTheTrackSinkWhenSet) {
    struct Sink : TrackSink {
        QStringList deleted;
        void appendTrackPoint(StationRecord&) override {}
        void deleteTrack(const QString& call) override { deleted << call; }
    } sink;
    stations.setTrackSink(&sink);
    QStringList observed, second;
    stations.addRemovalObserver([&](const StationRecord& r) {
        // Views look records up while told of a removal: the lock is re-entrant.
        EXPECT_TRUE(stations.Contains(&r));
        observed << r.call;
    });
    // A second view listens too, and stops listening while being told.
    int secondId = 0;
    secondId = stations.addRemovalObserver([&](const StationRecord& r) {
        second << r.call;
        stations.removeRemovalObserver(secondId);
    });
    stations.Remove(add(QStringLiteral("A")));
    add(QStringLiteral("B"));
    stations.RemoveAll();
    EXPECT_EQ(sink.deleted, QStringList{"A"}); // shutdown keeps the tracks
    EXPECT_EQ(observed, (QStringList{"A", "B"}));
    EXPECT_EQ(second, QStringList{"A"});
    EXPECT_EQ(stations.count(), 0);
}

TEST_F(StationManagerTest, ExpiryKeepsExactlyExpireTimeAndDropsOneSecondMore) {
    write(t.settings, Settings::EXPIRETIME, 30);
    StationRecord* edge = add(QStringLiteral("EDGE"));
    edge->lastHeard = localSecondsAgo(30 * 60);
    StationRecord* old = add(QStringLiteral("OLD"));
    old->lastHeard = localSecondsAgo(30 * 60 + 1);
    StationRecord* fresh = add(QStringLiteral("FRESH"));
    touch(trackFilePath(t.home, QStringLiteral("OLD"), "pos"));
    stations.Expire();
    EXPECT_EQ(order(), (QStringList{"EDGE", "FRESH"}));
    EXPECT_FALSE(QFile::exists(trackFilePath(t.home, QStringLiteral("OLD"), "pos")));
    EXPECT_TRUE(stations.Contains(fresh));

    clock.advance(1000); // the edge station is now one second over
    stations.Expire();
    EXPECT_EQ(order(), QStringList{"FRESH"});
}

TEST_F(StationManagerTest, ExpiryReadsTheSettingAtEachPass) {
    StationRecord* r = add(QStringLiteral("A"));
    r->lastHeard = localSecondsAgo(100 * 60);
    stations.Expire(); // default 180 minutes
    EXPECT_EQ(stations.count(), 1);
    write(t.settings, Settings::EXPIRETIME, 99);
    stations.Expire();
    EXPECT_EQ(stations.count(), 0);
}

TEST_F(StationManagerTest, ExpiryDropsFutureAndUnreadableTimes) {
    add(QStringLiteral("FUTURE"))->lastHeard = localSecondsAgo(-1);
    add(QStringLiteral("GARBAGE"))->lastHeard = SystemTime{2024, 13, 0, 40, 25, 61, 61, 0};
    add(QStringLiteral("NOW"));
    stations.Expire();
    EXPECT_EQ(order(), QStringList{"NOW"});
}

} // namespace

// A changed text goes into the field's own buffer when nothing shares it; a shared buffer is never
// written through, and a piece of the field itself may be stored back into it.
TEST(TextFields, AssignedInPlaceOnlyWhenTheBufferIsTheFieldsOwn) {
    QString field = QStringLiteral("Home station with a long comment");
    field.detach();
    const QString shared = field; // a view's copy of the record's text
    assignText(field, QStringView(u"Mobile"));
    EXPECT_EQ(field, QStringLiteral("Mobile"));
    EXPECT_EQ(shared, QStringLiteral("Home station with a long comment"));

    QString own = QStringLiteral("abcdefghij");
    own.detach();
    const QChar* buffer = own.constData();
    assignText(own, QStringView(own).sliced(3)); // overlapping, shorter
    EXPECT_EQ(own, QStringLiteral("defghij"));
    EXPECT_EQ(own.constData(), buffer); // no new allocation
    assignText(own, QStringView());
    EXPECT_TRUE(own.isEmpty());
}
