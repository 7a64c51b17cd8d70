#include "aprsis/FilterText.h"
#include "platform/ResourceStrings.h"

#include <gtest/gtest.h>

using namespace FilterText;

namespace {
QString rebuilt(const QString& text) {
    return build(split(text));
}
QString message(int id) {
    return ResourceStrings::text(id);
}
} // namespace

TEST(FilterTextSplit, TermsGoToTheirListsAndComeBackInTheWrittenOrder) {
    const FilterTerms t = split(QStringLiteral("Filter r/45/9/100 b/DL*/N0CALL"));
    EXPECT_EQ(t.ranges, QStringList{QStringLiteral("r/45/9/100")});
    EXPECT_EQ(t.buddies, (QStringList{QStringLiteral("DL*"), QStringLiteral("N0CALL")}));
    EXPECT_EQ(rebuilt(QStringLiteral("Filter r/45/9/100 b/DL*/N0CALL")), "Filter r/45/9/100 b/DL*/N0CALL");

    // My range, types, ranges, areas, buddies, then the rest, whatever order they came in.
    EXPECT_EQ(rebuilt(QStringLiteral("filter e/APRS b/K1ABC a/50/5/40/15 r/45/9/100 t/mp m/25")),
              "Filter m/25 t/pm r/45/9/100 a/50/5/40/15 b/K1ABC e/APRS");
    EXPECT_EQ(rebuilt(QStringLiteral("Filter t/swunmqitop")), "Filter t/potiqmnwus");
    EXPECT_EQ(rebuilt(QString()), "Filter");
}

TEST(FilterTextSplit, ListsAreSortedWithoutRegardToCaseAndSeveralBuddyTermsBecomeOne) {
    EXPECT_EQ(rebuilt(QStringLiteral("Filter b/N0CALL/AB1CD")), "Filter b/AB1CD/N0CALL");
    EXPECT_EQ(rebuilt(QStringLiteral("Filter b/dl1xyz b/DB0ABC/Ca2b")), "Filter b/Ca2b/DB0ABC/dl1xyz");
    EXPECT_EQ(rebuilt(QStringLiteral("Filter r/45/9/100 r/-22/-43/50 r/10/10/10")),
              "Filter r/-22/-43/50 r/10/10/10 r/45/9/100");
    // Only case tells these apart; the order does not depend on the order they came in.
    EXPECT_EQ(rebuilt(QStringLiteral("Filter b/ab/AB")), rebuilt(QStringLiteral("Filter b/AB/ab")));
}

TEST(FilterTextSplit, FilterIsSkippedInAnyCaseAndBlanksDoNotPileUp) {
    EXPECT_EQ(rebuilt(QStringLiteral("FILTER r/1/2/3")), "Filter r/1/2/3");
    EXPECT_EQ(rebuilt(QStringLiteral("  fIlTeR\te/APRS   Filter  ")), "Filter e/APRS");
    // Kept terms stand after one blank, however many there were; a second pass changes nothing.
    const QString once = rebuilt(QStringLiteral("Filter   e/APRS    p/DL"));
    EXPECT_EQ(once, "Filter e/APRS p/DL");
    EXPECT_EQ(rebuilt(once), once);
}

TEST(FilterTextSplit, TermsOfNoListAndASecondMyRangeAreKeptAsWrittenInTheirOrder) {
    const FilterTerms t =
        split(QStringLiteral("Filter m/50 e/APRS m/10 t/m/N0CALL/25 r/abc a/1/2/3 b/ -b/N0CALL Rx m t/"));
    EXPECT_EQ(t.myRange, "50");
    EXPECT_TRUE(t.ranges.isEmpty());
    EXPECT_TRUE(t.areas.isEmpty());
    EXPECT_TRUE(t.buddies.isEmpty());
    EXPECT_TRUE(t.types.isEmpty());
    EXPECT_EQ(t.others, (QStringList{"e/APRS", "m/10", "t/m/N0CALL/25", "r/abc", "a/1/2/3", "b/", "-b/N0CALL",
                                     "Rx", "m", "t/"}));
    EXPECT_EQ(build(t), "Filter m/50 e/APRS m/10 t/m/N0CALL/25 r/abc a/1/2/3 b/ -b/N0CALL Rx m t/");
}

TEST(FilterTextSplit, RangesAndAreasWithFractionsAreListedAsWritten) {
    const FilterTerms t = split(QStringLiteral("Filter r/45.5/-9.25/100 a/50.1/5/40/15.5"));
    EXPECT_EQ(t.ranges, QStringList{"r/45.5/-9.25/100"});
    EXPECT_EQ(t.areas, QStringList{"a/50.1/5/40/15.5"});
    const auto r = parseRange(t.ranges.front());
    ASSERT_TRUE(r);
    EXPECT_DOUBLE_EQ(r->latitude, 45.5);
    EXPECT_DOUBLE_EQ(r->longitude, -9.25);
    EXPECT_DOUBLE_EQ(r->km, 100);
    EXPECT_FALSE(parseRange(u"r/1/2"));
    EXPECT_FALSE(parseRange(u"r/1/2/3/4"));
    EXPECT_FALSE(parseRange(u"r/1e3/2/3"));
    EXPECT_FALSE(parseRange(u"r/1./2/3"));
    EXPECT_FALSE(parseArea(u"a/1/2/3/"));
}

