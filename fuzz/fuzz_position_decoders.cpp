// Every position decoder on arbitrary information fields and destination calls, directly and
// through the dispatch of the station database.
// Input: the destination call, a newline, then the information field (bytes as from the air).
#include "aprs/Base91.h"
#include "aprs/MicE.h"
#include "aprs/PositionComment.h"
#include "aprs/PositionDecoders.h"
#include "aprs/PositionFields.h"
#include "aprs/StationManager.h"
#include "aprs/SymbolTable.h"
#include "cli/JsonWriter.h"
#include "cli/PacketJson.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "tests/support/TemporaryStation.h"

#include <QByteArrayView>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace {
using World = TemporaryStation;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World* world = new World;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype nl = bytes.indexOf('\n');
    const QByteArrayView destBytes = nl < 0 ? QByteArrayView() : bytes.first(nl);
    const QByteArrayView infoBytes = nl < 0 ? bytes : bytes.sliced(nl + 1);
    const QString to = CodePage::decode(destBytes);
    const QString info = CodePage::decode(infoBytes);

    // Pure parsers.
    (void)decodeMicEFields(destBytes, infoBytes);
    (void)decodeMicEFields(QStringView(to), QStringView(info));
    (void)parsePhg(info);
    (void)parseAltitude(info);
    (void)parseCourseSpeed(info);
    (void)parsePlainPosition(info);
    (void)parseCompressedPosition(info);
    (void)withoutTimestamp(info);
    if (info.size() >= 9) (void)parseLatitudeText(QStringView(info).first(8));
    if (info.size() >= 9) (void)parseLongitudeText(QStringView(info).first(9));
    if (info.size() >= 2) (void)symbolInfo(info[0].unicode(), info[1].unicode());
    (void)splitComment(info);
    (void)splitComment(info, CommentKind::Plain);
    (void)findDao(info);
    (void)findCommentTelemetry(info);
    (void)parseRange(info);
    {
        // The decode tool's packet description of the same field.
        QByteArray json;
        JsonWriter writer(json);
        writePacketJson(writer, u"N0CALL", to, info);
    }

    // Every decoder on the same field, whatever its first character.
    StationManager& stations = world->stations;
    world->clock.advance(1000);
    const QString header =
        QStringLiteral("00:Fm N0CALL To %1 Via WIDE1-1* <UI pid=F0 Len=1 >[12:00:00]").arg(to);
    DecodeContext ctx{stations, info, u"N0CALL", to, header, info, 0, 1};
    for (auto decode : {decodeUncompressedPosition, decodeTimestampedPosition, decodeCompressedPosition,
                        decodeMicE, decodeGprsTracker, decodeEmbeddedPosition})
        (void)decode(ctx);
    // And through the dispatch, as a fresh station each time.
    (void)stations.DecodePacket(info, QStringLiteral("N%1").arg(size), to, header, info, 0);

    if (stations.count() > 1000) stations.RemoveAll();
    return 0;
}
