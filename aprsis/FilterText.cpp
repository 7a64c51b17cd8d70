#include "aprsis/FilterText.h"

#include "gps/GeoCalc.h"
#include "platform/ResourceStrings.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace FilterText {

namespace {

constexpr qint64 kHeldAt = 1'000'000'000;
constexpr double kKmPerDegree = GeoCalc::kMeanEarthRadiusKm * GeoCalc::kDegToRad;

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

int rounded(double value) {
    return static_cast<int>(std::clamp(std::floor(value + 0.5), double(std::numeric_limits<int>::min()),
                                       double(std::numeric_limits<int>::max())));
}

// A decimal number as the terms write them: optional minus, digits, optional fraction.
std::optional<double> decimal(QStringView text) {
    qsizetype i = text.startsWith(u'-') ? 1 : 0;
    const qsizetype digitsFrom = i;
    while (i < text.size() && isAsciiDigit(text[i])) ++i;
    if (i == digitsFrom) return std::nullopt;
    if (i < text.size() && text[i] == u'.') {
        const qsizetype fractionFrom = ++i;
        while (i < text.size() && isAsciiDigit(text[i])) ++i;
        if (i == fractionFrom) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

// The numbers after a term's letter when the term is that letter, "/" and `count` decimals.
std::optional<std::vector<double>> numbersAfter(QStringView term, QChar letter, int count) {
    if (term.size() < 2 || term[0] != letter || term[1] != u'/') return std::nullopt;
    std::vector<double> numbers;
    for (QStringView piece : term.mid(2).split(u'/')) {
        const auto n = decimal(piece);
        if (!n) return std::nullopt;
        numbers.push_back(*n);
    }
    if (numbers.size() != static_cast<size_t>(count)) return std::nullopt;
    return numbers;
}

bool onlyTypeLetters(QStringView letters) {
    return !letters.isEmpty() &&
           std::all_of(letters.begin(), letters.end(), [](QChar c) { return kTypeLetters.contains(c); });
}

// The letters of both texts, in the order a type term writes them.
QString mergedTypes(QStringView a, QStringView b) {
    QString out;
    for (QChar c : kTypeLetters)
        if (a.contains(c) || b.contains(c)) out += c;
    return out;
}

bool onlyWildcards(const QString& call) {
    return std::all_of(call.begin(), call.end(), [](QChar c) { return c == u'*'; });
}

Edited refused(int field, int resourceId) {
    return {QString(), ResourceStrings::text(resourceId), field};
}

bool inRange(const std::optional<int>& value, int limit) {
    return value && *value >= -limit && *value <= limit;
}

// North-south and widest east-west extent of the box in kilometres, whichever is greater.
double acrossKm(const Area& a) {
    const double northSouth = std::abs(a.upperLeftLatitude - a.lowerRightLatitude) * kKmPerDegree;
    const double north = std::max(a.upperLeftLatitude, a.lowerRightLatitude);
    const double south = std::min(a.upperLeftLatitude, a.lowerRightLatitude);
    // The box is widest at the latitude nearest the equator it reaches.
    const double widest = south <= 0 && north >= 0 ? 0.0 : std::min(std::abs(north), std::abs(south));
    const double eastWest = std::abs(a.lowerRightLongitude - a.upperLeftLongitude) * kKmPerDegree *
                            std::cos(std::min(widest, 90.0) * GeoCalc::kDegToRad);
    return std::max(northSouth, eastWest);
}

} // namespace

int kmToMiles(int km) {
    return rounded(km * kKmToMiles);
}

int milesToKm(int miles) {
    return rounded(miles * kMilesToKm);
}

FilterTerms split(const QString& filter) {
    FilterTerms t;
    bool haveMyRange = false;
    const QStringView text(filter);
    qsizetype at = 0;
    while (at < text.size()) {
        if (text[at].isSpace()) {
            ++at;
            continue;
        }
        qsizetype end = at;
        while (end < text.size() && !text[end].isSpace()) ++end;
        const QStringView term = text.sliced(at, end - at);
        at = end;

        if (term.compare(u"filter", Qt::CaseInsensitive) == 0) continue;
        if (parseRange(term)) {
            t.ranges << term.toString();
        } else if (parseArea(term)) {
            t.areas << term.toString();
        } else if (!haveMyRange && term.size() > 2 && term.startsWith(u"m/")) {
            // One distance around the station; a second one stays as written.
            t.myRange = term.mid(2).toString();
            haveMyRange = true;
        } else if (term.startsWith(u"t/") && onlyTypeLetters(term.mid(2))) {
            t.types = mergedTypes(t.types, term.mid(2));
        } else if (term.startsWith(u"b/") && !term.mid(2).split(u'/', Qt::SkipEmptyParts).isEmpty()) {
            for (QStringView call : term.mid(2).split(u'/', Qt::SkipEmptyParts)) t.buddies << call.toString();
        } else {
            t.others << term.toString();
        }
    }
    sortEntries(t.ranges);
    sortEntries(t.areas);
    sortEntries(t.buddies);
    return t;
}

QString build(const FilterTerms& terms) {
    QString out = QStringLiteral("Filter");
    if (!terms.myRange.isEmpty()) out += QStringLiteral(" m/") + terms.myRange;
    const QString types = mergedTypes(terms.types, {});
    if (!types.isEmpty()) out += QStringLiteral(" t/") + types;
    for (const QStringList* list : {&terms.ranges, &terms.areas}) {
        QStringList sorted = *list;
        sortEntries(sorted);
        for (const QString& term : sorted) out += u' ' + term;
    }
    if (!terms.buddies.isEmpty()) {
        QStringList sorted = terms.buddies;
        sortEntries(sorted);
        out += QStringLiteral(" b/") + sorted.join(u'/');
    }
    for (const QString& term : terms.others) out += u' ' + term;
    return out;
}

void sortEntries(QStringList& entries) {
    std::sort(entries.begin(), entries.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
}

QStringList entryFields(const QString& entry, int count) {
    QStringList fields = entry.split(u'/').mid(1, count);
    while (fields.size() < count) fields << QString();
    return fields;
}

std::optional<int> wholeNumber(QStringView text) {
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    const qsizetype digitsFrom = i;
    qint64 value = 0;
    for (; i < text.size() && isAsciiDigit(text[i]); ++i)
        value = std::min<qint64>(value * 10 + (text[i].unicode() - u'0'), kHeldAt);
    if (i == digitsFrom) return std::nullopt;
    if (i < text.size() && text[i] == u'.')
        for (++i; i < text.size() && isAsciiDigit(text[i]);) ++i;
    if (i != text.size()) return std::nullopt;
    return static_cast<int>(negative ? -value : value);
}

Edited rangeFromFields(const QString& latitude, const QString& longitude, const QString& km) {
    using namespace ResourceStrings;
    const auto lat = wholeNumber(latitude), lon = wholeNumber(longitude), dist = wholeNumber(km);
    if (latitude.trimmed().isEmpty()) return refused(0, LatitudeNeeded);
    if (!inRange(lat, 90)) return refused(0, LatitudeRange);
    if (longitude.trimmed().isEmpty()) return refused(1, LongitudeNeeded);
    if (!inRange(lon, 180)) return refused(1, LongitudeRange);
    if (!dist || *dist <= 0) return refused(2, DistanceNeeded);
    if (*dist > kMaxRangeKm)
        return {QString(), QStringLiteral("The distance must not be more than %1 km.").arg(kMaxRangeKm), 2};
    return {QStringLiteral("r/%1/%2/%3").arg(*lat).arg(*lon).arg(*dist), QString(), -1};
}

Edited areaFromFields(const QString& upperLeftLatitude, const QString& upperLeftLongitude,
                      const QString& lowerRightLatitude, const QString& lowerRightLongitude) {
    using namespace ResourceStrings;
    const auto ulLat = wholeNumber(upperLeftLatitude), ulLon = wholeNumber(upperLeftLongitude);
    const auto lrLat = wholeNumber(lowerRightLatitude), lrLon = wholeNumber(lowerRightLongitude);
    if (!inRange(ulLat, 90)) return refused(0, LatitudeRange);
    if (!inRange(lrLat, 90)) return refused(2, LatitudeRange);
    if (!inRange(lrLon, 180)) return refused(3, LongitudeRange);
    if (!inRange(ulLon, 180)) return refused(1, LongitudeRange);
    if (*lrLat > *ulLat) return refused(2, UpperLatitudeOrder);
    if (*ulLon > *lrLon) return refused(1, UpperLongitudeOrder);
    return {QStringLiteral("a/%1/%2/%3/%4").arg(*ulLat).arg(*ulLon).arg(*lrLat).arg(*lrLon), QString(), -1};
}

Edited buddyFromField(const QString& call) {
    const QString c = call.trimmed();
    if (c.isEmpty()) return refused(0, ResourceStrings::CallNotEmpty);
    if (c.contains(u'/') || std::any_of(c.begin(), c.end(), [](QChar ch) { return ch.isSpace(); }))
        return {QString(), QStringLiteral("A call sign must not contain blanks or \"/\"."), 0};
    return {c, QString(), -1};
}

std::optional<Range> parseRange(QStringView term) {
    const auto n = numbersAfter(term, u'r', 3);
    if (!n) return std::nullopt;
    return Range{(*n)[0], (*n)[1], (*n)[2]};
}

std::optional<Area> parseArea(QStringView term) {
    const auto n = numbersAfter(term, u'a', 4);
    if (!n) return std::nullopt;
    return Area{(*n)[0], (*n)[1], (*n)[2], (*n)[3]};
}

bool coversVeryLargeArea(const FilterTerms& terms) {
    if (!terms.types.isEmpty()) return true;
    if (std::any_of(terms.buddies.begin(), terms.buddies.end(), onlyWildcards)) return true;
    if (const auto km = decimal(terms.myRange); km && *km > kWideRangeKm) return true;
    for (const QString& term : terms.ranges)
        if (const auto r = parseRange(term); r && r->km > kWideRangeKm) return true;
    for (const QString& term : terms.areas)
        if (const auto a = parseArea(term); a && acrossKm(*a) > kWideAreaKm) return true;
    return false;
}

int countInside(const FilterTerms& terms, const std::vector<Position>& positions) {
    // A point is within the range when the cosine of its central angle from the centre is at least
    // that of the range's own angle: no arc cosine per station.
    struct Circle {
        double sinLat, cosLat, lon, minCos;
    };
    std::vector<Circle> circles;
    for (const QString& term : terms.ranges) {
        const auto r = parseRange(term);
        if (!r || r->km < 0) continue;
        const double angle = std::min(r->km / GeoCalc::kMeanEarthRadiusKm, GeoCalc::kPi);
        const double lat = r->latitude * GeoCalc::kDegToRad;
        circles.push_back({std::sin(lat), std::cos(lat), r->longitude * GeoCalc::kDegToRad, std::cos(angle)});
    }
    std::vector<Area> boxes;
    for (const QString& term : terms.areas)
        if (const auto a = parseArea(term)) boxes.push_back(*a);
    if (circles.empty() && boxes.empty()) return 0;

    int inside = 0;
    for (const Position& p : positions) {
        const bool inBox = std::any_of(boxes.begin(), boxes.end(), [&p](const Area& a) {
            return p.latitude <= a.upperLeftLatitude && p.latitude >= a.lowerRightLatitude &&
                   p.longitude >= a.upperLeftLongitude && p.longitude <= a.lowerRightLongitude;
        });
        if (inBox) {
            ++inside;
            continue;
        }
        const double lat = p.latitude * GeoCalc::kDegToRad, lon = p.longitude * GeoCalc::kDegToRad;
        const double sinLat = std::sin(lat), cosLat = std::cos(lat);
        inside += std::any_of(circles.begin(), circles.end(), [&](const Circle& c) {
            return std::cos(lon - c.lon) * cosLat * c.cosLat + sinLat * c.sinLat >= c.minCos;
        });
    }
    return inside;
}

} // namespace FilterText
