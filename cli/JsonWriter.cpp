#include "cli/JsonWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

void JsonWriter::makeRoom(qsizetype n) {
    // The allocation grows geometrically and is never given back by a cut, so the buffer is sized
    // within it: no copy but on real growth. The tail past m_pos is scratch until finish().
    const qsizetype need = m_pos + n;
    if (need > m_out.capacity()) m_out.reserve(std::max<qsizetype>(2 * m_out.capacity(), need + 4096));
    m_out.resize(std::max(need, std::min<qsizetype>(m_out.capacity(), need + 4096)));
}

void JsonWriter::beginObject() {
    separate();
    *grow(1) = '{';
    m_first = true;
}

void JsonWriter::endObject() {
    *grow(1) = '}';
    m_first = false;
}

void JsonWriter::beginArray() {
    separate();
    *grow(1) = '[';
    m_first = true;
}

void JsonWriter::endArray() {
    *grow(1) = ']';
    m_first = false;
}

void JsonWriter::key(QStringView name) {
    separate();
    string(name);
    *grow(1) = ':';
    m_afterKey = true;
}

void JsonWriter::fixedText(const char* text, qsizetype n) {
    separate();
    char* p = grow(n + 2);
    *p++ = '"';
    std::memcpy(p, text, static_cast<size_t>(n));
    p[n] = '"';
}

void JsonWriter::value(QStringView text) {
    separate();
    string(text);
}

void JsonWriter::value(QLatin1StringView text) {
    separate();
    const qsizetype n = text.size();
    char* const start = room(6 * n + 2);
    char* p = start;
    *p++ = '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x80) {
            if (c == '"' || c == '\\') *p++ = '\\';
            *p++ = static_cast<char>(c);
        } else if (c >= 0x80) {
            *p++ = static_cast<char>(0xC0 | (c >> 6));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            static constexpr char kHex[] = "0123456789abcdef";
            p = std::copy_n("\\u00", 4, p);
            *p++ = kHex[c >> 4];
            *p++ = kHex[c & 15];
        }
    }
    *p++ = '"';
    m_pos += p - start;
}

void JsonWriter::string(QStringView text) {
    // Room for the worst case (six bytes a unit), written through a pointer; m_pos moves on by
    // what was used.
    char* const start = room(6 * text.size() + 2);
    char* p = start;
    *p++ = '"';
    p = escape(text, p);
    *p++ = '"';
    m_pos += p - start;
}

void JsonWriter::value(QStringView head, QStringView tail, qsizetype* tailAt, qsizetype* tailEnd) {
    separate();
    char* const start = room(6 * (head.size() + tail.size()) + 2);
    char* p = start;
    *p++ = '"';
    p = escape(head, p);
    *tailAt = m_pos + (p - start);
    p = escape(tail, p);
    *tailEnd = m_pos + (p - start);
    *p++ = '"';
    m_pos += p - start;
}

char* JsonWriter::escape(QStringView text, char* p) {
    static constexpr char kHex[] = "0123456789abcdef";
    const qsizetype n = text.size();
    const char16_t* s = reinterpret_cast<const char16_t*>(text.data());
    qsizetype i = 0;
#ifdef __SSE2__
    // Plain printable ASCII, the usual case of packet text, sixteen units at a time: a unit is
    // plain when unit - 0x20 is at most 0x5E (0x20..0x7E; units below 0x20 wrap round) and it is
    // no quote or backslash.
    const __m128i space = _mm_set1_epi16(0x20);
    const __m128i span = _mm_set1_epi16(0x5E);
    const __m128i quote = _mm_set1_epi16('"');
    const __m128i backslash = _mm_set1_epi16('\\');
    const auto bad = [&](__m128i v) {
        return _mm_or_si128(_mm_subs_epu16(_mm_sub_epi16(v, space), span),
                            _mm_or_si128(_mm_cmpeq_epi16(v, quote), _mm_cmpeq_epi16(v, backslash)));
    };
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 8));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_or_si128(bad(a), bad(b)), zero)) != 0xFFFF) break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(a, b));
        p += 16;
    }
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(bad(v), zero)) != 0xFFFF) break;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(v, v));
        p += 8;
    }
