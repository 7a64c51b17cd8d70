#include "aprs/ObjectDecoder.h"

#include "aprs/Base91.h"
#include "aprs/PositionFields.h"

namespace {

constexpr qsizetype kMinText = 35;           // name, live flag, time, latitude, table, longitude
constexpr qsizetype kMinCompressedText = 30; // name, live flag, time, the 13-character block
constexpr qsizetype kPositionAt = 16;        // laid out like a plain position report from here
constexpr qsizetype kCommentAt = 36;

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The position that follows the name: plain (laid out like a position report from `at`, whose
// first character stands for the data type) or compressed (the 13 characters from at + 1).
bool readPosition(QStringView text, qsizetype at, ObjectReport& o, qsizetype& commentAt) {
    if (at + 1 >= text.size()) return false;
    if (isDigit(text[at + 1])) {
        const auto pos = parsePlainPosition(text.sliced(at));
        if (!pos) return false;
        o.latitude = pos->latitude;
        o.longitude = pos->longitude;
        o.ambiguity = pos->ambiguity;
        o.symbolTable = pos->symbolTable;
        o.symbolCode = pos->symbolCode;
        commentAt = at + 20;
    } else {
        if (text.size() < at + 14) return false;
        const auto pos = parseCompressedPosition(text.sliced(at + 1, 13));
        if (!pos) return false;
        o.compressed = true;
        o.latitude = pos->latitude;
        o.longitude = pos->longitude;
        o.symbolTable = pos->symbolTable;
        o.symbolCode = pos->symbolCode;
        o.course = pos->course;
        o.speed = pos->speed;
        o.altitude = pos->altitude;
        o.range = pos->range;
        commentAt = at + 14;
    }
    o.hasPosition = true;
    return true;
}

std::optional<ObjectReport> parseObject(QStringView text) {
    const bool compressed = text.size() > 17 && !isDigit(text[17]);
    if (text.size() < (compressed ? kMinCompressedText : kMinText)) return std::nullopt;
    ObjectReport o;
    o.name = text.first(9).toString();
    o.live = text[9] == u'*';
    o.time = text.sliced(10, 7).toString();
    // The time stamp's last character stands where a position report's data type stands: latitude
    // at 17..24, symbol table 25, longitude 26..34, symbol code 35.
    qsizetype commentAt = kCommentAt;
    if (!readPosition(text, kPositionAt, o, commentAt)) {
        if (!o.live) return o; // a killed object needs only its name
        return std::nullopt;
    }
    if (text.size() > commentAt) o.comment = text.sliced(commentAt).toString();
    return o;
}

std::optional<ObjectReport> parseItem(QStringView text) {
    // The name ends at the first '!' or '_' from its fourth character on.
    qsizetype end = -1;
    for (qsizetype i = 3; i < text.size() && i <= 9; ++i) {
        if (text[i] == u'!' || text[i] == u'_') {
            end = i;
            break;
        }
    }
    if (end < 0) return std::nullopt;
    ObjectReport o;
    o.item = true;
    o.name = text.first(end).toString();
    o.live = text[end] == u'!';
    qsizetype commentAt = 0;
    if (!readPosition(text, end, o, commentAt)) {
        if (!o.live) return o;
        return std::nullopt;
    }
    if (text.size() > commentAt) o.comment = text.sliced(commentAt).toString();
    return o;
}

} // namespace

std::optional<ObjectReport> parseObjectReport(QStringView information) {
    if (information.startsWith(u';')) return parseObject(information.sliced(1));
    if (information.startsWith(u')')) return parseItem(information.sliced(1));
    return std::nullopt;
}
