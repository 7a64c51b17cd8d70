#include "cli/DecodeCommand.h"

#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/SymbolTable.h"
#include "aprsis/ServerLine.h"
#include "cli/JsonWriter.h"
#include "cli/PacketJson.h"
#include "messaging/MsgManager.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "platform/Trace.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <future>
#include <memory>
#include <optional>
#include <vector>

namespace {

const char* kDecodeUsage =
    "usage: quillpad-cli decode [--home DIR] [--verbose]\n"
    "  reads APRS-IS lines (SRC>DST,PATH:info) or monitor lines (header line, then the\n"
    "  information field on the next line) from standard input and prints one JSON object\n"
    "  per record; --home loads and saves DIR/Data/Stations.dat\n";

// Port numbers the records are decoded with: radio lines as port 0, APRS-IS lines as the server.
constexpr int kMonitorPort = 0;
constexpr int kServerPort = -1;

QString symbolChar(int32_t c) {
    return c >= 32 && c <= 126 ? QString(QChar(c)) : QString();
}

// A weather value or null when it was not reported.
QJsonValue reported(int32_t v, int32_t notReported = -1) {
    return v == notReported ? QJsonValue(QJsonValue::Null) : QJsonValue(v);
}

} // namespace

QJsonObject messageJson(const MessageRecord& m) {
    QString status;
    switch (m.status) {
    case MessageStatus::ForMe:
        status = QStringLiteral("for_me");
        break;
    case MessageStatus::Bulletin:
        status = QStringLiteral("bulletin");
        break;
    case MessageStatus::Acknowledged:
        status = QStringLiteral("acknowledged");
        break;
    case MessageStatus::SentByMe:
        status = QStringLiteral("sent_by_me");
        break;
    case MessageStatus::Stopped:
        status = QStringLiteral("stopped");
        break;
    default:
        status = QStringLiteral("other");
        break;
    }
    QJsonObject o;
    o.insert(QStringLiteral("from"), m.from);
    o.insert(QStringLiteral("to"), m.to);
    o.insert(QStringLiteral("text"), m.text);
    o.insert(QStringLiteral("seq"), m.seq);
    o.insert(QStringLiteral("status"), status);
    o.insert(QStringLiteral("heard_via"), m.heardVia);
    return o;
}

QJsonObject stationJson(const StationRecord& r) {
    QJsonObject o;
    o.insert(QStringLiteral("call"), r.call);
    o.insert(QStringLiteral("owner"), r.owner);
    o.insert(QStringLiteral("lat"), r.latitude);
    o.insert(QStringLiteral("lon"), r.longitude);
    o.insert(QStringLiteral("symbol_table"), symbolChar(r.symbolTable));
    o.insert(QStringLiteral("symbol_code"), symbolChar(r.symbolCode));
    o.insert(QStringLiteral("symbol_name"), symbolName(r.symbolTable, r.symbolCode));
    o.insert(QStringLiteral("type"), r.stationType);
    o.insert(QStringLiteral("type_name"), stationTypeName(r.stationType));
    o.insert(QStringLiteral("course"), static_cast<qint64>(r.course));
    o.insert(QStringLiteral("speed_knots"), r.speed);
    o.insert(QStringLiteral("altitude_ft"), r.altitude);
    o.insert(QStringLiteral("comment"), r.comment);
    o.insert(QStringLiteral("status"), r.status);
    o.insert(QStringLiteral("is_new"), r.isNew != 0);
    o.insert(QStringLiteral("heard_via"), r.heardVia());
    o.insert(QStringLiteral("last_packet"), r.lastPacket);
    if (r.phg.power > 0) {
        QJsonObject phg;
        phg.insert(QStringLiteral("power_w"), r.phg.power);
        phg.insert(QStringLiteral("height_ft"), r.phg.height);
        phg.insert(QStringLiteral("gain_db"), r.phg.gain);
        phg.insert(QStringLiteral("directivity_deg"), r.phg.directivity);
        phg.insert(QStringLiteral("range_mi"), r.phg.range);
        o.insert(QStringLiteral("phg"), phg);
    }
    if (r.stationType == StationType::Weather) {
        const auto& w = r.weather;
        QJsonObject wx;
        wx.insert(QStringLiteral("software"), w.software);
        wx.insert(QStringLiteral("wind_direction_deg"), reported(w.windDirection));
        wx.insert(QStringLiteral("wind_speed_mph"), reported(w.windSpeed));
        wx.insert(QStringLiteral("wind_gust_mph"), reported(w.windGust));
        wx.insert(QStringLiteral("temperature_f"), reported(w.temperature, -50000));
        wx.insert(QStringLiteral("rain_last_hour_hundredths_in"), reported(w.rainLastHour));
        wx.insert(QStringLiteral("rain_last_24h_hundredths_in"), reported(w.rainLast24h));
        wx.insert(QStringLiteral("rain_since_midnight_hundredths_in"), reported(w.rainSinceMidnight));
        wx.insert(QStringLiteral("humidity_pct"), reported(w.humidity));
        wx.insert(QStringLiteral("pressure_tenths_hpa"), reported(w.pressure));
        wx.insert(QStringLiteral("dew_point_f"), w.dewPoint);
        wx.insert(QStringLiteral("wind_chill_f"), w.windChill);
        wx.insert(QStringLiteral("heat_index_f"), w.heatIndex);
        o.insert(QStringLiteral("weather"), wx);
    }
    return o;
}

