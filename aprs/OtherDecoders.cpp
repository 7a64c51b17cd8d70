#include "aprs/OtherDecoders.h"

#include "aprs/Nmea.h"
#include "aprs/ObjectDecoder.h"
#include "aprs/PositionComment.h"
#include "aprs/PositionDecoders.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/SymbolTable.h"
#include "aprs/Ultimeter.h"
#include "aprs/Weather.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Trace.h"

#include <QMutexLocker>
#include <cmath>

namespace {

constexpr double kFeetPerMetre = 3.280839895013123;

SystemTime nowLocal(DecodeContext& ctx) {
    return ctx.stations.heardTimeNowHeld();
}

// The status text without the time stamp "DDHHMMz" that may lead it.
QStringView statusText(QStringView information) {
    QStringView text = information.sliced(1);
    if (text.size() >= 7 && text[6] == u'z') {
        for (int i = 0; i < 6; ++i)
            if (text[i] < u'0' || text[i] > u'9') return text;
        return text.sliced(7);
    }
    return text;
}

} // namespace

StationRecord* decodeStatus(DecodeContext& ctx) {
    guarded(ctx, [&]() -> StationRecord* {
        // Only a station already known takes the status; the last-heard time stays.
        if (StationRecord* r = ctx.stations.findByCallHeld(ctx.from))
            assignText(r->status, statusText(ctx.information));
        return nullptr;
    });
    return nullptr;
}

StationRecord* decodeObject(DecodeContext& ctx) {
    return guarded(ctx, [&]() -> StationRecord* {
        const auto o = parseObjectReport(ctx.information);
        if (!o) return nullptr;
        StationManager& stations = ctx.stations;
        // Objects and items are keyed by name and owner: two stations may each keep one of a name.
        StationRecord* r = stations.findObjectHeld(o->name, ctx.from);
        if (r) {
            r->isNew = 0;
            assignText(r->owner, ctx.from);
            if (!o->live) {
                stations.Remove(r);
                return nullptr;
            }
        } else {
            if (!o->live) return nullptr;
            r = stations.Create();
            r->firstHeard = nowLocal(ctx);
            r->course = 0;
            r->speed = 0;
            r->isNew = 1;
            r->owner = ctx.from.toString();
        }
        const CommentParts parts = splitComment(o->comment);
        double latitude = o->latitude;
        double longitude = o->longitude;
        if (parts.dao && !o->compressed) applyDao(*parts.dao, latitude, longitude);
        r->lastChecksum = ctx.checksum;
        r->symbolCode = SymbolTable::clampCode(o->symbolCode);
        r->stationType = StationType::Object;
        r->symbolTable = o->symbolTable;
        assignText(r->call, o->name);
        r->setPosition(latitude, longitude);
        r->positionAmbiguity = o->ambiguity;
        r->lastHeard = nowLocal(ctx);
        r->RecordHeardPath(ctx.header);
        // Course and speed from the cs bytes or the comment; a weather object's "ddd/sss" is wind.
        const bool weatherSymbol = o->symbolCode == u'_';
        std::optional<WeatherReport> weather;
        if (weatherSymbol) {
            weather = parseWeatherAfterPositionText(o->comment);
            if (weather) {
                applyWeather(*r, *weather);
                r->stationType = StationType::Object; // still an object, with weather
            }
        } else if (o->course) {
            r->course = static_cast<uint32_t>(*o->course);
            r->speed = *o->speed;
        } else if (parts.courseSpeed) {
            r->course = static_cast<uint32_t>(parts.courseSpeed->course);
            r->speed = parts.courseSpeed->speed;
        }
        if (parts.phg) applyPhg(*r, o->comment.first(7));
        if (o->altitude) r->altitude = *o->altitude;
        if (parts.altitudeFt) r->altitude = *parts.altitudeFt;
        if (!weather)
            assignText(r->comment, parts.text);
        else
            assignText(r->comment, weather->stationType.isEmpty()
                                       ? commentText(weather->remainder, CommentKind::Plain)
                                       : QString());
        // Objects keep no track.
        return r;
    });
}

StationRecord* decodePositionlessWeather(DecodeContext& ctx) {
    return guarded(ctx, [&]() -> StationRecord* {
        // Parsed whole before anything changes: a cut-short report is dropped, not half-stored.
        const auto w = parsePositionlessWeather(ctx.information);
        if (!w) return nullptr;
        StationRecord& r = senderRecord(ctx);
        r.symbolTable = '/';
        r.symbolCode = '_';
        r.stationType = symbolStationType(r.symbolTable, r.symbolCode);
        r.comment.clear();
        r.RecordHeardPath(ctx.header);
        applyWeather(r, *w);
        // One point per packet, carrying this packet's weather.
        appendTrackPoint(ctx.stations, r);
        return &r;
    });
}

StationRecord* decodeUltimeter(DecodeContext& ctx) {
    return guarded(ctx, [&]() -> StationRecord* {
        const auto w = parseUltimeter(ctx.information);
        if (!w) return nullptr;
        // Weather only: the symbol and the position stay as they are.
        StationRecord& r = senderRecord(ctx);
        applyWeather(r, *w);
        appendTrackPoint(ctx.stations, r);
        return &r;
    });
}

StationRecord* decodeNmea(DecodeContext& ctx) {
    return guarded(ctx, [&]() -> StationRecord* {
        NmeaError error = NmeaError::None;
        const QByteArray sentence = CodePage::encode(ctx.information.toString());
        const auto fix = parseNmeaSentence(sentence, &error);
        if (!fix) {
            if (error == NmeaError::WrongChecksum) Trace::write(QStringLiteral("wrong checksum"));
            return nullptr;
        }
        if (!fix->hasPosition()) return nullptr;
        StationRecord& r = beginStationUpdate(ctx, '/', '>', fix->latitude, fix->longitude);
        if (fix->course != -1) {
            const double c = std::trunc(fix->course);
            r.course = c >= 0 && c <= 359 ? static_cast<uint32_t>(c) : 0;
        }
        if (fix->speed != -1) r.speed = fix->speed;
        if (fix->altitudeM) r.altitude = wholeNumber(std::round(*fix->altitudeM * kFeetPerMetre));
        finishStationUpdate(ctx, r);
        return &r;
    });
}
