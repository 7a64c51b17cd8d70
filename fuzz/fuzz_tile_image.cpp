// Tile images as a server or a file sends them: anything decodes to a tile of at most 1024 pixels
// a side, ready to draw, or to nothing; never a large allocation.
#include "maps/TileImage.h"

#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // The fuzzer mostly makes small inputs; the two magic numbers open the decoders to it.
    for (const QByteArray& prefix : {QByteArray(), QByteArray("\x89PNG\r\n\x1a\n"), QByteArray("\xff\xd8\xff")}) {
        const QImage image = TileImage::decode(prefix + bytes);
        if (image.isNull()) continue;
        if (image.width() > TileImage::kMaxSide || image.height() > TileImage::kMaxSide) std::abort();
        if (image.format() != QImage::Format_ARGB32_Premultiplied) std::abort();
    }
    return 0;
}
