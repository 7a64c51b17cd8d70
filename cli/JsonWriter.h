#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

// Compact JSON straight into a byte buffer, for output that is written line by line at the speed
// of a capture: no document tree and no allocation once the buffer has grown. The writer fills
// room it made at the end of the buffer through a pointer (QByteArray::append takes a general
// insert path that costs more than most pieces) and cuts the buffer to what it wrote in finish()
// or its destructor: read the buffer only after either. The caller keeps the structure well
// formed; commas between members and elements are placed here.
class JsonWriter {
public:
    // The texts of the first fractional doubles one writer formatted, offered to another writer:
    // the position a packet gives is written again for the station it updates, and formatting a
    // double is the dearest thing a writer does.
    struct DoubleTexts {
        static constexpr int kSize = 2;
        uint64_t bits[kSize] = {};
        uint8_t length[kSize] = {};
        uint8_t count = 0;
        char text[kSize][26];
    };

    explicit JsonWriter(QByteArray& out) : m_out(out), m_pos(out.size()) {}
    ~JsonWriter() { finish(); }
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    // Cuts the buffer to what was written; writing may go on after it.
    void finish() {
        if (m_out.size() != m_pos) m_out.truncate(m_pos);
    }

    // The length of the buffer as written so far (the buffer itself may be longer until finish()).
    qsizetype size() const { return m_pos; }

    // A new value at the top level follows, with no comma before it.
    void restart() {
        m_first = true;
        m_afterKey = false;
    }

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // A member's key; the value follows with one of the value calls. Fixed keys of the program
    // are written as they stand; a key taken from a packet is escaped like a value.
    template <size_t N> void key(const char (&name)[N]) {
        // Inline with the key's length known: the copy becomes a few moves.
        constexpr qsizetype n = N - 1;
        const bool comma = !m_first;
        m_first = false;
        char* p = grow(n + 3 + (comma ? 1 : 0));
        if (comma) *p++ = ',';
        *p++ = '"';
        std::memcpy(p, name, n);
        p[n] = '"';
        p[n + 1] = ':';
        m_afterKey = true;
    }
    void key(QStringView name);

    void value(QStringView text);
    void value(const QString& text) { value(QStringView(text)); }
    void value(QLatin1StringView text);
    // One text value made of head and tail; [tailAt, tailEnd) is set to where the tail's escaped
    // text lies in the buffer (escaping works unit by unit, so those bytes are the tail's own JSON
    // text, for Run::plainText).
    void value(QStringView head, QStringView tail, qsizetype* tailAt, qsizetype* tailEnd);
    // A fixed ASCII text of the program that needs no escaping.
    template <size_t N> void valueLatin1(const char (&text)[N]) { fixedText(text, N - 1); }
    void valueLatin1(const char* text) { fixedText(text, static_cast<qsizetype>(std::strlen(text))); }
    void value(int64_t v);
    void value(int v) { value(static_cast<int64_t>(v)); }
    void value(uint32_t v) { value(static_cast<int64_t>(v)); }
    // Shortest text that reads back as the same double; non-finite numbers are written as null.
    void value(double v);
    void value(bool v);
    void null();
    // A value already written as JSON elsewhere.
    void raw(const QByteArray& json);
    // A character outside any value (a line end between objects).
    void plain(char c) { *grow(1) = c; }
    // Bytes outside any value, written as they stand: JSON pieces written elsewhere.
    void verbatim(QByteArrayView bytes) { put(bytes.data(), bytes.size()); }

    // Fractional doubles written from now on are noted in texts (the first kSize of them).
    void noteDoublesIn(DoubleTexts* texts) { m_noted = texts; }
    // Doubles found in texts are copied from there instead of formatted.
    void takeDoublesFrom(const DoubleTexts* texts) { m_offered = texts; }

    // A run of JSON written straight through a pointer into room made once for all of it: for a
    // structure whose size is known within a bound, without a check for room at every piece.
    // Keys, commas and braces are the caller's, as literal text.
    class Run {
    public:
        template <size_t N> void literal(const char (&text)[N]) {
            std::memcpy(m_p, text, N - 1);
            m_p += N - 1;
        }
        void text(QStringView t) {
            *m_p++ = '"';
            m_p = escape(t, m_p);
            *m_p++ = '"';
        }
        // A text escaped already, or known to need no escaping.
        void plainText(QByteArrayView t) {
            *m_p++ = '"';
            std::memcpy(m_p, t.data(), static_cast<size_t>(t.size()));
            m_p += t.size();
            *m_p++ = '"';
        }
        void number(int64_t v) { m_p = std::to_chars(m_p, m_p + kMaxNumber, v).ptr; }
        void number(int32_t v) { number(static_cast<int64_t>(v)); }
        void number(double v) { m_p = m_writer.putDouble(v, m_p); }
        void boolean(bool v) { m_p = v ? std::copy_n("true", 4, m_p) : std::copy_n("false", 5, m_p); }
        void null() { m_p = std::copy_n("null", 4, m_p); }

    private:
        friend class JsonWriter;
        Run(JsonWriter& writer, char* p) : m_writer(writer), m_p(p) {}
        JsonWriter& m_writer;
        char* m_p;
    };
    // Room for a value of at most bound bytes (text counts six bytes a unit, numbers kMaxNumber).
    Run beginRun(qsizetype bound) {
        separate();
        return Run(*this, room(bound));
    }
    void endRun(const Run& run) {
        m_pos = run.m_p - m_out.data();
        m_first = false;
    }
    static constexpr qsizetype kMaxNumber = 32;

    // key(name) then the value.
    template <size_t N, typename T> void member(const char (&name)[N], const T& v) {
        key(name);
        value(v);
    }

private:
    void separate() {
        if (m_afterKey) {
            m_afterKey = false;
            return;
        }
        if (!m_first) *grow(1) = ',';
        m_first = false;
    }
    // Room for n more bytes; the caller fills them and moves m_pos on by what it used.
    char* room(qsizetype n) {
        if (m_pos + n > m_out.size()) makeRoom(n);
        return m_out.data() + m_pos;
    }
    char* grow(qsizetype n) {
        char* p = room(n);
        m_pos += n;
        return p;
    }
    void makeRoom(qsizetype n);
    void put(const char* bytes, qsizetype n) { std::memcpy(grow(n), bytes, static_cast<size_t>(n)); }
    void fixedText(const char* text, qsizetype n);
    // The JSON string of text (quotes included).
    void string(QStringView text);
    // text escaped for a JSON string, without quotes, written from p on (room for six bytes a
    // unit); the end of what was written.
    static char* escape(QStringView text, char* p);
    // The shortest text of a fractional double into text (room for 26 bytes); its length.
    uint8_t formatDouble(double v, uint64_t bits, char* text);
    // A double's JSON text at p (room for kMaxNumber bytes), taken from the offered texts where it
    // is among them and noted where notes are asked for; the end of what was written.
    char* putDouble(double v, char* p);

    QByteArray& m_out;
    qsizetype m_pos;     // end of what was written; the buffer may be longer until finish()
    bool m_first = true; // no member or element yet at the current level
    bool m_afterKey = false;
    DoubleTexts* m_noted = nullptr;
    const DoubleTexts* m_offered = nullptr;
};
