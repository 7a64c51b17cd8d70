#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>
#include <vector>

// The APRS-IS filter text the login line ends with: "Filter" and blank-separated terms. The
// builder keeps range, area and buddy terms in lists; every other term is carried through as it
// was written.
struct FilterTerms {
    QStringList ranges;  // "r/lat/lon/km", sorted as the lists show them
    QStringList areas;   // "a/ullat/ullon/lrlat/lrlon", sorted
    QStringList buddies; // call signs or prefixes, sorted
    QString myRange;     // the text after "m/"; empty when there is none
    QString types;       // the type letters set, in the order they are written (potiqmnwus)
    QStringList others;  // every other term, unchanged, in the order it came
};

namespace FilterText {

inline constexpr double kKmToMiles = 0.621371192237334;
inline constexpr double kMilesToKm = 1.609344;
// The type letters in the order a type term writes them.
inline constexpr QStringView kTypeLetters = u"potiqmnwus";
// Half the earth's circumference: a range beyond this would only go round again.
inline constexpr int kMaxRangeKm = 20000;
// Beyond these a filter pulls a large part of the feed.
inline constexpr double kWideRangeKm = 500;
inline constexpr double kWideAreaKm = 1000;

// Rounded to the nearest whole unit.
int kmToMiles(int km);
int milesToKm(int miles);

// The terms of a filter text. Terms are cut at white space; "filter" in any case is skipped
// wherever it stands. A term goes to a list only when it has that list's form (a range or area of
// decimal numbers, "b/" with at least one call, "m/" with a distance, "t/" with type letters
// only); anything else, including a second my-range term, is kept among the others.
FilterTerms split(const QString& filter);

// "Filter", the my-range term, the type term, the ranges, the areas, the buddy term and the
// others, each after one blank. The lists are written sorted whatever order they hold.
QString build(const FilterTerms& terms);

// The lists' order: alphabetical without regard to case, case deciding only between otherwise
// equal entries, so the order is the same whatever order the entries came in.
void sortEntries(QStringList& entries);

// The texts an editor shows for a list entry: the pieces after the term's letter, as many as the
// editor has fields (missing ones empty).
QStringList entryFields(const QString& entry, int count);

// A whole number as the editors read it: optional sign, digits and a fraction that is dropped,
// surrounded by blanks at most. Values beyond a billion are held there, so range checks still
// refuse them. Nothing for any other text.
std::optional<int> wholeNumber(QStringView text);

// What an editor makes of its fields: the term, or the message (shown with the stop icon) and the
// field (0-based, in the editor's order) to correct.
struct Edited {
    QString term;
    QString refusal;
    int field = -1;
    bool accepted() const { return refusal.isEmpty(); }
};
// Latitude, longitude and kilometres, checked field by field: each must be given and lie in its
// range (latitude -90..90, longitude -180..180, 1..20000 km).
Edited rangeFromFields(const QString& latitude, const QString& longitude, const QString& km);
// Upper-left latitude and longitude, lower-right latitude and longitude: each in its range
// (checked upper-left latitude, lower-right latitude, lower-right longitude, upper-left longitude),
// then the upper-left corner north-west of or on the lower-right one.
Edited areaFromFields(const QString& upperLeftLatitude, const QString& upperLeftLongitude,
                      const QString& lowerRightLatitude, const QString& lowerRightLongitude);
// A call sign or prefix (blanks around it dropped): not empty, no blank inside, no "/", which
// would split it into two calls.
Edited buddyFromField(const QString& call);

struct Range {
    double latitude = 0;
    double longitude = 0;
    double km = 0;
};
struct Area {
    double upperLeftLatitude = 0;
    double upperLeftLongitude = 0;
    double lowerRightLatitude = 0;
    double lowerRightLongitude = 0;
};
// The numbers of a range ("r/" and three) or area ("a/" and four) term; nothing for another term.
std::optional<Range> parseRange(QStringView term);
std::optional<Area> parseArea(QStringView term);

// Whether the filter reaches far enough that a server may take it for pulling the whole feed: a
// range or my-range over 500 km, an area over 1000 km from edge to edge, or a term without any
// bound on place (type letters, a buddy that is only wildcards).
bool coversVeryLargeArea(const FilterTerms& terms);

struct Position {
    double latitude = 0;
    double longitude = 0;
};
// How many of the positions lie inside at least one range (great-circle distance from its centre)
// or area (its box, edges included) of the terms.
int countInside(const FilterTerms& terms, const std::vector<Position>& positions);

} // namespace FilterText