namespace {

const char* messageStatusName(MessageStatus status) {
    switch (status) {
    case MessageStatus::ForMe:
        return "for_me";
    case MessageStatus::Bulletin:
        return "bulletin";
    case MessageStatus::Acknowledged:
        return "acknowledged";
    case MessageStatus::SentByMe:
        return "sent_by_me";
    case MessageStatus::Stopped:
        return "stopped";
    default:
        return "other";
    }
}

template <size_t N>
void writeReported(JsonWriter& json, const char (&key)[N], int32_t v, int32_t notReported = -1) {
    json.key(key);
    if (v == notReported)
        json.null();
    else
        json.value(v);
}

template <size_t N> void writeSymbolChar(JsonWriter& json, const char (&key)[N], int32_t c) {
    json.key(key);
    if (c >= 32 && c <= 126) {
        const QChar ch(static_cast<char16_t>(c));
        json.value(QStringView(&ch, 1));
    } else {
        json.value(QStringView());
    }
}

// A monitor header "xx:Fm SRC To DST" followed by a blank or the end.
bool isMonitorHeader(QStringView line) {
    if (line.size() < 6 || line[2] != u':' || !line.sliced(3).startsWith(u"Fm ")) return false;
    qsizetype i = 6;
    const qsizetype fromStart = i;
    while (i < line.size() && line[i] != u' ') ++i;
    if (i == fromStart || !line.sliced(i).startsWith(u" To ")) return false;
    i += 4;
    const qsizetype toStart = i;
    while (i < line.size() && line[i] != u' ') ++i;
    return i > toStart;
}

// Sender, destination and information field of an APRS-IS line "SRC>DST,PATH:info".
struct ServerLineParts {
    QByteArrayView from, to, information;
};
std::optional<ServerLineParts> serverLineParts(QByteArrayView line) {
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0) return std::nullopt;
    const QByteArrayView header = line.first(colon);
    const qsizetype gt = header.indexOf('>');
    if (gt <= 0) return std::nullopt;
    QByteArrayView to = header.sliced(gt + 1);
    if (const qsizetype comma = to.indexOf(','); comma >= 0) to = to.first(comma);
    return ServerLineParts{header.first(gt), to, line.sliced(colon + 1)};
}

// One output line waiting in a batch: what the station database is given, and the packet's
// pieces, as views into the line or into texts of the record's own.
struct PendingRecord {
    QString line;                       // the "line" member
    std::optional<QString> monitorText; // for the station database, when the line makes one
    int port = 0;
    bool hasPacket = false;
    QStringView from, to, information;
    QString ownFrom, ownTo, ownInformation;

    void own(QString f, QString t, QString i) {
        ownFrom = std::move(f);
        ownTo = std::move(t);
        ownInformation = std::move(i);
        from = ownFrom;
        to = ownTo;
        information = ownInformation;
        hasPacket = true;
    }
};

} // namespace

void writeMessageJson(JsonWriter& json, const MessageRecord& m) {
    json.beginObject();
    json.member("from", m.from);
    json.member("to", m.to);
    json.member("text", m.text);
    json.member("seq", m.seq);
    json.key("status");
    json.valueLatin1(messageStatusName(static_cast<MessageStatus>(m.status)));
    json.member("heard_via", m.heardVia);
    json.endObject();
}

