#include "cli/DecodeCommand.h"

#include "aprs/MonitorLine.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/SymbolTable.h"
#include "aprsis/ServerLine.h"
#include "cli/JsonWriter.h"
#include "cli/PacketJson.h"
#include "messaging/MsgManager.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/HeapPrefault.h"
#include "platform/HugePageHeap.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "platform/Trace.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/uio.h>
#include <thread>
#include <unistd.h>
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
// The longest input line taken; APRS packets are a few hundred bytes at most.
constexpr qsizetype kMaxLineBytes = 1 << 20;
// Standard input is read in blocks of this size, the complete lines of each making a batch.
constexpr qsizetype kBlockBytes = qsizetype{1} << 18;

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

// One output record waiting in a batch: what the station database is to be given.
struct PendingRecord {
    std::optional<QString> monitorText;          // a monitor line (header and information field)
    std::optional<ServerLinePacketSpans> server; // or the pieces of an APRS-IS line, in the batch text
    uint32_t checksum = 0;                       // the server line's duplicate-filter checksum
    // Where the information field's escaped text lies in the batch's line JSON, when the line
    // ends with it: the station's last packet is that text.
    qsizetype informationJsonAt = -1, informationJsonEnd = -1;
    JsonWriter::DoubleTexts doubles; // the position as the "packet" member wrote it
};

// The lines of one read, prepared on the helper thread: each record's '{"line":...' and its
// "packet" value, already written, and what the station database is to be given. The texts of
// all lines share one string, so a line costs no allocation of its own on either thread. A batch
// is used again and again: its buffers keep their room.
struct PreparedBatch {
    QString text;
    std::vector<PendingRecord> records;
    QByteArray lineJson, packetJson;
    std::vector<qsizetype> lineEnds, packetEnds;

    void clear() {
        text.truncate(0);
        records.clear();
        lineJson.truncate(0);
        packetJson.truncate(0);
        lineEnds.clear();
        packetEnds.clear();
    }
};

// Cuts lines into records and writes the parts of each that depend on the line alone. A monitor
// header waits in pendingHeader for its information line, which may come in the next batch.
class BatchPreparer {
public:
    explicit BatchPreparer(Clock& clock) : m_clock(clock) {}

    // The time of day APRS-IS lines are stamped with, read once for a batch: a batch takes a few
    // milliseconds.
    void startBatch(PreparedBatch& batch) {
        m_utc = m_clock.nowUtc().time();
        m_lineJson.emplace(batch.lineJson);
        m_packetJson.emplace(batch.packetJson);
    }
    void finishBatch() {
        m_lineJson.reset();
        m_packetJson.reset();
    }

