#include "aprs/PositionComment.h"

#include "aprs/StationRecord.h"

#include <cmath>
#include <limits>

namespace {
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
int digit(QChar c) {
    return c.unicode() - u'0';
}
} // namespace

std::optional<PhgValues> parsePhg(QStringView text) {
    const qsizetype at = text.indexOf(u"PHG");
    if (at < 0 || text.size() - at < 7) return std::nullopt;
    const QChar p = text[at + 3], h = text[at + 4], g = text[at + 5], d = text[at + 6];
    if (!isDigit(p) || !isDigit(h) || !isDigit(g)) return std::nullopt;
    PhgValues v;
    v.power = digit(p) * digit(p);
    if (v.power == 0) return std::nullopt;
    v.height = 10 << digit(h); // 10 * 2^h
    v.gain = digit(g);
    v.directivity = (d >= u'1' && d <= u'8') ? digit(d) * 45 : 0;
    const double gainRatio = std::pow(10.0, v.gain / 10.0);
    v.range = std::sqrt(2.0 * v.height * std::sqrt((v.power / 10.0) * (gainRatio / 2.0)));
    return v;
}

bool applyPhg(StationRecord& record, QStringView text) {
    const auto v = parsePhg(text);
    if (!v) return false;
    record.phg.power = v->power;
    record.phg.height = v->height;
    record.phg.gain = v->gain;
    record.phg.directivity = v->directivity;
    record.phg.range = v->range;
    return true;
}

std::optional<int> parseAltitude(QStringView text) {
    const qsizetype at = text.indexOf(u"/A=");
    if (at < 0) return std::nullopt;
    qsizetype i = at + 3;
    const bool negative = i < text.size() && text[i] == u'-';
    if (negative) ++i;
    qint64 value = 0;
    int digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++digits) {
        value = value * 10 + digit(text[i]);
        if (value > std::numeric_limits<int>::max()) return std::nullopt;
    }
    if (digits == 0) return std::nullopt;
    return static_cast<int>(negative ? -value : value);
}

void applyAltitude(StationRecord& record, QStringView comment) {
    if (const auto feet = parseAltitude(comment)) record.altitude = *feet;
}

std::optional<CourseSpeed> parseCourseSpeed(QStringView comment) {
    if (comment.size() < 7 || comment[3] != u'/') return std::nullopt;
    for (int i : {0, 1, 2, 4, 5, 6})
        if (!isDigit(comment[i])) return std::nullopt;
    const auto number = [&](int i) {
        return digit(comment[i]) * 100 + digit(comment[i + 1]) * 10 + digit(comment[i + 2]);
    };
    return CourseSpeed{number(0), number(4)};
}

void applyCourseSpeed(StationRecord& record, QStringView comment) {
    if (const auto cs = parseCourseSpeed(comment)) {
        record.course = static_cast<uint32_t>(cs->course);
        record.speed = cs->speed;
    }
}
