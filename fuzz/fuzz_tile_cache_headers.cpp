// The cache headers of tile answers: Cache-Control, Expires and Date, one a line. Whatever a server
// sends, a tile is kept fresh from now to at most a year, and only real dates parse.
#include "maps/TileCachePolicy.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QList<QByteArray> lines = bytes.split('\n');
    const QByteArray cacheControl = lines.value(0);
    const QByteArray expires = lines.value(1);
    const QByteArray date = lines.value(2);
    const QDateTime now(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC);
    const TileCachePolicy::Decision d = TileCachePolicy::decide(cacheControl, expires, date, now);
    if (!d.freshUntil.isValid() || d.freshUntil < now || d.freshUntil > now.addSecs(TileCachePolicy::kMaxSeconds))
        std::abort();
    for (const QByteArray& line : lines)
        if (const auto parsed = TileCachePolicy::parseHttpDate(line); parsed && !parsed->isValid()) std::abort();
    return 0;
}
