#include "ObjectTestBytes.h"
#include "messaging/OwnObjectsFile.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

TEST(ObjectFile, MyObjectsDatHasTheExactLayout) {
    ObjectsFixture f;
    ASSERT_EQ(f.objects->addObject(ObjectsFixture::fields(QStringLiteral("OBJ1"))), ObjectRefusal::None);
    OwnObjectFields second = ObjectsFixture::fields(QStringLiteral("TOWER"), 30);
    second.symbolTable = '\\';
    second.symbolCode = 'm';
    second.latitude = -33.25;
    second.longitude = -70.125;
    second.comment = QString();
    ASSERT_EQ(f.objects->addObject(second), ObjectRefusal::None);
    ASSERT_TRUE(f.objects->Save());

    ObjectBytes expected;
    expected.object({});
    ObjectBytes::Object tower;
    tower.name = QStringLiteral("TOWER");
    tower.comment = QString();
    tower.latitude = -33.25;
    tower.longitude = -70.125;
    tower.table = '\\';
    tower.code = 'm';
    tower.interval = 30;
    expected.object(tower);
    EXPECT_EQ(f.fileBytes(f.path()), expected.b);
    EXPECT_EQ(f.fileBytes(f.path()).left(4), QByteArray("\x7A\x00\x01\x00", 4));
}

TEST(ObjectFile, BothStringFormsLoadAndTheNextSaveIsUtf16) {
    for (const uint32_t version : {0x0001007Au, 0x0000007Au}) {
        SCOPED_TRACE(version);
        ObjectsFixture f;
        ObjectBytes bytes(version);
        ObjectBytes::Object a;
        a.name = QStringLiteral("CAMP");
        a.comment = QStringLiteral("caf\u00e9 at the lake");
        a.interval = 25;
        a.day = 3;
        a.hour = 7;
        a.minute = 45;
        bytes.object(a);
        ObjectBytes::Object b;
        b.name = QStringLiteral("LONGNAME12");
        b.table = 'A';
        b.code = '#';
        bytes.object(b);
        f.writeFile(bytes.b);

        f.objects->Load();
        ASSERT_EQ(f.objects->count(), 2);
        const OwnObjectRecord& camp = f.objects->at(0);
        EXPECT_EQ(camp.call, "CAMP");
        EXPECT_EQ(camp.comment, QStringLiteral("caf\u00e9 at the lake"));
        EXPECT_DOUBLE_EQ(camp.latitude, 40.5);
        EXPECT_DOUBLE_EQ(camp.longitude, 22.75);
        EXPECT_EQ(camp.interval, 25);
        EXPECT_EQ(camp.countdown, 1);
        EXPECT_EQ(camp.killed, 0);
        EXPECT_EQ(camp.time.day, 3);
        EXPECT_EQ(camp.time.minute, 45);
        EXPECT_EQ(f.objects->at(1).symbolTable, 'A');
        EXPECT_FALSE(QFileInfo::exists(f.badPath())) << "a clean file is not copied aside";

        ASSERT_TRUE(f.objects->Save());
        const QByteArray saved = f.fileBytes(f.path());
        EXPECT_EQ(saved.left(4), QByteArray("\x7A\x00\x01\x00", 4));
        f.make();
        f.objects->Load();
        ASSERT_EQ(f.objects->count(), 2);
        EXPECT_EQ(f.objects->at(0).comment, QStringLiteral("caf\u00e9 at the lake"));
        EXPECT_EQ(f.objects->at(1).call, "LONGNAME12") << "a long name is kept; only the report cuts it";
        ASSERT_TRUE(f.objects->Save());
        EXPECT_EQ(f.fileBytes(f.path()), saved) << "a second round trip changes nothing";
    }
}

TEST(ObjectFile, AFileThatCannotBeReadIsMovedAsideAndReplacedByAnEmptyList) {
    const QByteArray wrongVersion = ObjectBytes(0x0001007C).object({}).b;
    const QByteArray tooShort("\x7A\x00", 2);
    for (const QByteArray& bytes : {wrongVersion, tooShort, QByteArray()}) {
        ObjectsFixture f;
        f.writeFile(bytes);
        f.objects->Load();
        EXPECT_EQ(f.objects->count(), 0);
        EXPECT_FALSE(QFileInfo::exists(f.path()));
        EXPECT_EQ(f.fileBytes(f.badPath()), bytes);
        ASSERT_TRUE(f.objects->Save());
        EXPECT_EQ(f.fileBytes(f.path()), QByteArray("\x7A\x00\x01\x00", 4)) << "only the version word";
        EXPECT_EQ(f.fileBytes(f.badPath()), bytes) << "the save leaves the damaged file alone";
    }

    ObjectsFixture missing;
    missing.objects->Load();
    EXPECT_EQ(missing.objects->count(), 0);
    EXPECT_FALSE(QFileInfo::exists(missing.badPath())) << "no file is not a damaged file";

    ObjectsFixture large;
    {
        QFile file(large.path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ObjectBytes().object({}).b);
        ASSERT_TRUE(file.resize(OwnObjectsFile::kMaxFileBytes + 1));
    }
    large.objects->Load();
    EXPECT_EQ(large.objects->count(), 0);
    EXPECT_TRUE(QFileInfo::exists(large.badPath())) << "a file beyond the size limit is not read";
}

