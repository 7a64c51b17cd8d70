#include "ObjectTestBytes.h"

#include <gtest/gtest.h>
#include <limits>

namespace {
// The minutes (ticks since the start, from 1) at which reports starting with the prefix went out.
struct TickLog {
    explicit TickLog(ObjectsFixture& fixture) : f(fixture) {}
    ObjectsFixture& f;
    std::vector<std::pair<int, QString>> log;
    int minute = 0;
    void run(int n) {
        for (int i = 0; i < n; ++i) {
            f.sent.clear();
            f.ticks(1);
            ++minute;
            for (const QString& r : f.sent) log.emplace_back(minute, r);
        }
    }
    std::vector<int> minutesOf(const QString& prefix) const {
        std::vector<int> out;
        for (const auto& [m, r] : log)
            if (r.startsWith(prefix)) out.push_back(m);
        return out;
    }
};
} // namespace

TEST(ObjectTick, TheReportHasTheObjectFormWithTheNamePaddedOrCut) {
    OwnObjectRecord o;
    o.call = QStringLiteral("CAMP");
    o.latitude = 37.5;
    o.longitude = -23.75;
    o.symbolTable = '/';
    o.symbolCode = ';';
    o.comment = QStringLiteral("Scout camp 100% fun %1");
    o.time = SystemTime{2026, 2, 1, 3, 7, 5, 59, 0};
    EXPECT_EQ(OwnObjectsManager::report(o), ";CAMP     *030705z3730.00N/02345.00W;Scout camp 100% fun %1");
    EXPECT_EQ(OwnObjectsManager::report(o, false),
              ";CAMP     _030705z3730.00N/02345.00W;Scout camp 100% fun %1");

    o.call = QStringLiteral("ABCDEFGHIJKL");
    o.latitude = -5.0125;
    o.longitude = 151.2;
    o.symbolTable = '5';
    o.symbolCode = 'a';
    o.comment.clear();
    EXPECT_EQ(OwnObjectsManager::report(o), ";ABCDEFGHI*030705z0500.75S515112.00Ea");
}

TEST(ObjectTick, LoadedObjectsGoOutAtTheFirstTickThenEachOnItsOwnInterval) {
    ObjectsFixture f;
    ObjectBytes bytes;
    ObjectBytes::Object every30;
    every30.name = QStringLiteral("THIRTY");
    every30.interval = 30;
    ObjectBytes::Object every7;
    every7.name = QStringLiteral("SEVEN");
    every7.interval = 7;
    bytes.object(every30).object(every7);
    f.writeFile(bytes.b);
    f.objects->Load();

    TickLog t(f);
    t.run(62);
    EXPECT_EQ(t.minutesOf(QStringLiteral(";THIRTY")), (std::vector<int>{1, 31, 61}));
    EXPECT_EQ(t.minutesOf(QStringLiteral(";SEVEN")), (std::vector<int>{1, 8, 15, 22, 29, 36, 43, 50, 57}));
    // The stored time stamp, however late the repetition.
    for (const auto& [m, r] : t.log) EXPECT_EQ(r.mid(11, 7), "151200z") << m;
}

TEST(ObjectTick, ANewObjectGoesOutAtOnceThenEveryIntervalWithItsCreationTime) {
    ObjectsFixture f;
    f.clock.setNow(QDateTime(QDate(2026, 5, 20), QTime(8, 14, 30), Qt::UTC));
    ASSERT_EQ(f.objects->addObject(ObjectsFixture::fields(QStringLiteral("NEW"), 5)), ObjectRefusal::None);
    ASSERT_EQ(f.sent.size(), 1);
    EXPECT_EQ(f.sent[0], ";NEW      *200814z4030.00N/02245.00E/a comment");
    TickLog t(f);
    t.run(11);
    EXPECT_EQ(t.minutesOf(QStringLiteral(";NEW      *200814z")), (std::vector<int>{5, 10}));

    // An edit restamps, goes out at once and restarts the interval.
    f.sent.clear();
    OwnObjectFields moved = ObjectsFixture::fields(QStringLiteral("NEW"), 3);
    moved.latitude = 41;
    ASSERT_EQ(f.objects->editObject(QStringLiteral("NEW"), moved), ObjectRefusal::None);
    ASSERT_EQ(f.sent.size(), 1);
    EXPECT_EQ(f.sent[0], ";NEW      *200825z4100.00N/02245.00E/a comment");
    t.log.clear();
    t.run(6);
    EXPECT_EQ(t.minutesOf(QStringLiteral(";NEW      *200825z4100.00N")), (std::vector<int>{14, 17}));
}

