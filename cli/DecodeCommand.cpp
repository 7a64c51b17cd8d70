#include "cli/DecodeCommand.h"

#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/SymbolTable.h"
#include "aprsis/ServerLine.h"
#include "messaging/MsgManager.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "platform/Trace.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>
#include <optional>

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

QString chomp(QByteArray bytes) {
    while (bytes.endsWith('\n') || bytes.endsWith('\r')) bytes.chop(1);
    return CodePage::decode(bytes);
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
    std::vector<QJsonObject> newMessages;
    QObject::connect(&messages, &MsgManager::recordAdded,
                     [&](const MessageRecord& m) { newMessages.push_back(messageJson(m)); });

    static const QRegularExpression monitorHeader(QStringLiteral("^.{2}:Fm [^ ]+ To [^ ]+( |$)"));
    auto emitRecord = [&](const QString& line, StationRecord* record) {
        QJsonObject o;
        o.insert(QStringLiteral("line"), line);
        o.insert(QStringLiteral("station"),
                 record ? QJsonValue(stationJson(*record)) : QJsonValue(QJsonValue::Null));
        if (!newMessages.empty()) o.insert(QStringLiteral("message"), newMessages.back());
        newMessages.clear();
        output.write(QJsonDocument(o).toJson(QJsonDocument::Compact));
        output.write("\n");
    };
    auto decode = [&](const QString& monitorText, int port) -> StationRecord* {
        StationRecord* record = stations.ProcessMonitorText(monitorText, port);
        if (record) stations.MoveToEnd(record);
        return record;
    };

    std::optional<QString> pendingHeader;
    for (;;) {
        // Blocks until a whole line or the end; every line but the end holds at least its '\n'.
        const QByteArray raw = input.readLine();
        if (raw.isEmpty()) break;
        const QString line = chomp(raw);
        if (pendingHeader) {
            const QString header = *pendingHeader;
            pendingHeader.reset();
            emitRecord(header + QLatin1Char('\n') + line,
                       decode(header + QLatin1Char('\r') + line + QLatin1Char('\r'), kMonitorPort));
            continue;
        }
        if (line.trimmed().isEmpty()) continue;
        if (monitorHeader.match(line).hasMatch()) {
            pendingHeader = line;
            continue;
        }
        QByteArray bytes = raw;
        while (bytes.endsWith('\n') || bytes.endsWith('\r')) bytes.chop(1);
        const auto monitor = serverLineToMonitorLine(bytes, clock.nowUtc().time());
        emitRecord(line, monitor ? decode(*monitor, kServerPort) : nullptr);
    }
    if (pendingHeader) emitRecord(*pendingHeader, nullptr); // a header without its information field

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
    if (!in.open(stdin, QIODevice::ReadOnly) || !out.open(stdout, QIODevice::WriteOnly) ||
        !err.open(stderr, QIODevice::WriteOnly))
        return 1;
    return runDecodeCommand(args, in, out, err);
}
