// Names from the air become track-file names: they must stay inside Data and never collide.
#include "aprs/SafeFileName.h"
#include "aprs/StationManager.h"
#include "platform/Clock.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <gtest/gtest.h>

namespace {

const QStringList kHostile = {
    QStringLiteral("../../x"),     QStringLiteral("a/b"),
    QStringLiteral("a\\b"),        QStringLiteral("."),
    QStringLiteral(".."),          QStringLiteral("..."),
    QStringLiteral(".hidden"),     QStringLiteral("nul") + QChar(0) + QStringLiteral("x"),
    QStringLiteral("tab\there"),   QStringLiteral("line\nbreak"),
    QStringLiteral("/etc/passwd"), QStringLiteral("Grüße"),
    QStringLiteral("a%2Fb"),       QString(300, QLatin1Char('/'))};

TEST(SafeFileName, OrdinaryCallsStayReadable) {
    EXPECT_EQ(safeFileName(QStringLiteral("N0CALL-15")), QStringLiteral("N0CALL-15"));
    EXPECT_EQ(safeFileName(QStringLiteral("EVENT 1")), QStringLiteral("EVENT 1"));
    EXPECT_EQ(safeFileName(QStringLiteral("a/b")), QStringLiteral("a%2Fb"));
    EXPECT_EQ(safeFileName(QStringLiteral("..")), QStringLiteral("%2E."));
}

TEST(SafeFileName, HostileNamesStayInsideDataAndNeverCollide) {
    TempHome t;
    const QString data = QDir(t.home.dataDir()).canonicalPath();
    QSet<QString> seen;
    for (const QString& name : kHostile) {
        const QString safe = safeFileName(name);
        EXPECT_FALSE(safe.isEmpty());
        EXPECT_FALSE(safe.startsWith(QLatin1Char('.'))) << qPrintable(safe);
        EXPECT_FALSE(safe.contains(QLatin1Char('/'))) << qPrintable(safe);
        EXPECT_FALSE(safe.contains(QLatin1Char('\\'))) << qPrintable(safe);
        EXPECT_LE(safe.size(), 120);
        for (QChar c : safe) EXPECT_TRUE(c.unicode() > 0x20 || c == QLatin1Char(' ')) << qPrintable(safe);
        EXPECT_FALSE(seen.contains(safe)) << qPrintable(safe);
        seen.insert(safe);

        const QFileInfo file(trackFilePath(t.home, name, "pos"));
        EXPECT_EQ(QDir(file.absolutePath()).canonicalPath(), data) << qPrintable(file.filePath());
    }
    // Long names that differ only at the end keep apart.
    EXPECT_NE(safeFileName(QString(200, QLatin1Char('A')) + QLatin1Char('1')),
              safeFileName(QString(200, QLatin1Char('A')) + QLatin1Char('2')));
    EXPECT_EQ(trackFilePath(t.home, QStringLiteral("X"), ".bpos"), t.home.dataFile(QStringLiteral("X.bpos")));
}

TEST(SafeFileName, RemovingHostileStationsTouchesNoOtherFile) {
    TempHome t;
    ManualClock clock;
    StationManager stations(t.home, t.settings, clock);
    // Files a careless path join would hit.
    const QStringList bystanders = {
        t.home.file(QStringLiteral("x.pos")), t.home.file(QStringLiteral("victim.pos")),
        t.home.dataFile(QStringLiteral("b.pos")), t.home.dataFile(QStringLiteral("..pos")),
        t.home.dataFile(QStringLiteral("Stations.dat"))};
    for (const QString& path : bystanders) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << qPrintable(path);
    }
    for (const QString& name :
         kHostile + QStringList{QStringLiteral("../victim"), QStringLiteral("Data/../../x")}) {
        StationRecord* r = stations.Create();
        r->call = name;
        QFile own(trackFilePath(t.home, name, "pos"));
        ASSERT_TRUE(own.open(QIODevice::WriteOnly)) << qPrintable(own.fileName());
        own.close();
        stations.Remove(r);
        EXPECT_FALSE(own.exists()) << qPrintable(own.fileName());
    }
    for (const QString& path : bystanders) EXPECT_TRUE(QFile::exists(path)) << qPrintable(path);
    EXPECT_TRUE(QDir(t.home.dataDir()).exists());
}

} // namespace