TEST(ObjectTick, AKilledObjectGoesOutKilledOnTheNextThreeTicksAndIsThenRemoved) {
    ObjectsFixture f;
    f.objects->addObject(ObjectsFixture::fields(QStringLiteral("GONE"), 1));
    f.objects->addObject(ObjectsFixture::fields(QStringLiteral("STAYS"), 1));
    ASSERT_TRUE(f.objects->killObject(QStringLiteral("GONE")));
    EXPECT_FALSE(f.objects->killObject(QStringLiteral("GONE"))) << "killed once";
    EXPECT_FALSE(f.objects->killObject(QStringLiteral("NOSUCH")));
    EXPECT_EQ(f.objects->liveNames(), QStringList{"STAYS"});
    EXPECT_EQ(f.objects->findLive(QStringLiteral("GONE")), nullptr);

    TickLog t(f);
    t.run(5);
    EXPECT_EQ(t.minutesOf(QStringLiteral(";GONE     _")), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(t.minutesOf(QStringLiteral(";GONE     *")).empty());
    EXPECT_EQ(t.minutesOf(QStringLiteral(";STAYS    *")), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(f.objects->count(), 1);
}

TEST(ObjectTick, TwoKillsEndingInTheSameTickAreBothRemovedAndTheLiveOnesStillGoOut) {
    ObjectsFixture f;
    for (const char* name : {"K1", "LIVE1", "K2", "LIVE2"})
        f.objects->addObject(ObjectsFixture::fields(QString::fromLatin1(name), 3));
    f.objects->killObject(QStringLiteral("K1"));
    f.objects->killObject(QStringLiteral("K2"));
    TickLog t(f);
    t.run(3);
    EXPECT_EQ(f.objects->liveNames(), (QStringList{"LIVE1", "LIVE2"}));
    EXPECT_EQ(f.objects->count(), 2);
    EXPECT_EQ(t.minutesOf(QStringLiteral(";LIVE2")), std::vector<int>{3}) << "handled in the tick of removal";
    EXPECT_EQ(t.minutesOf(QStringLiteral(";K2       _")), (std::vector<int>{1, 2, 3}));
}

TEST(ObjectTick, RenamingWithdrawsTheOldNameAndReaddingAKilledNameAnnouncesItAgain) {
    ObjectsFixture f;
    f.objects->addObject(ObjectsFixture::fields(QStringLiteral("OLD")));
    f.sent.clear();
    ASSERT_EQ(f.objects->editObject(QStringLiteral("OLD"), ObjectsFixture::fields(QStringLiteral("RENAMED"))),
              ObjectRefusal::None);
    EXPECT_EQ(f.objects->liveNames(), QStringList{"RENAMED"});
    ASSERT_EQ(f.sent.size(), 1);
    EXPECT_TRUE(f.sent[0].startsWith(";RENAMED  *"));
    f.sent.clear();
    f.ticks(1);
    EXPECT_EQ(f.sent, QStringList{f.sent.value(0)});
    EXPECT_TRUE(f.sent.value(0).startsWith(";OLD      _"));

    // Back under the old name while it is still being withdrawn: live again, the kill forgotten.
    ASSERT_EQ(f.objects->addObject(ObjectsFixture::fields(QStringLiteral("OLD"))), ObjectRefusal::None);
    EXPECT_EQ(f.objects->count(), 2);
    f.sent.clear();
    f.ticks(3);
    for (const QString& r : f.sent) EXPECT_FALSE(r.startsWith(";OLD      _")) << r.toStdString();
}

TEST(ObjectTick, TheUsersFieldsAreChecked) {
    ObjectsFixture f;
    const auto with = [](auto change) {
        OwnObjectFields o = ObjectsFixture::fields(QStringLiteral("OK"));
        change(o);
        return OwnObjectsManager::checkFields(o);
    };
    using R = ObjectRefusal;
    EXPECT_EQ(with([](auto&) {}), R::None);
    EXPECT_EQ(with([](auto& o) { o.name = QStringLiteral("NINECHARS"); }), R::None);
    EXPECT_EQ(with([](auto& o) { o.name = QStringLiteral("TENCHARS10"); }), R::Name);
    EXPECT_EQ(with([](auto& o) { o.name = QStringLiteral("NINE CHR   "); }), R::None) << "trailing blanks go";
    EXPECT_EQ(with([](auto& o) { o.name = QStringLiteral(" LEAD"); }), R::Name);
    EXPECT_EQ(with([](auto& o) { o.name = QStringLiteral("   "); }), R::Name);
    EXPECT_EQ(with([](auto& o) { o.name = QStringLiteral("CAF\u00c9"); }), R::Name);
    EXPECT_EQ(with([](auto& o) { o.name = QStringLiteral("A\tB"); }), R::Name);
    EXPECT_EQ(with([](auto& o) { o.latitude = 90.01; }), R::Position);
    EXPECT_EQ(with([](auto& o) { o.longitude = std::numeric_limits<double>::quiet_NaN(); }), R::Position);
    EXPECT_EQ(with([](auto& o) { o.symbolCode = ' '; }), R::Symbol);
    EXPECT_EQ(with([](auto& o) { o.symbolTable = 127; }), R::Symbol);
    EXPECT_EQ(with([](auto& o) { o.comment = QStringLiteral("two\nlines"); }), R::Comment);
    EXPECT_EQ(with([](auto& o) { o.comment = QString(44, QLatin1Char('x')); }), R::Comment);
    EXPECT_EQ(with([](auto& o) { o.interval = 0; }), R::Interval);
    EXPECT_EQ(with([](auto& o) { o.interval = 1441; }), R::Interval);

    ASSERT_EQ(f.objects->addObject(ObjectsFixture::fields(QStringLiteral("SAME"))), R::None);
    EXPECT_EQ(f.objects->addObject(ObjectsFixture::fields(QStringLiteral("SAME  "))), R::NameTaken)
        << "the same name on the air";
    EXPECT_EQ(f.objects->addObject(ObjectsFixture::fields(QStringLiteral("TENCHARS10"))), R::Name);
    f.objects->addObject(ObjectsFixture::fields(QStringLiteral("OTHER")));
    EXPECT_EQ(f.objects->editObject(QStringLiteral("OTHER"), ObjectsFixture::fields(QStringLiteral("SAME"))),
              R::NameTaken);
    EXPECT_EQ(f.objects->editObject(QStringLiteral("NOSUCH"), ObjectsFixture::fields(QStringLiteral("X"))),
              R::NotFound);
    EXPECT_EQ(f.objects->addObject(ObjectsFixture::fields(QStringLiteral("SAME"), 0)), R::Interval);
    EXPECT_EQ(f.objects->count(), 2);
}