#endif
    for (; i < n; ++i) {
        const char32_t c = s[i];
        if (c >= 0x20 && c < 0x80) {
            if (c == '"' || c == '\\') *p++ = '\\';
            *p++ = static_cast<char>(c);
        } else if (c < 0x20) {
            *p++ = '\\';
            switch (c) {
            case '\n':
                *p++ = 'n';
                break;
            case '\r':
                *p++ = 'r';
                break;
            case '\t':
                *p++ = 't';
                break;
            default:
                *p++ = 'u';
                *p++ = '0';
                *p++ = '0';
                *p++ = kHex[c >> 4];
                *p++ = kHex[c & 15];
            }
        } else if (c < 0x800) {
            *p++ = static_cast<char>(0xC0 | (c >> 6));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            const char32_t cp = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
            *p++ = static_cast<char>(0xF0 | (cp >> 18));
            *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            // A lone surrogate has no UTF-8 form: the replacement character stands for it.
            const char32_t cp = (c >= 0xD800 && c < 0xE000) ? 0xFFFD : c;
            *p++ = static_cast<char>(0xE0 | (cp >> 12));
            *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return p;
}

void JsonWriter::value(int64_t v) {
    separate();
    char* const start = room(kMaxNumber);
    m_pos += std::to_chars(start, start + kMaxNumber, v).ptr - start;
}

void JsonWriter::value(double v) {
    separate();
    char* const start = room(kMaxNumber);
    m_pos += putDouble(v, start) - start;
}

char* JsonWriter::putDouble(double v, char* p) {
    if (!std::isfinite(v)) return std::copy_n("null", 4, p);
    // Whole numbers (speeds, courses, altitudes) print the same as integers, much faster.
    if (v == std::trunc(v) && std::fabs(v) < 1e15 && !(v == 0 && std::signbit(v)))
        return std::to_chars(p, p + kMaxNumber, static_cast<int64_t>(v)).ptr;
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    uint8_t length = 0;
    for (int i = 0; m_offered && i < m_offered->count && length == 0; ++i) {
        if (m_offered->bits[i] == bits) {
            length = m_offered->length[i];
            std::memcpy(p, m_offered->text[i], length);
        }
    }
    if (length == 0) length = formatDouble(v, bits, p);
    if (m_noted && m_noted->count < DoubleTexts::kSize) {
        const int i = m_noted->count++;
        m_noted->bits[i] = bits;
        m_noted->length[i] = length;
        std::memcpy(m_noted->text[i], p, length);
    }
    return p + length;
}

uint8_t JsonWriter::formatDouble(double v, uint64_t bits, char* text) {
    // The shortest form costs hundreds of instructions; a fixed station's position comes back
    // line after line, so each thread keeps the last texts made, by value.
    struct Formatted {
        uint64_t bits = 0;
        uint8_t length = 0; // 0: empty entry
        char text[31];
    };
    thread_local Formatted cache[512];
    Formatted& entry = cache[(bits * 0x9E3779B97F4A7C15ull) >> 55];
    if (entry.length == 0 || entry.bits != bits) {
        const auto r = std::to_chars(entry.text, entry.text + sizeof entry.text, v);
        entry.bits = bits;
        entry.length = static_cast<uint8_t>(r.ptr - entry.text);
    }
    std::memcpy(text, entry.text, entry.length);
    return entry.length;
}

void JsonWriter::value(bool v) {
    separate();
    if (v)
        put("true", 4);
    else
        put("false", 5);
}

void JsonWriter::raw(const QByteArray& json) {
    separate();
    put(json.constData(), json.size());
}

void JsonWriter::null() {
    separate();
    put("null", 4);
}
