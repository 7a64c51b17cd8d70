// The engine's TCP stream cut at fuzzer-chosen points must give the same frames as in one piece,
// and never allocate what a length field claims.
#include "engine/EngineFrame.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t step = 1 + data[0] % 64;
    const QByteArrayView stream(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));

    EngineStreamDecoder whole;
    std::vector<EngineFrame> a;
    const bool okWhole = whole.feed(stream, a);

    EngineStreamDecoder chunked;
    std::vector<EngineFrame> b;
    bool okChunked = true;
    for (qsizetype at = 0; at < stream.size() && okChunked; at += static_cast<qsizetype>(step))
        okChunked = chunked.feed(
            stream.sliced(at, std::min<qsizetype>(static_cast<qsizetype>(step), stream.size() - at)), b);

    if (okWhole != okChunked || a.size() != b.size()) std::abort();
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].data != b[i].data || a[i].header.kind != b[i].header.kind ||
            a[i].header.port != b[i].header.port)
            std::abort();
        if (a[i].header.port >= EngineCodec::kFirstInvalidPort) std::abort();
        (void)EngineCodec::frameText(a[i].data);
        (void)EngineCodec::parseUnproto(a[i]);
    }
    return 0;
}
