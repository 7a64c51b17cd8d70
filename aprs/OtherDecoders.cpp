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
    return ctx.stations.heardTimeNow();
}

} // namespace

StationRecord* decodeStatus(DecodeContext& ctx) {
    guarded(ctx, [&]() -> StationRecord* {
        // Only a station already known takes the status; the last-heard time stays.
        if (StationRecord* r = ctx.stations.FindByCall(ctx.from))
            assignText(r->status, QStringView(ctx.information).sliced(1));
        return nullptr;
    });
    return nullptr;
}

StationRecord* decodeObject(DecodeContext& ctx) {
    return guarded(ctx, [&]() -> StationRecord* {
        const auto o = parseObjectReport(ctx.information);
        if (!o) return nullptr;
        StationManager& stations = ctx.stations;
        // Objects are keyed by name and owner: two stations may each keep an object of one name.
        StationRecord* r = stations.FindObject(o->name, ctx.from);
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
        r->lastChecksum = ctx.checksum;
        r->symbolCode = SymbolTable::clampCode(o->symbolCode);
        r->stationType = StationType::Object;
        r->symbolTable = o->symbolTable;
        assignText(r->call, o->name);
        r->setPosition(o->latitude, o->longitude);
        r->lastHeard = nowLocal(ctx);
        r->RecordHeardPath(ctx.header);
        assignText(r->comment, o->comment);
        applyAltitude(*r, o->comment);
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
        const QByteArray sentence = CodePage::encode(ctx.information);
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
