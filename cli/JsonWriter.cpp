#include "cli/JsonWriter.h"

#include <charconv>
#include <cmath>

void JsonWriter::separate() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_first) m_out.append(',');
    m_first = false;
}

void JsonWriter::beginObject() {
    separate();
    m_out.append('{');
    m_first = true;
}

void JsonWriter::endObject() {
    m_out.append('}');
    m_first = false;
}

void JsonWriter::beginArray() {
    separate();
    m_out.append('[');
    m_first = true;
}

void JsonWriter::endArray() {
    m_out.append(']');
    m_first = false;
}

void JsonWriter::key(const char* name) {
    separate();
    m_out.append('"');
    m_out.append(name);
    m_out.append("\":");
    m_afterKey = true;
}

void JsonWriter::value(QStringView text) {
    separate();
    static constexpr char kHex[] = "0123456789abcdef";
    const qsizetype n = text.size();
    const char16_t* s = reinterpret_cast<const char16_t*>(text.data());
    // Room for the worst case (six bytes a unit), written through a pointer and cut back after:
    // a call per byte would cost more than the whole decode.
    const qsizetype start = m_out.size();
    m_out.resize(start + 6 * n + 2);
    char* p = m_out.data() + start;
    *p++ = '"';
    for (qsizetype i = 0; i < n; ++i) {
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
    *p++ = '"';
    m_out.truncate(p - m_out.constData());
}

void JsonWriter::valueLatin1(const char* text) {
    // Fixed ASCII texts of the program: nothing in them needs escaping.
    separate();
    m_out.append('"');
    m_out.append(text);
    m_out.append('"');
}

void JsonWriter::value(int64_t v) {
    separate();
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    m_out.append(buf, r.ptr - buf);
}

void JsonWriter::value(double v) {
    if (!std::isfinite(v)) {
        null();
        return;
    }
    separate();
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    m_out.append(buf, r.ptr - buf);
}

void JsonWriter::value(bool v) {
    separate();
    m_out.append(v ? "true" : "false");
}

void JsonWriter::raw(const QByteArray& json) {
    separate();
    m_out.append(json);
}

void JsonWriter::null() {
    separate();
    m_out.append("null");
}
