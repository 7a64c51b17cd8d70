#include "cli/PacketJson.h"

#include "aprs/Base91.h"
#include "aprs/MicE.h"
#include "aprs/Nmea.h"
#include "aprs/ObjectDecoder.h"
#include "aprs/PositionComment.h"
#include "aprs/PositionFields.h"
#include "aprs/Weather.h"
#include "cli/JsonWriter.h"
#include "platform/CodePage.h"

#include <QList>
#include <algorithm>
#include <optional>

namespace {

constexpr int kMaxThirdPartyDepth = 8;

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

void invalid(JsonWriter& json, const char* reason) {
    json.member("type", QStringView(u"invalid"));
    json.key("reason");
    json.valueLatin1(reason);
}

void typeAndFormat(JsonWriter& json, const char* type, const char* format) {
    json.key("type");
    json.valueLatin1(type);
    if (format) {
        json.key("format");
        json.valueLatin1(format);
    }
}

void symbol(JsonWriter& json, char16_t table, char16_t code) {
    const QChar t(table), c(code);
    json.member("symbol_table", QStringView(&t, 1));
    json.member("symbol_code", QStringView(&c, 1));
}

void position(JsonWriter& json, double lat, double lon) {
    json.member("lat", lat);
    json.member("lon", lon);
}

void weatherMembers(JsonWriter& json, const WeatherReport& w) {
    json.key("weather");
    json.beginObject();
    if (w.windDirection != -1) json.member("wind_direction_deg", w.windDirection);
    if (w.windSpeed != -1) json.member("wind_speed_mph", w.windSpeed);
    if (w.windGust != -1) json.member("wind_gust_mph", w.windGust);
    if (w.temperature != -50000) json.member("temperature_f", w.temperature);
    if (w.rainLastHour != -1) json.member("rain_last_hour_hundredths_in", w.rainLastHour);
    if (w.rainLast24h != -1) json.member("rain_last_24h_hundredths_in", w.rainLast24h);
    if (w.rainSinceMidnight != -1) json.member("rain_since_midnight_hundredths_in", w.rainSinceMidnight);
    if (w.humidity != -1) json.member("humidity_pct", w.humidity);
    if (w.pressure != -1) json.member("pressure_tenths_hpa", w.pressure);
    if (w.luminosity != -1) json.member("luminosity_wm2", w.luminosity);
    if (w.snow24h != -1) json.member("snow_24h_in", w.snow24h);
    if (w.rainRaw != -1) json.member("rain_raw", w.rainRaw);
    if (!w.stationType.isEmpty()) json.member("station_type", w.stationType);
    json.endObject();
}

void telemetryMembers(JsonWriter& json, const CommentTelemetry& t) {
    json.key("telemetry");
    json.beginObject();
    json.member("seq", t.sequence);
    json.key("vals");
    json.beginArray();
    for (int i = 0; i < t.valueCount; ++i) json.value(t.values[i]);
    json.endArray();
    if (t.bits) json.member("bits", *t.bits);
    json.endObject();
}

void phgMembers(JsonWriter& json, const PhgValues& p) {
    json.key("phg");
    json.beginObject();
    json.member("power_w", p.power);
    json.member("height_ft", p.height);
    json.member("gain_db", p.gain);
    json.member("directivity_deg", p.directivity);
    json.member("range_mi", p.range);
    json.endObject();
}

// What a position's comment carries, then the comment left.
void commentMembers(JsonWriter& json, const CommentParts& parts, bool courseKnown, bool altitudeKnown) {
    if (parts.courseSpeed && !courseKnown) {
        json.member("course_deg", parts.courseSpeed->course);
        json.member("speed_knots", static_cast<double>(parts.courseSpeed->speed));
    }
    if (parts.phg) phgMembers(json, *parts.phg);
    if (parts.rangeMiles) json.member("range_mi", static_cast<double>(*parts.rangeMiles));
    if (parts.altitudeFt && !altitudeKnown) json.member("altitude_ft", *parts.altitudeFt);
    if (parts.dao) {
        const QChar d(parts.dao->datum);
        json.member("dao_datum", QStringView(&d, 1));
    }
    if (parts.telemetry) telemetryMembers(json, *parts.telemetry);
    if (!parts.text.isEmpty()) json.member("comment", parts.text);
}

// The weather after a position with the weather symbol, or the comment's extensions.
void restMembers(JsonWriter& json, char16_t symbolCode, QStringView rest, bool courseKnown,
                 bool altitudeKnown) {
    if (symbolCode == u'_') {
        if (const auto w = parseWeatherAfterPositionText(rest)) {
            weatherMembers(json, *w);
            CommentParts parts = splitComment(w->remainder, CommentKind::Plain);
            if (!w->stationType.isEmpty()) parts.text.clear();
            commentMembers(json, parts, true, altitudeKnown);
            return;
        }
    }
    commentMembers(json, splitComment(rest), courseKnown, altitudeKnown);
}

void compressedMembers(JsonWriter& json, const CompressedPosition& p) {
    if (p.course) {
        json.member("course_deg", *p.course);
        json.member("speed_knots", *p.speed);
    }
    if (p.altitude) json.member("altitude_ft", *p.altitude);
    if (p.range) json.member("range_mi", *p.range);
}

// A position report laid out from report[0] (the data type or what stands in its place).
bool positionReport(JsonWriter& json, QStringView report, const char* type) {
    if (report.size() >= 2 && isDigit(report[1])) {
        auto p = parsePlainPosition(report);
        if (!p) {
            invalid(json, report.size() < 20 ? "short position" : "invalid position");
            return false;
        }
        const QStringView rest = report.sliced(20);
        std::optional<Dao> dao;
        if (rest.contains(u'!')) dao = findDao(rest);
        if (dao) applyDao(*dao, p->latitude, p->longitude);
        typeAndFormat(json, type, "uncompressed");
        position(json, p->latitude, p->longitude);
        if (p->ambiguity) json.member("posambiguity", p->ambiguity);
        symbol(json, p->symbolTable, p->symbolCode);
        restMembers(json, p->symbolCode, rest, false, false);
        return true;
    }
    if (report.size() < 14) {
        invalid(json, "short position");
        return false;
    }
    const auto p = parseCompressedPosition(report.sliced(1, 13));
    if (!p) {
        invalid(json, "invalid compressed position");
        return false;
    }
    typeAndFormat(json, type, "compressed");
    position(json, p->latitude, p->longitude);
    symbol(json, p->symbolTable, p->symbolCode);
    compressedMembers(json, *p);
    restMembers(json, p->symbolCode, report.sliced(14), p->course.has_value(), p->altitude.has_value());
    return true;
}

void timestampMember(JsonWriter& json, QStringView information) {
    json.member("timestamp", information.sliced(1, 7));
}

void micE(JsonWriter& json, QStringView to, QStringView information) {
    const auto f = decodeMicEFields(to, information);
    if (!f) {
        invalid(json, "invalid mic-e");
        return;
    }
    if (!isPlainSymbolTable(f->symbolTable)) {
        invalid(json, "invalid symbol table");
        return;
    }
    typeAndFormat(json, "position", "mice");
    position(json, f->latitude, f->longitude);
    if (f->ambiguity) json.member("posambiguity", f->ambiguity);
    symbol(json, f->symbolTable, f->symbolCode);
    if (f->course >= 0 && f->course <= 360) json.member("course_deg", f->course);
    json.member("speed_knots", static_cast<double>(f->speed));
    if (f->altitude) json.member("altitude_ft", *f->altitude);
    json.member("mice_message_bits", f->messageBits);
    const CommentParts parts = splitComment(f->comment, CommentKind::Plain);
    if (f->dao) {
        const QChar d(f->dao->datum);
        json.member("dao_datum", QStringView(&d, 1));
    }
    if (parts.telemetry) telemetryMembers(json, *parts.telemetry);
    if (!f->comment.isEmpty()) json.member("comment", f->comment);
}

void objectOrItem(JsonWriter& json, QStringView information) {
    const auto o = parseObjectReport(information);
    if (!o) {
        invalid(json, information[0] == u';' ? "malformed object" : "malformed item");
        return;
    }
    typeAndFormat(json, o->item ? "item" : "object",
                  o->hasPosition ? (o->compressed ? "compressed" : "uncompressed") : nullptr);
    json.member("name", o->item ? QStringView(o->name) : QStringView(o->name).trimmed());
    json.member("alive", o->live);
    if (!o->item) json.member("timestamp", o->time);
    if (!o->hasPosition) return;
    double lat = o->latitude, lon = o->longitude;
    const CommentParts parts = splitComment(o->comment);
    if (parts.dao && !o->compressed) applyDao(*parts.dao, lat, lon);
    position(json, lat, lon);
    if (o->ambiguity) json.member("posambiguity", o->ambiguity);
    symbol(json, o->symbolTable, o->symbolCode);
    if (o->course) {
        json.member("course_deg", *o->course);
        json.member("speed_knots", *o->speed);
    }
    if (o->altitude) json.member("altitude_ft", *o->altitude);
    if (o->range) json.member("range_mi", *o->range);
    restMembers(json, o->symbolCode, o->comment, o->course.has_value(), o->altitude.has_value());
}

void status(JsonWriter& json, QStringView information) {
    typeAndFormat(json, "status", nullptr);
    QStringView text = information.sliced(1);
    if (text.size() >= 7 && text[6] == u'z') {
        bool digits = true;
        for (int i = 0; i < 6; ++i) digits = digits && isDigit(text[i]);
        if (digits) {
            json.member("timestamp", text.first(7));
            text = text.sliced(7);
        }
    }
    // A Maidenhead locator of 4 or 6 characters, then the symbol table and code.
    const auto letter = [](QChar c, char16_t last) { return c >= u'A' && c <= last; };
    if (text.size() >= 6 && letter(text[0], u'R') && letter(text[1], u'R') && isDigit(text[2]) &&
        isDigit(text[3])) {
        qsizetype n = 4;
        if (text.size() >= 8 && text[4].toUpper() >= u'A' && text[4].toUpper() <= u'X' &&
            text[5].toUpper() >= u'A' && text[5].toUpper() <= u'X')
            n = 6;
        if (text.size() >= n + 2 && (text.size() == n + 2 || text[n + 2] == u' ')) {
            json.member("maidenhead", text.first(n));
            symbol(json, text[n].unicode(), text[n + 1].unicode());
            text = text.sliced(n + 2);
        }
    }
    json.member("status", text.trimmed());
}

void message(JsonWriter& json, QStringView information) {
    if (information.size() < 11 || information[10] != u':') {
        invalid(json, "malformed message");
        return;
    }
    const QStringView addressee = information.sliced(1, 9).trimmed();
    QStringView text = information.sliced(11);
    const char* kind = "message";
    if (addressee.startsWith(u"BLN") && addressee.size() >= 4)
        kind = isDigit(addressee[3]) ? "bulletin" : "announcement";
    if (text.startsWith(u"PARM.") || text.startsWith(u"UNIT.") || text.startsWith(u"EQNS.") ||
        text.startsWith(u"BITS."))
        kind = "telemetry-message";
    typeAndFormat(json, kind, nullptr);
    json.member("addressee", addressee);
    const bool ack = text.startsWith(u"ack"), rej = text.startsWith(u"rej");
    if ((ack || rej) && text.size() > 3 && text.size() <= 8 && !text.contains(u' ')) {
        json.member(ack ? "ack" : "rej", text.sliced(3).trimmed());
        return;
    }
    const qsizetype brace = text.lastIndexOf(u'{');
    if (brace >= 0 && text.size() - brace - 1 >= 1 && text.size() - brace - 1 <= 11) {
        QStringView id = text.sliced(brace + 1).trimmed();
        // Reply-ack form "{MM}AA": the message's id, then the ack of one received.
        if (const qsizetype close = id.indexOf(u'}'); close >= 0) {
            if (close + 1 < id.size()) json.member("reply_ack", id.sliced(close + 1));
            id = id.first(close);
        }
        if (!id.isEmpty()) json.member("id", id);
        text = text.first(brace);
    }
    json.member("text", text);
}

void telemetry(JsonWriter& json, QStringView information) {
    // "T#sss,a,a,a,a,a,bbbbbbbb"
    const auto fields = information.sliced(2).split(u',');
    if (fields.size() < 2) {
        invalid(json, "malformed telemetry");
        return;
    }
    typeAndFormat(json, "telemetry", nullptr);
    json.key("telemetry");
    json.beginObject();
    json.member("seq", fields[0].trimmed());
    json.key("vals");
    json.beginArray();
    for (qsizetype i = 1; i < fields.size() && i <= 5; ++i) {
        bool ok = false;
        const double v = fields[i].trimmed().toDouble(&ok);
        if (ok)
            json.value(v);
        else
            json.null();
    }
    json.endArray();
    if (fields.size() > 6)
        json.member("bits", fields[6].trimmed().first(std::min<qsizetype>(8, fields[6].trimmed().size())));
    json.endObject();
}

void capabilities(JsonWriter& json, QStringView information) {
    typeAndFormat(json, "capabilities", nullptr);
    json.key("capabilities");
    json.beginObject();
    for (QStringView token : information.sliced(1).split(u',')) {
        token = token.trimmed();
        if (token.isEmpty()) continue;
        const qsizetype eq = token.indexOf(u'=');
        json.key(eq < 0 ? token : token.first(eq)); // escaped: the names come from the packet
        if (eq < 0)
            json.value(true);
        else
            json.value(token.sliced(eq + 1));
    }
    json.endObject();
}

void describe(JsonWriter& json, QStringView from, QStringView to, QStringView information, int depth);

void thirdParty(JsonWriter& json, QStringView information, int depth) {
    // "}FROM>TO,PATH:INNER"
    const qsizetype colon = information.indexOf(u':');
    const qsizetype gt = information.indexOf(u'>');
    if (colon < 0 || gt < 0 || gt > colon || gt < 2 || depth >= kMaxThirdPartyDepth) {
        invalid(json, "malformed third-party packet");
        return;
    }
    const QStringView header = information.sliced(1, colon - 1);
    const QStringView innerFrom = header.first(gt - 1);
    QStringView innerTo = header.sliced(gt);
    if (const qsizetype comma = innerTo.indexOf(u','); comma >= 0) innerTo = innerTo.first(comma);
    typeAndFormat(json, "thirdparty", nullptr);
    json.member("from", innerFrom);
    json.member("to", innerTo);
    json.key("inner");
    json.beginObject();
    describe(json, innerFrom, innerTo, information.sliced(colon + 1), depth + 1);
    json.endObject();
}

void nmea(JsonWriter& json, QStringView information) {
    const auto fix = parseNmeaSentence(CodePage::encode(information.toString()));
    if (!fix || !fix->hasPosition()) {
        invalid(json, "invalid nmea");
        return;
    }
    typeAndFormat(json, "position", "nmea");
    position(json, fix->latitude, fix->longitude);
    if (fix->course != -1) json.member("course_deg", fix->course);
    if (fix->speed != -1) json.member("speed_knots", fix->speed);
    if (fix->altitudeM) json.member("altitude_ft", *fix->altitudeM * 3.280839895013123);
}

void describe(JsonWriter& json, QStringView from, QStringView to, QStringView information, int depth) {
    (void)from;
    if (information.size() < 1) {
        invalid(json, "empty");
        return;
    }
    const QChar c0 = information[0];
    switch (c0.unicode()) {
    case u'!':
    case u'=':
        if (information.size() >= 2 && information[1] == u'!') {
            typeAndFormat(json, "weather", "ultimeter");
            return;
        }
        if (positionReport(json, information, "position")) json.member("messaging", c0 == u'=');
        return;
    case u'/':
    case u'@': {
        const QStringView report = withoutTimestamp(information);
        if (report.size() < 2) {
            invalid(json, "short position");
            return;
        }
        if (positionReport(json, report, "position")) {
            timestampMember(json, information);
            json.member("messaging", c0 == u'@');
        }
        return;
    }
    case u'\'':
    case u'`':
        micE(json, to, information);
        return;
    case u';':
    case u')':
        objectOrItem(json, information);
        return;
    case u'_': {
        const auto w = parsePositionlessWeather(information);
        if (!w) {
            invalid(json, "malformed weather");
            return;
        }
        typeAndFormat(json, "weather", nullptr);
        json.member("timestamp", information.sliced(1, std::min<qsizetype>(8, information.size() - 1)));
        weatherMembers(json, *w);
        if (const QString rest = commentText(w->remainder, CommentKind::Plain);
            !rest.isEmpty() && w->stationType.isEmpty())
            json.member("comment", rest);
        return;
    }
    case u'>':
        status(json, information);
        return;
    case u':':
        message(json, information);
        return;
    case u'T':
        if (information.size() >= 2 && information[1] == u'#') {
            telemetry(json, information);
            return;
        }
        break;
    case u'<':
        capabilities(json, information);
        return;
    case u'}':
        thirdParty(json, information, depth);
        return;
    case u'$':
        if (information.startsWith(u"$ULT")) {
            typeAndFormat(json, "weather", "ultimeter");
            return;
        }
        nmea(json, information);
        return;
    case u'?':
        typeAndFormat(json, "query", nullptr);
        json.member("query", information.sliced(1));
        return;
    default:
        break;
    }
    // A position later in the field: '!' within the first 40 characters.
    const qsizetype at = information.first(std::min<qsizetype>(information.size(), 40)).indexOf(u'!');
    if (at > 0 && at + 1 < information.size()) {
        QByteArray probe;
        JsonWriter scratch(probe);
        scratch.beginObject();
        if (positionReport(scratch, information.sliced(at), "position")) {
            positionReport(json, information.sliced(at), "position");
            return;
        }
    }
    invalid(json, "unsupported type");
}

} // namespace

void writePacketJson(JsonWriter& json, QStringView from, QStringView to, QStringView information) {
    json.beginObject();
    describe(json, from, to, information, 0);
    json.endObject();
}
