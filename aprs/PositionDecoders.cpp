#include "aprs/PositionDecoders.h"

#include "aprs/Base91.h"
#include "aprs/MicE.h"
#include "aprs/PositionComment.h"
#include "aprs/PositionFields.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/SymbolTable.h"
#include "aprs/TrackSink.h"
#include "aprs/Weather.h"
#include "platform/Clock.h"
#include "platform/Trace.h"

#include <QMutexLocker>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

uint32_t courseOrZero(int course) {
    return course >= 0 && course <= 359 ? static_cast<uint32_t>(course) : 0;
}

// The comment of a position as the public parsers return it: the extensions taken out, trimmed.
// A weather station's comment is what follows its weather fields.
void storeComment(StationRecord& r, QStringView rest, const std::optional<WeatherReport>& weather) {
    if (!weather)
        assignCommentText(r.comment, rest);
    else if (weather->stationType.isEmpty())
        assignCommentText(r.comment, weather->remainder, CommentKind::Plain);
    else
        assignText(r.comment, QStringView());
}

// Plain position laid out from character 0 (the data type or the time stamp's last character).
StationRecord* decodePlainReport(DecodeContext& ctx, QStringView report) {
    auto pos = parsePlainPosition(report);
    if (!pos) return nullptr;
    const QStringView rest = report.sliced(20);
    // "!DAO!" refines the position before it is stored.
    if (rest.contains(u'!'))
        if (const auto dao = findDao(rest)) applyDao(*dao, pos->latitude, pos->longitude);
    StationRecord& r =
        beginStationUpdate(ctx, pos->symbolTable, pos->symbolCode, pos->latitude, pos->longitude);
    r.positionAmbiguity = pos->ambiguity;
    applyPhg(r, ctx.information);
    if (rest.size() > 1) {
        std::optional<WeatherReport> weather;
        if (r.symbolCode != '_') {
            applyAltitude(r, rest);
            applyCourseSpeed(r, rest);
        } else {
            // "ddd/sss" of a weather station is the wind, not its course and speed.
            weather = parseWeatherAfterPositionText(rest);
            if (weather) applyWeather(r, *weather);
        }
        storeComment(r, rest, weather);
    }
    finishStationUpdate(ctx, r);
    return &r;
}

// Compressed position laid out from character 0; the 13-character block starts at character 1.
StationRecord* decodeCompressedReport(DecodeContext& ctx, QStringView report) {
    if (report.size() < 14 || report[1] == u'!') return nullptr;
    const auto pos = parseCompressedPosition(report.sliced(1, 13));
    if (!pos) return nullptr;
    StationRecord& r =
        beginStationUpdate(ctx, pos->symbolTable, pos->symbolCode, pos->latitude, pos->longitude);
    r.positionAmbiguity = 0;
    const bool weatherSymbol = r.symbolCode == '_';
    if (pos->course && !weatherSymbol) {
        r.course = courseOrZero(*pos->course);
        r.speed = *pos->speed;
    }
    if (pos->altitude) r.altitude = *pos->altitude;
    const QStringView rest = report.sliced(14);
    std::optional<WeatherReport> weather;
    if (weatherSymbol) {
        weather = parseWeatherAfterPositionText(rest);
        if (weather) applyWeather(r, *weather);
    }
    storeComment(r, rest, weather);
    applyAltitude(r, rest);
    finishStationUpdate(ctx, r);
    return &r;
}

} // namespace

// A position that does not start the field: '!' within the first 40 characters of a field
// whose first character names no data type (APRS 1.0.1, for TNCs with a fixed text before it).
StationRecord* decodeEmbeddedPosition(DecodeContext& ctx) {
    return guarded(ctx, [&]() -> StationRecord* {
        const QStringView info = ctx.information;
        const qsizetype at = info.first(std::min<qsizetype>(info.size(), 40)).indexOf(u'!');
        if (at <= 0 || at + 1 >= info.size()) return nullptr;
        const QStringView report = info.sliced(at);
        if (isDigit(report[1])) return decodePlainReport(ctx, report);
        return decodeCompressedReport(ctx, report);
    });
}

namespace {

// "hh:mm:ss" between '[' and ']' of the header line.
std::optional<QTime> headerTime(QStringView header) {
    const qsizetype open = header.indexOf(u'[');
    if (open < 0) return std::nullopt;
    const qsizetype close = header.indexOf(u']', open + 1);
    if (close < 0) return std::nullopt;
    const QStringView text = header.sliced(open + 1, close - open - 1);
    const auto parts = text.split(u':');
    if (parts.size() != 3) return std::nullopt;
    int v[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        v[i] = parts[i].toInt(&ok);
        if (!ok) return std::nullopt;
    }
    const QTime t(v[0], v[1], v[2]);
    return t.isValid() ? std::optional<QTime>(t) : std::nullopt;
}

std::optional<double> finiteNumber(QStringView text) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

} // namespace

