#include "platform/CodePage.h"

#include <QStringDecoder>
#include <cstdint>
#include <cstring>

namespace CodePage {

namespace {
// Windows-1252 0x80..0x9F; the five undefined positions map to the C1 control of the same value.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
} // namespace

bool isAscii(QByteArrayView bytes) {
    // Eight bytes a step: every line from a feed goes through here.
    const char* p = bytes.data();
    qsizetype n = bytes.size();
    uint64_t high = 0;
    for (; n >= 8; n -= 8, p += 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        high |= w;
    }
    for (; n > 0; --n, ++p) high |= static_cast<unsigned char>(*p);
    return (high & 0x8080808080808080ull) == 0;
}

QString decodeWindows1252(QByteArrayView bytes) {
    QString out;
    out.resize(bytes.size());
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        d[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(b);
    }
    return out;
}

QString decode(QByteArrayView bytes) {
    if (isAscii(bytes)) return QString::fromLatin1(bytes.data(), bytes.size());
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    return decodeWindows1252(bytes);
}

QByteArray encode(const QString& text) {
    return text.toUtf8();
}

} // namespace CodePage
