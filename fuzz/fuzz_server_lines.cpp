// The APRS-IS server's byte stream in fuzzer-chosen chunks: lines are bounded, and every line
// that becomes a monitor line has the form the station database expects. The pieces the decode
// tool hands the database directly are what the split of that monitor line gives, for any bytes.
#include "aprs/MonitorLine.h"
#include "aprsis/ServerLine.h"
#include "aprsis/ServerLineReader.h"
#include "platform/CodePage.h"

#include <QTime>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t step = 1 + data[0] % 128;
    const QByteArrayView stream(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    ServerLineReader reader;
    std::vector<QByteArray> lines;
    for (qsizetype at = 0; at < stream.size(); at += static_cast<qsizetype>(step))
        reader.feed(stream.sliced(at, std::min<qsizetype>(static_cast<qsizetype>(step), stream.size() - at)),
                    lines);
    for (const QByteArray& line : lines) {
        if (line.isEmpty() || line.size() > ServerLineReader::kMaxLine) std::abort();
        if (line.contains('\r') || line.contains('\n')) std::abort();
        const auto monitor = serverLineToMonitorLine(line, QTime(12, 34, 56));
        if (monitor && !monitor->startsWith(QLatin1String("GT:Fm "))) std::abort();
    }
    const QTime at(12, 34, 56);
    const auto monitor = serverLineToMonitorLine(stream, at);
    const auto split = monitor ? splitMonitorLine(*monitor) : std::nullopt;
    const auto packet = serverLinePacket(stream, at);
    if (packet.has_value() != split.has_value()) std::abort();
    if (packet && (packet->header != split->header || packet->from != split->from ||
                   packet->to != split->to || packet->information != split->information))
        std::abort();
    // The pieces found in the line where it already stands in a text, as the decode command
    // finds them.
    if (packet && CodePage::isAscii(stream)) {
        QString text = QStringLiteral("before");
        const qsizetype lineAt = text.size();
        text.append(QLatin1StringView(stream));
        const auto spans = appendServerLinePacket(text, stream, at, lineAt);
        if (!spans || spans->header.in(text) != packet->header || spans->from.in(text) != packet->from ||
            spans->to.in(text) != packet->to || spans->information.in(text) != packet->information)
            std::abort();
    }
    return 0;
}