TEST(FilterTextEditors, EntryFieldsArePaddedToTheEditorsFields) {
    EXPECT_EQ(entryFields(QStringLiteral("r/45/9/100"), 3), (QStringList{"45", "9", "100"}));
    EXPECT_EQ(entryFields(QString(), 4), (QStringList{"", "", "", ""}));
    EXPECT_EQ(entryFields(QStringLiteral("a/1/2"), 4), (QStringList{"1", "2", "", ""}));
}

TEST(FilterTextEditors, WholeNumbersDropFractionsAndRefuseOtherText) {
    EXPECT_EQ(wholeNumber(u"44"), 44);
    EXPECT_EQ(wholeNumber(u" -22 "), -22);
    EXPECT_EQ(wholeNumber(u"+7"), 7);
    EXPECT_EQ(wholeNumber(u"44.9"), 44);
    EXPECT_EQ(wholeNumber(u"-0.5"), 0);
    EXPECT_EQ(wholeNumber(u"99999999999999999999"), 1'000'000'000);
    EXPECT_FALSE(wholeNumber(u""));
    EXPECT_FALSE(wholeNumber(u"-"));
    EXPECT_FALSE(wholeNumber(u"4 4"));
    EXPECT_FALSE(wholeNumber(u"abc"));
    EXPECT_FALSE(wholeNumber(u"\u0664\u0665")); // digits of another script
}

TEST(FilterTextEditors, RangeFieldsAreCheckedFieldByField) {
    struct Case {
        const char *lat, *lon, *km;
        int field;
        QString refusal;
    };
    const QString tooFar = QStringLiteral("The distance must not be more than 20000 km.");
    for (const Case& c : std::initializer_list<Case>{
             {"", "", "", 0, message(ResourceStrings::LatitudeNeeded)},
             {"95", "", "", 0, message(ResourceStrings::LatitudeRange)},
             {"-91", "9", "100", 0, message(ResourceStrings::LatitudeRange)},
             {"45", "", "", 1, message(ResourceStrings::LongitudeNeeded)},
             {"45", "181", "100", 1, message(ResourceStrings::LongitudeRange)},
             {"45", "9", "", 2, message(ResourceStrings::DistanceNeeded)},
             {"45", "9", "0", 2, message(ResourceStrings::DistanceNeeded)},
             {"45", "9", "-5", 2, message(ResourceStrings::DistanceNeeded)},
             {"45", "9", "20001", 2, tooFar},
         }) {
        const Edited e = rangeFromFields(QString::fromLatin1(c.lat), QString::fromLatin1(c.lon),
                                         QString::fromLatin1(c.km));
        EXPECT_FALSE(e.accepted()) << c.lat << " " << c.lon << " " << c.km;
        EXPECT_EQ(e.field, c.field) << c.lat << " " << c.lon << " " << c.km;
        EXPECT_EQ(e.refusal, c.refusal) << c.lat << " " << c.lon << " " << c.km;
    }
    EXPECT_EQ(rangeFromFields("-90", "-180", "20000").term, "r/-90/-180/20000");
    EXPECT_EQ(rangeFromFields("44.7", "-124.2", "1").term, "r/44/-124/1");
}

TEST(FilterTextEditors, AreaFieldsAreCheckedInTheirOrderAndTheCornersMustLieNorthWestToSouthEast) {
    struct Case {
        const char *ulLat, *ulLon, *lrLat, *lrLon;
        int field;
        int refusal;
    };
    using namespace ResourceStrings;
    for (const Case& c : std::initializer_list<Case>{
             {"91", "190", "95", "190", 0, LatitudeRange},
             {"", "0", "0", "0", 0, LatitudeRange},
             {"50", "190", "-95", "190", 2, LatitudeRange},
             {"50", "190", "40", "-181", 3, LongitudeRange},
             {"50", "190", "40", "15", 1, LongitudeRange},
             {"40", "5", "50", "15", 2, UpperLatitudeOrder},
             {"50", "15", "40", "5", 1, UpperLongitudeOrder},
         }) {
        const Edited e = areaFromFields(QString::fromLatin1(c.ulLat), QString::fromLatin1(c.ulLon),
                                        QString::fromLatin1(c.lrLat), QString::fromLatin1(c.lrLon));
        EXPECT_EQ(e.field, c.field) << c.ulLat << " " << c.ulLon << " " << c.lrLat << " " << c.lrLon;
        EXPECT_EQ(e.refusal, message(c.refusal))
            << c.ulLat << " " << c.ulLon << " " << c.lrLat << " " << c.lrLon;
    }
    EXPECT_EQ(areaFromFields("50", "5", "40", "15").term, "a/50/5/40/15");
    EXPECT_EQ(areaFromFields("90", "-180", "-90", "180").term, "a/90/-180/-90/180");
    EXPECT_EQ(areaFromFields("10", "5", "10", "5").term, "a/10/5/10/5");
}

TEST(FilterTextEditors, BuddyCallsMustBeOneWordWithoutSlash) {
    EXPECT_EQ(buddyFromField(QString()).refusal, message(ResourceStrings::CallNotEmpty));
    EXPECT_EQ(buddyFromField(QStringLiteral("   ")).refusal, message(ResourceStrings::CallNotEmpty));
    EXPECT_FALSE(buddyFromField(QStringLiteral("DL1 ABC")).accepted());
    EXPECT_FALSE(buddyFromField(QStringLiteral("DL1\tABC")).accepted());
    EXPECT_FALSE(buddyFromField(QStringLiteral("N0CALL/P")).accepted());
    EXPECT_EQ(buddyFromField(QStringLiteral(" DL* ")).term, "DL*");
}

TEST(FilterTextUnits, KilometresAndMilesRoundToTheNearestWholeUnit) {
    EXPECT_EQ(kmToMiles(100), 62);
    EXPECT_EQ(milesToKm(62), 100);
    EXPECT_EQ(kmToMiles(0), 0);
    EXPECT_EQ(kmToMiles(1), 1); // 0.62
    EXPECT_EQ(kmToMiles(4), 2); // 2.49
    EXPECT_EQ(milesToKm(1), 2); // 1.61
    EXPECT_EQ(milesToKm(5), 8); // 8.05
    EXPECT_EQ(kmToMiles(20000), 12427);
    EXPECT_EQ(milesToKm(std::numeric_limits<int>::max()), std::numeric_limits<int>::max());
}

TEST(FilterTextExtent, WideRangesAreasAndWorldWideTermsAreVeryLarge) {
    const auto large = [](const char* text) { return coversVeryLargeArea(split(QString::fromLatin1(text))); };
    EXPECT_FALSE(large("Filter r/45/9/500 b/N0CALL/DL* e/APRS"));
    EXPECT_TRUE(large("Filter r/45/9/501"));
    EXPECT_FALSE(large("Filter m/500"));
    EXPECT_TRUE(large("Filter m/501"));
    // Nine degrees of latitude is 1000.8 km; eight are 889.6 km.
    EXPECT_TRUE(large("Filter a/49/10/40/11"));
    EXPECT_FALSE(large("Filter a/48/10/40/11"));
    // Ten degrees of longitude: 1112 km at the equator, 556 km at 60 degrees north.
    EXPECT_TRUE(large("Filter a/1/0/-1/10"));
    // A box across the equator is widest there: 9.01 degrees are 1001.9 km, 999.4 km at 4 degrees.
    EXPECT_TRUE(large("Filter a/4/0/-4/9.01"));
    EXPECT_FALSE(large("Filter a/12/0/4/9.01"));
    EXPECT_FALSE(large("Filter a/61/0/60/10"));
    EXPECT_TRUE(large("Filter a/90/-180/-90/180"));
    EXPECT_TRUE(large("Filter t/m"));
    EXPECT_TRUE(large("Filter b/*"));
    EXPECT_TRUE(large("Filter b/N0CALL/**"));
}

TEST(FilterTextExtent, CountsPositionsInsideAnyRangeOrAreaOnce) {
    // One degree of latitude is 111.19 km on the 6371 km sphere.
    const std::vector<Position> positions{
        {45.0, 9.0},    // the centre
        {45.89, 9.0},   // 99.0 km north
        {45.91, 9.0},   // 101.2 km north
        {44.0, 9.0},    // 111 km south
        {-30.0, 150.0}, // inside the area
        {-30.0, 170.0}, // east of it
        {0.0, 179.99},  // across the date line from the next range's centre
    };
    EXPECT_EQ(countInside(split(QStringLiteral("Filter r/45/9/100")), positions), 2);
    EXPECT_EQ(countInside(split(QStringLiteral("Filter r/45/9/112")), positions), 4);
    EXPECT_EQ(countInside(split(QStringLiteral("Filter a/-20/140/-40/160")), positions), 1);
    // Overlapping terms count a position once.
    EXPECT_EQ(countInside(split(QStringLiteral("Filter r/45/9/100 r/45.5/9/100 a/46/8/44.5/10")), positions),
              3);
    EXPECT_EQ(countInside(split(QStringLiteral("Filter r/0/-179.99/10")), positions), 1);
    // 20000 km stops 15 km short of the point opposite the centre.
    EXPECT_EQ(countInside(split(QStringLiteral("Filter r/0/0/20000")), positions), 6);
    // Beyond half the circumference a range does not start to shrink again.
    EXPECT_EQ(countInside(split(QStringLiteral("Filter r/0/0/39000")), positions), 7);
    EXPECT_EQ(countInside(split(QStringLiteral("Filter b/N0CALL t/p m/50")), positions), 0);
    EXPECT_EQ(countInside(split(QStringLiteral("Filter r/45/9/100")), {}), 0);
}