void writeStationJson(JsonWriter& json, const StationRecord& r) {
    json.beginObject();
    json.member("call", r.call);
    json.member("owner", r.owner);
    json.member("lat", r.latitude);
    json.member("lon", r.longitude);
    writeSymbolChar(json, "symbol_table", r.symbolTable);
    writeSymbolChar(json, "symbol_code", r.symbolCode);
    json.member("symbol_name", symbolName(r.symbolTable, r.symbolCode));
    json.member("type", r.stationType);
    json.member("type_name", stationTypeName(r.stationType));
    json.member("course", static_cast<int64_t>(r.course));
    json.member("speed_knots", r.speed);
    json.member("altitude_ft", r.altitude);
    json.member("comment", r.comment);
    json.member("status", r.status);
    json.member("is_new", r.isNew != 0);
    json.member("heard_via", r.heardVia());
    json.member("last_packet", r.lastPacket);
    json.member("position_ambiguity", r.positionAmbiguity);
    if (r.phg.power > 0) {
        json.key("phg");
        json.beginObject();
        json.member("power_w", r.phg.power);
        json.member("height_ft", r.phg.height);
        json.member("gain_db", r.phg.gain);
        json.member("directivity_deg", r.phg.directivity);
        json.member("range_mi", r.phg.range);
        json.endObject();
    }
    if (r.stationType == StationType::Weather) {
        const auto& w = r.weather;
        json.key("weather");
        json.beginObject();
        json.member("software", w.software);
        writeReported(json, "wind_direction_deg", w.windDirection);
        writeReported(json, "wind_speed_mph", w.windSpeed);
        writeReported(json, "wind_gust_mph", w.windGust);
        writeReported(json, "temperature_f", w.temperature, -50000);
        writeReported(json, "rain_last_hour_hundredths_in", w.rainLastHour);
        writeReported(json, "rain_last_24h_hundredths_in", w.rainLast24h);
        writeReported(json, "rain_since_midnight_hundredths_in", w.rainSinceMidnight);
        writeReported(json, "humidity_pct", w.humidity);
        writeReported(json, "pressure_tenths_hpa", w.pressure);
        json.member("dew_point_f", w.dewPoint);
        json.member("wind_chill_f", w.windChill);
        json.member("heat_index_f", w.heatIndex);
        json.endObject();
    }
    json.endObject();
}

