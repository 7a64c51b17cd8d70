// The TILES section of the settings file, as a user or another program may have left it: every
// source read has a name, a usable http(s) template and a zoom within 1..19, and plain one-line
// texts.
#include "maps/TileSource.h"
#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Quillpad.conf"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        file.write("[TILES]\n");
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    const SettingsStore settings(path);
    const QList<TileSource> sources = TileSources::read(settings);
    if (sources.size() > TileSources::kMaxSources + 1) std::abort();
    for (const TileSource& s : sources) {
        if (s.name.isEmpty() || s.name.size() > TileSources::kMaxTextLength) std::abort();
        if (s.attribution.size() > TileSources::kMaxTextLength || s.attribution.contains(QLatin1Char('\n'))) std::abort();
        if (s.maxZoom < TileMath::kMinZoom || s.maxZoom > TileMath::kMaxZoom) std::abort();
        const QUrl url = s.urlFor({3, 2, 5});
        if (!url.isValid()) std::abort();
        const QString scheme = url.scheme();
        if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) std::abort();
    }
    (void)TileSources::cacheBytes(settings);
    (void)TileSources::offline(settings);
    return 0;
}
