#include "maps/StationBubble.h"

#include "aprs/StationRecord.h"
#include "support/TrackedStations.h"

#include <gtest/gtest.h>

namespace {

class StationBubbleTest : public TrackedStations {
protected:
    StationBubble::Context context() const {
        StationBubble::Context c;
        c.now = clock.nowLocal();
        c.ownLatitude = 49.0;
        c.ownLongitude = -72.0;
        c.distanceFormat = 7;
        c.speedFormat = 2;
        return c;
    }
};

} // namespace

TEST_F(StationBubbleTest, LinesOfAMovingStation) {
    StationRecord* car =
        feedLine(QStringLiteral("!4930.00N/07200.00W>090/036On the road"), QStringLiteral("N0CAR"),
                 QStringLiteral("APRS"), QStringLiteral("N0DIG*,WIDE2-1"), 0);
    ASSERT_NE(car, nullptr);
    clock.advance(3 * 60 * 1000 + 10000);
    const QStringList lines = StationBubble::lines(*car, context());
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines[0], QStringLiteral("N0CAR"));
    EXPECT_EQ(lines[1], QStringLiteral("Car"));
    // The comment as the decoder keeps it.
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("On the road"))) << lines.join(u'|').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("3 min ago")));
    // Half a degree due north: 55.6 km at 0 degrees.
    EXPECT_TRUE(lines.contains(QStringLiteral("55.60Km at 0\u00B0"))) << lines.join(u'|').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("66.67Km/h, course 90\u00B0")))
        << lines.join(u'|').toStdString();
    EXPECT_EQ(lines.last(), QStringLiteral("Heard via N0DIG"));

    StationBubble::Context imperial = context();
    imperial.distanceFormat = 10;
    imperial.ownLatitude.reset();
    const QString text = StationBubble::plainText(*car, imperial);
    EXPECT_FALSE(text.contains(QStringLiteral("Km at")));
}

TEST_F(StationBubbleTest, StrangersTextStaysOnePlainLine) {
    StationRecord* r = feedLine(QStringLiteral("!4930.00N/07200.00W-<b>bold</b>"), QStringLiteral("N0FIX"),
                                QStringLiteral("APRS"), {}, 0);
    ASSERT_NE(r, nullptr);
    r->comment = QStringLiteral("two\nlines\r\x01here") + QString(500, u'x');
    const QStringList lines = StationBubble::lines(*r, context());
    EXPECT_EQ(lines[1], QStringLiteral("House QTH (VHF)"));
    const QString comment = lines[2];
    EXPECT_TRUE(comment.startsWith(QStringLiteral("two lines  here")));
    EXPECT_EQ(comment.size(), StationBubble::kMaxTextLength + 1);
    EXPECT_TRUE(comment.endsWith(QChar(0x2026)));
    for (const QString& l : lines) EXPECT_FALSE(l.contains(u'\n'));
    // Not moving: no speed line.
    for (const QString& l : lines) EXPECT_FALSE(l.contains(QStringLiteral("course")));

    r->comment = QStringLiteral("<b>bold</b> & <a href=x>link</a>");
    const QString tip = StationBubble::toolTip(StationBubble::lines(*r, context()));
    EXPECT_TRUE(tip.contains(QStringLiteral("&lt;b&gt;bold&lt;/b&gt; &amp; &lt;a href=x&gt;")));
    EXPECT_FALSE(tip.contains(QStringLiteral("<b>")));
}

TEST(StationBubbleAge, Texts) {
    EXPECT_EQ(StationBubble::ageText(2), QStringLiteral("just now"));
    EXPECT_EQ(StationBubble::ageText(45), QStringLiteral("45 s ago"));
    EXPECT_EQ(StationBubble::ageText(180), QStringLiteral("3 min ago"));
    EXPECT_EQ(StationBubble::ageText(3600 * 2 + 300), QStringLiteral("2 h 5 min ago"));
    EXPECT_EQ(StationBubble::ageText(3600 * 5), QStringLiteral("5 h ago"));
    EXPECT_EQ(StationBubble::ageText(86400 * 3 + 5), QStringLiteral("3 days ago"));
    EXPECT_EQ(StationBubble::ageText(-10), QStringLiteral("in the future"));
}
