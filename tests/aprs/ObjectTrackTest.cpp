#include "aprs/SafeFileName.h"
#include "aprs/StationManager.h"
#include "platform/Clock.h"
#include "support/TempHome.h"

#include <QFile>
#include <gtest/gtest.h>

// An object may carry the name of a real station; removing or expiring the object must not
// delete that station's track.
TEST(ObjectTracks, RemovingAnObjectLeavesTheTrackOfALikeNamedStation) {
    TempHome t;
    ManualClock clock;
    StationManager stations(t.home, t.settings, clock);
    StationRecord* station = stations.Create();
    station->call = QStringLiteral("LEADER");
    StationRecord* object = stations.Create();
    object->call = QStringLiteral("LEADER");
    object->owner = QStringLiteral("N0QPC");
    object->stationType = StationType::Object;
    const QString track = trackFilePath(t.home, QStringLiteral("LEADER"), "pos");
    QFile f(track);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(120, '\0'));
    f.close();

    stations.Remove(object);
    EXPECT_TRUE(QFile::exists(track));
    stations.Remove(station);
    EXPECT_FALSE(QFile::exists(track));
}