    void line(PreparedBatch& batch, QByteArrayView raw) {
        while (!raw.isEmpty() && (raw.back() == '\n' || raw.back() == '\r')) raw.chop(1);
        QString& text = batch.text;
        const qsizetype lineAt = text.size();
        const bool ascii = CodePage::isAscii(raw);
        if (ascii)
            text.append(QLatin1StringView(raw.data(), raw.size()));
        else
            text.append(CodePage::decode(raw));
        const qsizetype lineSize = text.size() - lineAt;
        const auto lineText = [&] { return QStringView(text).sliced(lineAt, lineSize); };
        if (m_pendingHeader) {
            const QString header = *m_pendingHeader;
            m_pendingHeader.reset();
            const QString line = lineText().toString();
            PendingRecord& r = batch.records.emplace_back();
            r.monitorText = header + QLatin1Char('\r') + line + QLatin1Char('\r');
            // From and to as the monitor line names them.
            const QStringView h(header);
            const qsizetype fromAt = 6;
            const qsizetype fromEnd = h.indexOf(u' ', fromAt);
            const qsizetype toAt = fromEnd + 4;
            qsizetype toEnd = h.indexOf(u' ', toAt);
            if (toEnd < 0) toEnd = h.size();
            write(batch, QString(header + QLatin1Char('\n') + line), h.sliced(fromAt, fromEnd - fromAt),
                  h.sliced(toAt, toEnd - toAt), line, true);
            text.truncate(lineAt);
            return;
        }
        // Blank lines are skipped; a line that starts with a printable character is none.
        if ((lineSize == 0 || lineText()[0].unicode() <= u' ') && lineText().trimmed().isEmpty()) {
            text.truncate(lineAt);
            return;
        }
        if (isMonitorHeader(lineText())) {
            m_pendingHeader = lineText().toString();
            text.truncate(lineAt);
            return;
        }
        PendingRecord& r = batch.records.emplace_back();
        r.server = appendServerLinePacket(text, raw, m_utc, ascii ? lineAt : -1);
        if (r.server)
            r.checksum = monitorChecksum(r.server->from.in(text), r.server->to.in(text),
                                         r.server->header.in(text), r.server->information.in(text));
        const auto parts = raw.startsWith('#') ? std::nullopt : serverLineParts(raw);
        if (!parts) {
            write(batch, lineText(), {}, {}, {}, false);
        } else if (ascii) {
            // One character a byte: the pieces are views into the line, no copies.
            const auto at = [&](QByteArrayView piece) {
                return lineText().sliced(piece.data() - raw.data(), piece.size());
            };
            const bool endsWithInformation =
                r.server && r.server->information.at + r.server->information.size == lineAt + lineSize;
            write(batch, lineText(), at(parts->from), at(parts->to), at(parts->information), true,
                  endsWithInformation ? r.server->information.at - lineAt : -1);
        } else {
            // Otherwise each piece is decoded on its own, as the station's own path decodes it.
            write(batch, lineText(), CodePage::decode(parts->from), CodePage::decode(parts->to),
                  CodePage::decode(parts->information), true);
        }
        // Nothing in the station database needs the line but the pieces.
        if (!r.server) text.truncate(lineAt);
    }

    // A header whose information line never came.
    void end(PreparedBatch& batch) {
        if (!m_pendingHeader) return;
        batch.records.emplace_back();
        write(batch, *m_pendingHeader, {}, {}, {}, false);
        m_pendingHeader.reset();
    }

private:
    // informationAt: where the information field the station database is given starts in the
    // line, when the line ends with it; else -1.
    void write(PreparedBatch& batch, QStringView line, QStringView from, QStringView to,
               QStringView information, bool hasPacket, qsizetype informationAt = -1) {
        // '{"line":..,' here, the station part on the other thread, then the packet and the end.
        JsonWriter& lineJson = *m_lineJson;
        lineJson.restart();
        lineJson.beginObject();
        lineJson.key("line");
        if (informationAt >= 0) {
            PendingRecord& r = batch.records.back();
            lineJson.value(line.first(informationAt), line.sliced(informationAt), &r.informationJsonAt,
                           &r.informationJsonEnd);
        } else {
            lineJson.value(line);
        }
        lineJson.plain(',');
        batch.lineEnds.push_back(lineJson.size());
        JsonWriter& packetJson = *m_packetJson;
        packetJson.restart();
        packetJson.noteDoublesIn(&batch.records.back().doubles);
        if (hasPacket)
            writePacketJson(packetJson, from, to, information);
        else
            packetJson.null();
        packetJson.plain('}');
        packetJson.plain('\n');
        batch.packetEnds.push_back(packetJson.size());
    }

    Clock& m_clock;
    // Writers kept for a whole batch: the buffers are cut to what was written once, at its end.
    std::optional<JsonWriter> m_lineJson, m_packetJson;
    QTime m_utc;
    std::optional<QString> m_pendingHeader;
};

// Output lines of three parts each, written where they lie: to a file through writev (no copy of
// tens of megabytes into one buffer first), to any other device joined in a buffer. The parts
// must stay in place until flush().
class OutputLines {
public:
    explicit OutputLines(QIODevice& output) : m_output(output) {
        const auto* file = qobject_cast<QFile*>(&output);
        m_fd = file && file->openMode().testFlag(QIODevice::Unbuffered) ? file->handle() : -1;
    }

