#include "aprs/ObjectDecoder.h"

#include "aprs/PositionFields.h"

namespace {

constexpr qsizetype kMinText = 35;    // name, live flag, time, latitude, table, longitude
constexpr qsizetype kPositionAt = 16; // laid out like a plain position report from here
constexpr qsizetype kCommentAt = 36;

} // namespace

std::optional<ObjectReport> parseObjectReport(QStringView information) {
    if (!information.startsWith(u';')) return std::nullopt;
    const QStringView text = information.sliced(1);
    if (text.size() < kMinText) return std::nullopt;
    ObjectReport o;
    o.name = text.first(9).toString();
    o.live = text[9] == u'*';
    o.time = text.sliced(10, 7).toString();
    if (!o.live) return o;
    // The time stamp's last character stands where a position report's data type stands: latitude
    // at 17..24, symbol table 25, longitude 26..34, symbol code 35.
    const auto pos = parsePlainPosition(text.sliced(kPositionAt));
    if (!pos) return std::nullopt;
    o.latitude = pos->latitude;
    o.longitude = pos->longitude;
    o.symbolTable = pos->symbolTable;
    o.symbolCode = pos->symbolCode;
    if (text.size() > kCommentAt) o.comment = text.sliced(kCommentAt).toString();
    return o;
}