int runDecodeCommand(const QStringList& args, QIODevice& input, QIODevice& output, QIODevice& errors) {
    std::optional<QString> homeDir;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--home") && i + 1 < args.size()) {
            homeDir = args[++i];
        } else if (a.startsWith(QLatin1String("--home="))) {
            homeDir = a.mid(7);
        } else if (a == QLatin1String("--verbose")) {
            Trace::setEnabled(true);
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            output.write(kDecodeUsage);
            return 0;
        } else {
            errors.write("unknown option: " + a.toUtf8() + "\n" + kDecodeUsage);
            return 2;
        }
    }
    if (homeDir && homeDir->isEmpty()) {
        errors.write(QByteArray("--home needs a folder\n") + kDecodeUsage);
        return 2;
    }

    // Without --home the station lives in a scratch folder that goes away at the end.
    std::unique_ptr<QTemporaryDir> scratch;
    if (!homeDir) {
        scratch = std::make_unique<QTemporaryDir>();
        if (!scratch->isValid()) {
            errors.write("cannot create a temporary folder\n");
            return 1;
        }
    }
    const StationHome home(homeDir ? *homeDir : scratch->path());
    home.createFolders();
    SettingsStore settings(home.settingsFile());
    SystemClock clock;
    StationManager stations(home, settings, clock);
    if (homeDir) stations.Load();
    // Messages are decoded and shown, never answered: the tool transmits nothing.
    MsgManager messages(home, settings, clock, stations, [](const OutboundPacket&) {});
    stations.setMessageSink(&messages);
    // The last message record the line created, written as it arrives.
    QByteArray newMessage;
    QObject::connect(&messages, &MsgManager::recordAdded, [&](const MessageRecord& m) {
        newMessage.clear();
        JsonWriter json(newMessage);
        writeMessageJson(json, m);
    });

    // The input goes in batches, the lines of one read each. A batch is first cut into records;
    // then a second thread describes each record's packet (that depends on the packet alone)
    // while this one runs the records through the station database, in order; the two halves of
    // every output line are joined at the end of the batch. Output goes out in large blocks.
    std::vector<PendingRecord> batch;
    QByteArray stationPart; // '{"line":..,"station":..[,"message":..]' of each record
    QByteArray packetPart;  // the "packet" value of each record
    std::vector<qsizetype> stationEnds, packetEnds;
    QByteArray out;

    auto runBatch = [&] {
        if (batch.empty()) return;
        packetPart.truncate(0);
        packetEnds.clear();
        auto packets = std::async(std::launch::async, [&] {
            JsonWriter json(packetPart);
            for (const PendingRecord& r : batch) {
                if (r.hasPacket) {
                    writePacketJson(json, r.from, r.to, r.information);
                } else {
                    json.null();
                }
                json.finish();
                packetEnds.push_back(packetPart.size());
                json.restart();
            }
        });
        stationPart.truncate(0);
        stationEnds.clear();
        {
            JsonWriter json(stationPart);
            for (const PendingRecord& r : batch) {
                StationRecord* record = nullptr;
                if (r.monitorText) {
                    record = stations.ProcessMonitorText(*r.monitorText, r.port);
                    if (record) stations.MoveToEnd(record);
                }
                json.beginObject();
                json.member("line", QStringView(r.line));
                json.key("station");
                if (record)
                    writeStationJson(json, *record);
                else
                    json.null();
                if (!newMessage.isEmpty()) {
                    json.key("message");
                    json.raw(newMessage);
                    newMessage.clear();
                }
                json.finish();
                stationEnds.push_back(stationPart.size());
                json.restart();
            }
        }
        packets.get();
        qsizetype stationAt = 0, packetAt = 0;
        for (size_t i = 0; i < batch.size(); ++i) {
            out.append(QByteArrayView(stationPart).sliced(stationAt, stationEnds[i] - stationAt));
            out.append(",\"packet\":");
            out.append(QByteArrayView(packetPart).sliced(packetAt, packetEnds[i] - packetAt));
            out.append("}\n");
            stationAt = stationEnds[i];
            packetAt = packetEnds[i];
        }
        batch.clear();
        output.write(out);
        out.truncate(0);
    };

    std::optional<QString> pendingHeader;
    auto handleLine = [&](QByteArrayView raw) {
        while (!raw.isEmpty() && (raw.back() == '\n' || raw.back() == '\r')) raw.chop(1);
        QString line = CodePage::decode(raw);
        if (pendingHeader) {
            const QString header = *pendingHeader;
            pendingHeader.reset();
            PendingRecord& r = batch.emplace_back();
            r.monitorText = header + QLatin1Char('\r') + line + QLatin1Char('\r');
            r.port = kMonitorPort;
            // From and to as the monitor line names them.
            const QStringView h(header);
            const qsizetype fromAt = 6;
            const qsizetype fromEnd = h.indexOf(u' ', fromAt);
            const qsizetype toAt = fromEnd + 4;
            qsizetype toEnd = h.indexOf(u' ', toAt);
            if (toEnd < 0) toEnd = h.size();
            r.line = header + QLatin1Char('\n') + line;
            r.own(header.sliced(fromAt, fromEnd - fromAt), header.sliced(toAt, toEnd - toAt), line);
            return;
        }
        if (QStringView(line).trimmed().isEmpty()) return;
        if (isMonitorHeader(line)) {
            pendingHeader = line;
            return;
        }
        PendingRecord& r = batch.emplace_back();
        r.monitorText = serverLineToMonitorLine(raw, clock.nowUtc().time());
        r.port = kServerPort;
        const auto parts = raw.startsWith('#') ? std::nullopt : serverLineParts(raw);
        r.line = std::move(line);
        if (!parts) return;
        if (r.line.size() == raw.size() && CodePage::isAscii(raw)) {
            // One character a byte: the pieces are views into the line, no copies.
            const auto at = [&](QByteArrayView piece) {
                return QStringView(r.line).sliced(piece.data() - raw.data(), piece.size());
            };
            r.hasPacket = true;
            r.from = at(parts->from);
            r.to = at(parts->to);
            r.information = at(parts->information);
            return;
        }
        // Otherwise each piece is decoded on its own, as the station's own path decodes it.
        r.own(CodePage::decode(parts->from), CodePage::decode(parts->to),
              CodePage::decode(parts->information));
    };

    // Standard input in large blocks; lines are cut out of the block.
    QByteArray pending;
    QByteArray block(1 << 18, Qt::Uninitialized);
    for (;;) {
        const qint64 n = input.read(block.data(), block.size());
        if (n <= 0) break;
        pending.append(block.constData(), n);
        qsizetype start = 0;
        for (;;) {
            const qsizetype nl = pending.indexOf('\n', start);
            if (nl < 0) break;
            handleLine(QByteArrayView(pending).sliced(start, nl + 1 - start));
            start = nl + 1;
        }
        runBatch();
        pending.remove(0, start);
    }
    if (!pending.isEmpty()) handleLine(pending);
    if (pendingHeader) {
        // A header without its information field.
        batch.emplace_back().line = *pendingHeader;
    }
    runBatch();

    if (homeDir && !stations.Save()) {
        errors.write("cannot write " + home.dataFile(QStringLiteral("Stations.dat")).toUtf8() + "\n");
        return 1;
    }
    return 0;
}

int runDecodeCommand(const QStringList& args) {
    QFile in;
    QFile out;
    QFile err;
    // Unbuffered: the command reads and writes in blocks of its own.
    if (!in.open(stdin, QIODevice::ReadOnly | QIODevice::Unbuffered) ||
        !out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        !err.open(stderr, QIODevice::WriteOnly))
        return 1;
    return runDecodeCommand(args, in, out, err);
}
