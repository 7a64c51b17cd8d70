#pragma once

#include "platform/SystemTime.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// The little-endian binary layout shared by the station's data files: integers, doubles,
// broken-down times, and strings as a 32-bit byte count followed by UTF-16 text including the
// terminating zero (count 0 for an empty string), or 8-bit text in the old form.
class DataFileWriter {
public:
    void u16(uint16_t v);
    void u32(uint32_t v);
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f64(double v);
    void time(const SystemTime& t);
    void string(const QString& s);
    void bytes(const QByteArray& b) { m_data.append(b); }
    const QByteArray& data() const { return m_data; }

private:
    QByteArray m_data;
};

// Every read is bounded by the bytes that remain; a read past the end fails and leaves ok() false,
// so a truncated or hostile file ends the read instead of allocating or overrunning.
class DataFileReader {
public:
    explicit DataFileReader(QByteArray data, bool utf16Strings = true);
    void setUtf16Strings(bool utf16) { m_utf16 = utf16; }

    std::optional<uint16_t> u16();
    std::optional<uint32_t> u32();
    // The next u32 without taking it.
    std::optional<uint32_t> peekU32() const;
    std::optional<int32_t> i32();
    std::optional<double> f64();
    std::optional<SystemTime> time();
    std::optional<QString> string();

    bool atEnd() const { return m_pos >= m_data.size(); }
    qsizetype remaining() const { return m_data.size() - m_pos; }
    qsizetype position() const { return m_pos; }

private:
    bool take(qsizetype n, const char** out);
    QByteArray m_data;
    qsizetype m_pos = 0;
    bool m_utf16 = true;
};

namespace DataFiles {
// Writes through a temporary file and a rename, so a crash mid-save leaves the old file whole.
bool saveAtomically(const QString& path, const QByteArray& contents);
// The whole file, or nothing when it is missing, unreadable or larger than maxBytes.
std::optional<QByteArray> readAll(const QString& path, qint64 maxBytes = 512LL * 1024 * 1024);
} // namespace DataFiles
