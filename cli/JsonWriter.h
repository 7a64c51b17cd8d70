#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <cstdint>

// Compact JSON straight into a byte buffer, for output that is written line by line at the speed
// of a capture: no document tree, no allocation once the buffer has grown. The caller keeps the
// structure well formed; commas between members and elements are placed here.
class JsonWriter {
public:
    explicit JsonWriter(QByteArray& out) : m_out(out) {}

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // A member's key; the value follows with one of the value calls.
    void key(const char* name);

    void value(QStringView text);
    void value(const QString& text) { value(QStringView(text)); }
    void valueLatin1(const char* text); // a fixed ASCII text that needs no escaping
    void value(int64_t v);
    void value(int v) { value(static_cast<int64_t>(v)); }
    void value(uint32_t v) { value(static_cast<int64_t>(v)); }
    // Shortest text that reads back as the same double; non-finite numbers are written as null.
    void value(double v);
    void value(bool v);
    void null();
    // A value already written as JSON elsewhere.
    void raw(const QByteArray& json);

    // key(name) then the value.
    template <typename T> void member(const char* name, const T& v) {
        key(name);
        value(v);
    }

private:
    void separate();
    QByteArray& m_out;
    bool m_first = true; // no member or element yet at the current level
    bool m_afterKey = false;
};