    void add(QByteArrayView a, QByteArrayView b, QByteArrayView c) {
        if (m_fd < 0) {
            m_joined.append(a).append(b).append(c);
            return;
        }
        for (const QByteArrayView part : {a, b, c})
            m_parts.push_back({const_cast<char*>(part.data()), static_cast<size_t>(part.size())});
    }

    void flush() {
        if (m_fd < 0) {
            m_output.write(m_joined);
            m_joined.truncate(0);
            return;
        }
        for (size_t at = 0; at < m_parts.size();) {
            const int count = static_cast<int>(std::min<size_t>(m_parts.size() - at, IOV_MAX));
            const ssize_t n = ::writev(m_fd, m_parts.data() + at, count);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break; // a closed pipe or a full disk: nothing more can be written
            // Past what was written; a part written in half goes on from its rest.
            size_t left = static_cast<size_t>(n);
            while (at < m_parts.size() && left >= m_parts[at].iov_len) left -= m_parts[at++].iov_len;
            if (left > 0) {
                m_parts[at].iov_base = static_cast<char*>(m_parts[at].iov_base) + left;
                m_parts[at].iov_len -= left;
            }
        }
        m_parts.clear();
    }

private:
    QIODevice& m_output;
    int m_fd = -1;
    std::vector<iovec> m_parts;
    QByteArray m_joined;
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

void writeStationJson(JsonWriter& json, const StationRecord& r, QByteArrayView lastPacketJson) {
    // Written once per line: in one run through room made for all of it. The bound counts every
    // text at six bytes a unit and each number and key generously.
    const QString& heardVia = r.heardVia();
    const bool weather = r.stationType == StationType::Weather;
    const qsizetype texts = r.call.size() + r.owner.size() + r.comment.size() + r.status.size() +
                            heardVia.size() + (lastPacketJson.isNull() ? r.lastPacket.size() : 0) +
                            (weather ? r.weather.software.size() : 0);
    const char* const symbolName =
        symbolInfo(r.symbolTable, r.symbolCode).name;        // plain ASCII, as a test makes sure
    const QString typeName = stationTypeName(r.stationType); // plain ASCII too
    JsonWriter::Run out =
        json.beginRun(2048 + 6 * texts + lastPacketJson.size() +
                      static_cast<qsizetype>(std::strlen(symbolName)) + 6 * typeName.size());
    const auto symbolChar = [&out](int32_t c) {
        if (c >= 32 && c <= 126) {
            const QChar ch(static_cast<char16_t>(c));
            out.text(QStringView(&ch, 1));
        } else {
            out.literal("\"\"");
        }
    };
    const auto reported = [&out](int32_t v, int32_t notReported) {
        if (v == notReported)
            out.null();
        else
            out.number(v);
    };
    out.literal("{\"call\":");
    out.text(r.call);
    out.literal(",\"owner\":");
    out.text(r.owner);
    out.literal(",\"lat\":");
    out.number(r.latitude);
    out.literal(",\"lon\":");
    out.number(r.longitude);
    out.literal(",\"symbol_table\":");
    symbolChar(r.symbolTable);
    out.literal(",\"symbol_code\":");
    symbolChar(r.symbolCode);
    out.literal(",\"symbol_name\":");
    out.plainText(symbolName);
    out.literal(",\"type\":");
    out.number(r.stationType);
    out.literal(",\"type_name\":");
    out.text(typeName);
    out.literal(",\"course\":");
    out.number(static_cast<int64_t>(r.course));
    out.literal(",\"speed_knots\":");
    out.number(r.speed);
    out.literal(",\"altitude_ft\":");
    out.number(r.altitude);
    out.literal(",\"comment\":");
    out.text(r.comment);
    out.literal(",\"status\":");
    out.text(r.status);
    out.literal(",\"is_new\":");
    out.boolean(r.isNew != 0);
    out.literal(",\"heard_via\":");
    out.text(heardVia);
    out.literal(",\"last_packet\":");
    if (!lastPacketJson.isNull())
        out.plainText(lastPacketJson);
    else
        out.text(r.lastPacket);
    out.literal(",\"position_ambiguity\":");
    out.number(r.positionAmbiguity);
    if (r.phg.power > 0) {
        out.literal(",\"phg\":{\"power_w\":");
        out.number(r.phg.power);
        out.literal(",\"height_ft\":");
        out.number(r.phg.height);
        out.literal(",\"gain_db\":");
        out.number(r.phg.gain);
        out.literal(",\"directivity_deg\":");
        out.number(r.phg.directivity);
        out.literal(",\"range_mi\":");
        out.number(r.phg.range);
        out.literal("}");
    }
    if (weather) {
        const auto& w = r.weather;
        out.literal(",\"weather\":{\"software\":");
        out.text(w.software);
        out.literal(",\"wind_direction_deg\":");
        reported(w.windDirection, -1);
        out.literal(",\"wind_speed_mph\":");
        reported(w.windSpeed, -1);
        out.literal(",\"wind_gust_mph\":");
        reported(w.windGust, -1);
        out.literal(",\"temperature_f\":");
        reported(w.temperature, -50000);
        out.literal(",\"rain_last_hour_hundredths_in\":");
        reported(w.rainLastHour, -1);
        out.literal(",\"rain_last_24h_hundredths_in\":");
        reported(w.rainLast24h, -1);
        out.literal(",\"rain_since_midnight_hundredths_in\":");
        reported(w.rainSinceMidnight, -1);
        out.literal(",\"humidity_pct\":");
        reported(w.humidity, -1);
        out.literal(",\"pressure_tenths_hpa\":");
        reported(w.pressure, -1);
        out.literal(",\"dew_point_f\":");
        out.number(w.dewPoint);
        out.literal(",\"wind_chill_f\":");
        out.number(w.windChill);
        out.literal(",\"heat_index_f\":");
        out.number(w.heatIndex);
        out.literal("}");
    }
    out.literal("}");
    json.endRun(out);
}

int runDecodeCommand(const QStringList& args, QIODevice& input, QIODevice& output, QIODevice& errors,
                     bool exitWhenDone) {
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
    // The station database grows by tens of megabytes over a capture: the helper thread, which
    // has time to spare, faults in the heap's fresh pages ahead of it.
    HeapPrefault prefault(hugePageHeapWanted());
    const StationHome home(homeDir ? *homeDir : scratch->path());
    // A scratch home stays empty (nothing is saved without --home): its folders are not made.
    if (homeDir) home.createFolders();
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

    // The input goes in batches, the lines of one read each, through two stages: a helper thread
    // reads a batch, cuts it into records and writes what depends on the line alone (the "line"
    // member, the packet described on its own), while this thread runs the batch before it through
    // the station database, in order; the helper then writes every output line from its parts.
    BatchPreparer preparer(clock);
    // What this thread adds to a batch: each record's '"station":..' [',"message":..'].
    struct StationPart {
        QByteArray json;
        std::vector<qsizetype> ends;
    };
    auto stationStage = [&](const PreparedBatch& batch, StationPart& part) {
        part.json.truncate(0);
        part.ends.clear();
        JsonWriter json(part.json);
        for (const PendingRecord& r : batch.records) {
            StationRecord* record = nullptr;
            if (r.monitorText) {
                record = stations.ProcessMonitorText(*r.monitorText, kMonitorPort);
            } else if (r.server) {
                const QStringView information = r.server->information.in(batch.text);
                record = stations.DecodePacket(information, r.server->from.in(batch.text),
                                               r.server->to.in(batch.text), r.server->header.in(batch.text),
                                               information, kServerPort, &r.checksum);
            }
            if (record) stations.MoveToEnd(record);
            json.restart();
            json.key("station");
            json.takeDoublesFrom(&r.doubles);
            if (record) {
                // The last packet is mostly this line's information field, escaped already with
                // the line.
                QByteArrayView lastPacketJson;
                if (r.informationJsonAt >= 0 && record->lastPacket == r.server->information.in(batch.text))
                    lastPacketJson =
                        QByteArrayView(batch.lineJson)
                            .sliced(r.informationJsonAt, r.informationJsonEnd - r.informationJsonAt);
                writeStationJson(json, *record, lastPacketJson);
            } else
                json.null();
            if (!newMessage.isEmpty()) {
                json.key("message");
                json.raw(newMessage);
                newMessage.clear();
            }
            json.verbatim(",\"packet\":");
            json.finish();
            part.ends.push_back(part.json.size());
        }
    };
    // Each output line from its three parts, written out on the helper thread for the batch
    // before the one it prepares.
    OutputLines lines(output);
    auto merge = [&lines](const PreparedBatch& batch, const StationPart& part) {
        qsizetype lineAt = 0, stationAt = 0, packetAt = 0;
        for (size_t i = 0; i < batch.records.size(); ++i) {
            lines.add(QByteArrayView(batch.lineJson).sliced(lineAt, batch.lineEnds[i] - lineAt),
                      QByteArrayView(part.json).sliced(stationAt, part.ends[i] - stationAt),
                      QByteArrayView(batch.packetJson).sliced(packetAt, batch.packetEnds[i] - packetAt));
            lineAt = batch.lineEnds[i];
            stationAt = part.ends[i];
            packetAt = batch.packetEnds[i];
        }
        lines.flush();
    };

    // Each block's complete lines make a batch.
    auto prepare = [&preparer](const QByteArray& bytes, bool last, PreparedBatch& batch) {
        batch.clear();
        // Room for what the lines usually make, so the buffers are not grown copy by copy.
        batch.text.reserve(2 * bytes.size() + 4096);
        batch.lineJson.reserve(bytes.size() + bytes.size() / 4 + 4096);
        batch.packetJson.reserve(2 * bytes.size() + 4096);
        preparer.startBatch(batch);
        qsizetype start = 0;
        for (;;) {
            const void* nl =
                std::memchr(bytes.constData() + start, '\n', static_cast<size_t>(bytes.size() - start));
            if (!nl) break;
            const qsizetype end = static_cast<const char*>(nl) - bytes.constData() + 1;
            preparer.line(batch, QByteArrayView(bytes).sliced(start, end - start));
            start = end;
        }
        if (last) {
            if (start < bytes.size()) preparer.line(batch, QByteArrayView(bytes).sliced(start));
            preparer.end(batch);
        }
        preparer.finishBatch();
    };
    // The helper reads the next block as well: this thread only runs batches through the
    // database.
    QByteArray block;
    QByteArray carry;      // the start of a line cut by the end of a block
    bool skipping = false; // inside a line too long to be a packet, dropped up to its end
    int blocksRead = 0;
    qint64 skippedLines = 0;
    // Reads a block and cuts it after its last complete line; true at the end of the input.
    auto readBlock = [&]() {
        block.truncate(0);
        block.append(carry);
        carry.truncate(0);
        const qsizetype at = block.size();
        // The first reads are small, so the station database starts soon; later reads grow to
        // a size at which handing batches between the threads costs nothing much.
        const qsizetype readSize =
            std::min<qsizetype>(kBlockBytes, (qsizetype{1} << 13) << std::min(blocksRead++, 8));
        block.resize(at + readSize);
        const qint64 n = input.read(block.data() + at, readSize);
        block.truncate(at + std::max<qint64>(n, 0));
        const bool last = n <= 0;
        if (skipping) {
            const qsizetype end = block.indexOf('\n');
            block.remove(0, end < 0 ? block.size() : end + 1);
            skipping = end < 0;
        }
        if (!last) {
            const qsizetype cut = block.lastIndexOf('\n') + 1;
            carry.append(QByteArrayView(block).sliced(cut));
            block.truncate(cut);
            // A line without its end past this length is no packet: memory stays bounded.
            if (carry.size() > kMaxLineBytes) {
                carry.clear();
                skipping = true;
                ++skippedLines;
            }
        }
        return last;
    };
    // Batches go round a ring of slots: the helper thread reads and prepares a batch into a free
    // slot, this thread runs it through the station database, and the helper writes it out when it
    // comes round to that slot again, just before filling it anew: it runs up to kSlots - 1
    // batches ahead. (More slots measured no faster, only larger.)
    constexpr int kSlots = 2;
    struct Slot {
        PreparedBatch batch;
        StationPart part;
        enum class State { Free, Prepared, Staged } state = State::Free;
        bool last = false; // the batch ends the input
    };
    Slot ring[kSlots];
    std::mutex ringMutex;
    std::condition_variable ringChanged;
    HeapPrefault::Mark heapMark = HeapPrefault::mark(); // read here, where the heap grows
    std::thread helper([&] {
        for (int i = 0, lastIndex = -1;; ++i) {
            Slot& slot = ring[i % kSlots];
            HeapPrefault::Mark mark;
            bool staged = false;
            {
                std::unique_lock lock(ringMutex);
                ringChanged.wait(lock, [&] { return slot.state != Slot::State::Prepared; });
                staged = slot.state == Slot::State::Staged;
                mark = heapMark;
            }
            if (staged) merge(slot.batch, slot.part); // batch i - kSlots
            if (lastIndex >= 0) {
                if (i - kSlots >= lastIndex) return; // the last batch is written out
                continue;
            }
            slot.last = readBlock();
            prepare(block, slot.last, slot.batch);
            if (slot.last) lastIndex = i;
            {
                std::lock_guard lock(ringMutex);
                slot.state = Slot::State::Prepared;
            }
            ringChanged.notify_all();
            prefault.populate(mark); // after the batch this thread may wait for
        }
    });
    for (int i = 0;; ++i) {
        Slot& slot = ring[i % kSlots];
        {
            std::unique_lock lock(ringMutex);
            ringChanged.wait(lock, [&] { return slot.state == Slot::State::Prepared; });
        }
        stationStage(slot.batch, slot.part);
        const bool last = slot.last;
        {
            std::lock_guard lock(ringMutex);
            slot.state = Slot::State::Staged;
            heapMark = HeapPrefault::mark();
        }
        ringChanged.notify_all();
        if (last) break;
    }
    helper.join();
    if (skippedLines > 0)
        errors.write(QByteArray::number(skippedLines) + " line(s) longer than " +
                     QByteArray::number(kMaxLineBytes) + " bytes skipped\n");

    int code = 0;
    if (homeDir && !stations.Save()) {
        errors.write("cannot write " + home.dataFile(QStringLiteral("Stations.dat")).toUtf8() + "\n");
        code = 1;
    }
    if (exitWhenDone) {
        // Everything is written and saved: freeing a database of tens of thousands of stations
        // record by record would only lengthen the run, so the process ends here, once the
        // scratch folder is gone.
        scratch.reset();
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}

int runDecodeCommand(const QStringList& args) {
    QFile in;
    QFile out;
    QFile err;
    // Unbuffered, on the descriptors rather than the C streams: the command reads and writes in
    // blocks of its own, and reading a C stream flushes (and so locks) every other stream, which
    // would make the two threads wait for each other once reading and writing are apart.
    if (!in.open(STDIN_FILENO, QIODevice::ReadOnly | QIODevice::Unbuffered) ||
        !out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        !err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return 1;
    return runDecodeCommand(args, in, out, err, true);
}