TEST(ObjectFile, ATruncatedLastObjectEndsTheLoadAndTheFileIsKeptAside) {
    ObjectsFixture f;
    ObjectBytes bytes;
    bytes.object({});
    ObjectBytes::Object second;
    second.name = QStringLiteral("SECOND");
    bytes.object(second);
    for (const qsizetype cut : {qsizetype(1), qsizetype(4), qsizetype(30), bytes.b.size() / 2 - 10}) {
        SCOPED_TRACE(cut);
        const QByteArray truncated = bytes.b.left(bytes.b.size() - cut);
        f.writeFile(truncated);
        f.objects->Load();
        ASSERT_EQ(f.objects->count(), 1);
        EXPECT_EQ(f.objects->at(0).call, "OBJ1");
        EXPECT_EQ(f.fileBytes(f.path()), truncated) << "the file stays where it was";
        EXPECT_EQ(f.fileBytes(f.badPath()), truncated);
    }

    // A string count far beyond the file ends the read without allocating it.
    ObjectBytes huge;
    huge.object({});
    huge.u32(0xFFFFFFF0u).u32(0);
    f.writeFile(huge.b);
    f.objects->Load();
    EXPECT_EQ(f.objects->count(), 1);
}

TEST(ObjectFile, ObjectsThatCannotGoOnTheAirAreDroppedAndTheRestRepaired) {
    ObjectsFixture f;
    f.clock.setNow(QDateTime(QDate(2026, 3, 9), QTime(17, 42), Qt::UTC));
    ObjectBytes bytes;
    const auto add = [&bytes](const QString& name, auto change) {
        ObjectBytes::Object o;
        o.name = name;
        change(o);
        bytes.object(o);
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    add(QStringLiteral("GOOD1"), [](ObjectBytes::Object&) {});
    add(QStringLiteral("CODE0"), [](ObjectBytes::Object& o) { o.code = 0; });
    add(QStringLiteral("CODE127"), [](ObjectBytes::Object& o) { o.code = 127; });
    add(QStringLiteral("TABLE32"), [](ObjectBytes::Object& o) { o.table = ' '; });
    add(QStringLiteral("TABLEBIG"), [](ObjectBytes::Object& o) { o.table = 0x10000 + '/'; });
    add(QStringLiteral("NANLAT"), [&](ObjectBytes::Object& o) { o.latitude = nan; });
    add(QStringLiteral("INFLON"), [&](ObjectBytes::Object& o) { o.longitude = -inf; });
    add(QStringLiteral("LAT91"), [](ObjectBytes::Object& o) { o.latitude = 90.5; });
    add(QStringLiteral("LON181"), [](ObjectBytes::Object& o) { o.longitude = -180.01; });
    add(QStringLiteral("EDGES"), [](ObjectBytes::Object& o) {
        o.latitude = -90;
        o.longitude = 180;
        o.code = '~';
        o.table = '!';
    });
    add(QStringLiteral("MONTH13"), [](ObjectBytes::Object& o) { o.month = 13; });
    add(QStringLiteral("HOUR25"), [](ObjectBytes::Object& o) { o.hour = 25; });
    add(QStringLiteral("FEB30"), [](ObjectBytes::Object& o) {
        o.month = 2;
        o.day = 30;
    });
    add(QStringLiteral("ZERO"), [](ObjectBytes::Object& o) { o.interval = 0; });
    add(QStringLiteral("NEGATIVE"), [](ObjectBytes::Object& o) { o.interval = -5; });
    f.writeFile(bytes.b);

    f.objects->Load();
    EXPECT_EQ(f.objects->liveNames(),
              (QStringList{"GOOD1", "EDGES", "MONTH13", "HOUR25", "FEB30", "ZERO", "NEGATIVE"}));
    const auto find = [&](const char* name) { return f.objects->findLive(QString::fromLatin1(name)); };
    for (const char* name : {"MONTH13", "HOUR25", "FEB30"}) {
        SCOPED_TRACE(name);
        const SystemTime& t = find(name)->time;
        EXPECT_EQ(t.month, 3) << "an impossible time becomes the load time";
        EXPECT_EQ(t.day, 9);
        EXPECT_EQ(t.hour, 17);
        EXPECT_EQ(t.minute, 42);
    }
    EXPECT_EQ(find("GOOD1")->time.day, 15) << "a real time stays as stored";
    EXPECT_EQ(find("ZERO")->interval, 10);
    EXPECT_EQ(find("NEGATIVE")->interval, 10);
    EXPECT_EQ(f.fileBytes(f.badPath()), bytes.b) << "what was dropped is kept aside";
}

TEST(ObjectFile, AtMostAThousandObjectsAreTaken) {
    ObjectsFixture f;
    ObjectBytes bytes;
    for (int i = 0; i < 1005; ++i) {
        ObjectBytes::Object o;
        o.name = QStringLiteral("O%1").arg(i);
        bytes.object(o);
    }
    f.writeFile(bytes.b);
    f.objects->Load();
    ASSERT_EQ(f.objects->count(), 1000);
    EXPECT_EQ(f.objects->at(999).call, "O999");
    EXPECT_EQ(f.objects->addObject(ObjectsFixture::fields(QStringLiteral("MORE"))), ObjectRefusal::Full);
}

TEST(ObjectFile, KilledObjectsAreNotSavedAndASaveThatCannotBeWrittenSaysSo) {
    ObjectsFixture f;
    f.objects->addObject(ObjectsFixture::fields(QStringLiteral("KEEP")));
    f.objects->addObject(ObjectsFixture::fields(QStringLiteral("GONE")));
    ASSERT_TRUE(f.objects->killObject(QStringLiteral("GONE")));
    ASSERT_TRUE(f.objects->Save());
    f.make();
    f.objects->Load();
    EXPECT_EQ(f.objects->liveNames(), QStringList{"KEEP"});
    EXPECT_EQ(f.objects->count(), 1);

    // The file's place taken by a folder: the save fails, and the folder is left as it was.
    QFile::remove(f.path());
    ASSERT_TRUE(QDir().mkpath(f.path()));
    EXPECT_FALSE(f.objects->Save());
    EXPECT_TRUE(QFileInfo(f.path()).isDir());
}
