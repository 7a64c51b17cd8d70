#include "aprs/PositionComment.h"

#include "aprs/StationRecord.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Where the three characters a, b, c first follow each other, or -1: every position goes through
// the PHG and altitude searches, and a plain loop beats the general substring search on texts this
// short.
qsizetype indexOfThree(QStringView text, char16_t a, char16_t b, char16_t c) {
    const auto* p = reinterpret_cast<const char16_t*>(text.data());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i + 2 < n; ++i)
        if (p[i] == a && p[i + 1] == b && p[i + 2] == c) return i;
    return -1;
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
int digit(QChar c) {
    return c.unicode() - u'0';
}
} // namespace

std::optional<PhgValues> parsePhg(QStringView text) {
    const qsizetype at = indexOfThree(text, u'P', u'H', u'G');
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
    const qsizetype at = indexOfThree(text, u'/', u'A', u'=');
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

namespace {

bool isBase91(QChar c) {
    return c.unicode() >= 0x21 && c.unicode() <= 0x7B;
}

std::optional<Dao> readDao(QStringView f) {
    // f is the three characters between the bars.
    const QChar d = f[0], a = f[1], b = f[2];
    Dao dao;
    if (d >= u'A' && d <= u'Z' && isDigit(a) && isDigit(b)) {
        dao.datum = d.unicode();
        dao.hasOffset = true;
        dao.latitudeOffset = digit(a) * 0.001 / 60.0;
        dao.longitudeOffset = digit(b) * 0.001 / 60.0;
        return dao;
    }
    if (d >= u'a' && d <= u'z' && isBase91(a) && isBase91(b)) {
        dao.datum = d.toUpper().unicode();
        dao.hasOffset = true;
        dao.latitudeOffset = (a.unicode() - 33) / 91.0 * 0.01 / 60.0;
        dao.longitudeOffset = (b.unicode() - 33) / 91.0 * 0.01 / 60.0;
        return dao;
    }
    if (isBase91(d) && a == u' ' && b == u' ') {
        dao.datum = d.toUpper().unicode();
        return dao;
    }
    return std::nullopt;
}

} // namespace

std::optional<Dao> findDao(QStringView text) {
    // The last field that has the shape decides, as the public parsers read it.
    for (qsizetype i = text.size() - 5; i >= 0; --i) {
        if (text[i] != u'!' || text[i + 4] != u'!') continue;
        const QChar d = text[i + 1], a = text[i + 2], b = text[i + 3];
        const auto shape = [](QChar c) { return c.unicode() >= 0x20 && c.unicode() <= 0x7B; };
        if (!isBase91(d) || !shape(a) || !shape(b)) continue;
        auto dao = readDao(text.sliced(i + 1, 3));
        if (dao) dao->at = i;
        return dao;
    }
    return std::nullopt;
}

void applyDao(const Dao& dao, double& latitude, double& longitude) {
    if (!dao.hasOffset) return;
    latitude += latitude < 0 ? -dao.latitudeOffset : dao.latitudeOffset;
    longitude += longitude < 0 ? -dao.longitudeOffset : dao.longitudeOffset;
}

std::optional<int> parseRange(QStringView comment) {
    if (comment.size() < 7 || !comment.startsWith(u"RNG")) return std::nullopt;
    int v = 0;
    for (int i = 3; i < 7; ++i) {
        if (!isDigit(comment[i])) return std::nullopt;
        v = v * 10 + digit(comment[i]);
    }
    return v;
}

std::optional<CommentTelemetry> findCommentTelemetry(QStringView text) {
    // "|" then 2 to 14 base-91 characters in pairs, with an odd one for nothing, then "|".
    for (qsizetype open = text.indexOf(u'|'); open >= 0; open = text.indexOf(u'|', open + 1)) {
        const qsizetype close = text.indexOf(u'|', open + 1);
        if (close < 0) return std::nullopt;
        const qsizetype n = close - open - 1;
        bool ok = n >= 4 && n <= 14 && n % 2 == 0;
        for (qsizetype i = open + 1; ok && i < close; ++i)
            ok = text[i].unicode() >= 0x21 && text[i].unicode() <= 0x7B;
        if (!ok) continue;
        CommentTelemetry t;
        const auto pair = [&](qsizetype i) {
            return (text[i].unicode() - 33) * 91 + (text[i + 1].unicode() - 33);
        };
        t.sequence = pair(open + 1);
        const int pairs = static_cast<int>(n / 2) - 1;
        t.valueCount = std::min(pairs, 5);
        for (int k = 0; k < t.valueCount; ++k) t.values[k] = pair(open + 3 + 2 * k);
        if (pairs == 6) t.bits = pair(open + 13);
        t.at = open;
        t.length = n + 2;
        return t;
    }
    return std::nullopt;
}

namespace {

// The comment after its leading extension (course/speed, PHG or RNG), which goes into parts.
QStringView withoutLeadingExtension(QStringView c, CommentKind kind, CommentParts& parts) {
    if (kind != CommentKind::Position) return c;
    if (const auto cs = parseCourseSpeed(c)) {
        parts.courseSpeed = cs;
        return c.sliced(7);
    }
    if (c.startsWith(u"PHG") && c.size() >= 7) {
        if (const auto phg = parsePhg(c.first(7))) {
            parts.phg = phg;
            return c.sliced(7);
        }
    } else if (const auto range = parseRange(c)) {
        parts.rangeMiles = range;
        return c.sliced(7);
    }
    return c;
}

// Whether the comment may hold "/A=", a DAO ('!') or telemetry ('|'): one pass, since nearly every
// position goes through here.
bool hasEmbeddedExtension(QStringView c) {
    const auto* p = reinterpret_cast<const char16_t*>(c.data());
    const qsizetype n = c.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ch = p[i];
        if (ch == u'!' || ch == u'|') return true;
        if (ch == u'/' && i + 2 < n && p[i + 1] == u'A' && p[i + 2] == u'=') return true;
    }
    return false;
}

} // namespace

CommentParts splitComment(QStringView comment, CommentKind kind) {
    CommentParts parts;
    QString rest;
    const QStringView c = withoutLeadingExtension(comment, kind, parts);
    // Most comments carry none of the embedded extensions: no copy for them.
    if (!hasEmbeddedExtension(c)) {
        parts.text = c.trimmed().toString();
        return parts;
    }
    rest = c.toString();
    if (const qsizetype at = indexOfThree(rest, u'/', u'A', u'='); at >= 0) {
        if (const auto feet = parseAltitude(QStringView(rest).sliced(at))) {
            parts.altitudeFt = feet;
            qsizetype end = at + 3;
            if (end < rest.size() && rest[end] == u'-') ++end;
            while (end < rest.size() && isDigit(rest[end])) ++end;
            rest.remove(at, end - at);
        }
    }
    if (auto dao = findDao(rest)) {
        rest.remove(dao->at, 5);
        parts.dao = dao;
    }
    if (auto t = findCommentTelemetry(rest)) {
        rest.remove(t->at, t->length);
        parts.telemetry = t;
    }
    parts.text = QStringView(rest).trimmed().toString();
    return parts;
}

QString commentText(QStringView comment, CommentKind kind) {
    return splitComment(comment, kind).text;
}

void assignCommentText(QString& field, QStringView comment, CommentKind kind) {
    CommentParts parts;
    const QStringView c = withoutLeadingExtension(comment, kind, parts);
    if (!hasEmbeddedExtension(c))
        assignText(field, c.trimmed());
    else
        assignText(field, QStringView(splitComment(comment, kind).text));
}