StationRecord& senderRecord(DecodeContext& ctx) {
    StationManager& stations = ctx.stations;
    const SystemTime now = stations.heardTimeNowHeld();
    StationRecord* r = stations.findByCallHeld(ctx.from);
    const bool created = r == nullptr;
    if (created) {
        r = stations.Create();
        r->firstHeard = now;
        r->course = 0;
        r->speed = 0;
        r->call = ctx.from.toString(); // a record found by its call has this call already
    }
    r->isNew = created ? 1 : 0;
    r->lastChecksum = ctx.checksum;
    r->lastHeard = now;
    return *r;
}

StationRecord& beginStationUpdate(DecodeContext& ctx, int symbolTable, int symbolCode, double latitude,
                                  double longitude) {
    StationRecord& r = senderRecord(ctx);
    r.symbolCode = SymbolTable::clampCode(symbolCode);
    r.symbolTable = symbolTable;
    r.stationType = symbolStationType(r.symbolTable, r.symbolCode);
    r.setPosition(latitude, longitude);
    return r;
}

void appendTrackPoint(StationManager& stations, StationRecord& record) {
    if (TrackSink* tracks = stations.trackSink()) tracks->appendTrackPoint(record);
}

void finishStationUpdate(DecodeContext& ctx, StationRecord& record) {
    record.RecordHeardPath(ctx.header);
    appendTrackPoint(ctx.stations, record);
}

StationRecord* decodeUncompressedPosition(DecodeContext& ctx) {
    return guarded(ctx, [&] { return decodePlainReport(ctx, ctx.information); });
}

StationRecord* decodeTimestampedPosition(DecodeContext& ctx) {
    return guarded(ctx, [&]() -> StationRecord* {
        const QStringView report = withoutTimestamp(ctx.information);
        if (report.size() < 2) return nullptr;
        // Latitude degrees are digits; anything else after the time stamp is a compressed
        // position's symbol table.
        if (isDigit(report[1])) return decodePlainReport(ctx, report);
        return decodeCompressedReport(ctx, report);
    });
}

StationRecord* decodeCompressedPosition(DecodeContext& ctx) {
    return guarded(ctx, [&] { return decodeCompressedReport(ctx, ctx.information); });
}

StationRecord* decodeMicE(DecodeContext& ctx) {
    return guarded(ctx, [&]() -> StationRecord* {
        const auto f = decodeMicEFields(ctx.to, ctx.information);
        if (!f) return nullptr;
        StationRecord& r = beginStationUpdate(ctx, f->symbolTable, f->symbolCode, f->latitude, f->longitude);
        r.positionAmbiguity = f->ambiguity;
        r.course = courseOrZero(f->course);
        r.speed = f->speed;
        if (f->altitude) r.altitude = *f->altitude;
        applyPhg(r, ctx.information);
        assignText(r.comment, f->comment);
        finishStationUpdate(ctx, r);
        return &r;
    });
}

StationRecord* decodeGprsTracker(DecodeContext& ctx) {
    return guarded(ctx, [&]() -> StationRecord* {
        const QStringView info = ctx.information;
        if (info.size() < 4 || !info.startsWith(u"Zel")) return nullptr;
        // "Zel^lat^lon^<not used>^altitude^speed^course^symbol"; empty fields are skipped.
        const auto fields = QStringView(info).split(u'^', Qt::SkipEmptyParts);
        if (fields.size() < 8) return nullptr;
        const auto lat = finiteNumber(fields[1]);
        const auto lon = finiteNumber(fields[2]);
        const auto altitude = finiteNumber(fields[4]);
        const auto speed = finiteNumber(fields[5]);
        const auto course = finiteNumber(fields[6]);
        const QStringView symbol = fields[7];
        if (!lat || !lon || !altitude || !speed || !course || symbol.size() < 2) return nullptr;
        if (std::fabs(*lat) > 90.0 || std::fabs(*lon) > 180.0 || *speed < 0) return nullptr;
        if (std::fabs(*altitude) >= static_cast<double>(std::numeric_limits<int32_t>::max())) return nullptr;

        // The tracker stamps its fixes with the UTC time of day; the record keeps local time like
        // every other heard time. A fix stamped just before midnight UTC and heard just after
        // belongs to the day before.
        const QDateTime nowUtc = ctx.stations.clock().nowUtc();
        QDateTime heard = nowUtc;
        if (const auto t = headerTime(ctx.header)) {
            heard = QDateTime(nowUtc.date(), QTime(t->hour(), t->minute(), t->second(), nowUtc.time().msec()),
                              Qt::UTC);
            if (heard.secsTo(nowUtc) < -12 * 3600)
                heard = heard.addDays(-1);
            else if (heard.secsTo(nowUtc) > 12 * 3600)
                heard = heard.addDays(1);
        }
        const SystemTime heardLocal = SystemTime::fromDateTime(Clock::toLocal(heard));

        const bool created = ctx.stations.findByCallHeld(ctx.from) == nullptr;
        StationRecord& r = beginStationUpdate(ctx, symbol[0].unicode(), symbol[1].unicode(), *lat, *lon);
        if (created) r.firstHeard = heardLocal;
        r.lastHeard = heardLocal;
        const double c = std::trunc(*course);
        r.course = c >= 0 && c <= 359 ? static_cast<uint32_t>(c) : 0;
        r.speed = *speed;
        r.altitude = static_cast<int32_t>(*altitude);
        finishStationUpdate(ctx, r);
        return &r;
    });
}
