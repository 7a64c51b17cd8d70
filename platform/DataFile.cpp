#include "platform/DataFile.h"

#include "platform/CodePage.h"

#include <QFile>
#include <QSaveFile>
#include <QSysInfo>
#include <QtEndian>
#include <cstring>

void DataFileWriter::u16(uint16_t v) {
    char b[2];
    qToLittleEndian(v, b);
    m_data.append(b, 2);
}

void DataFileWriter::u32(uint32_t v) {
    char b[4];
    qToLittleEndian(v, b);
    m_data.append(b, 4);
}

void DataFileWriter::f64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    char b[8];
    qToLittleEndian(bits, b);
    m_data.append(b, 8);
}

void DataFileWriter::time(const SystemTime& t) {
    for (uint16_t v : {t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, t.second, t.millisecond})
        u16(v);
}

void DataFileWriter::string(const QString& s) {
    if (s.isEmpty()) {
        u32(0);
        return;
    }
    u32(static_cast<uint32_t>((s.size() + 1) * 2));
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        m_data.append(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
    } else {
        for (QChar c : s) u16(c.unicode());
    }
    u16(0);
}

DataFileReader::DataFileReader(QByteArray data, bool utf16Strings)
    : m_data(std::move(data)), m_utf16(utf16Strings) {}

bool DataFileReader::take(qsizetype n, const char** out) {
    if (n < 0 || n > remaining()) {
        m_pos = m_data.size();
        return false;
    }
    *out = m_data.constData() + m_pos;
    m_pos += n;
    return true;
}

std::optional<uint16_t> DataFileReader::u16() {
    const char* p;
    if (!take(2, &p)) return std::nullopt;
    return qFromLittleEndian<uint16_t>(p);
}

std::optional<uint32_t> DataFileReader::u32() {
    const char* p;
    if (!take(4, &p)) return std::nullopt;
    return qFromLittleEndian<uint32_t>(p);
}

std::optional<uint32_t> DataFileReader::peekU32() const {
    if (remaining() < 4) return std::nullopt;
    return qFromLittleEndian<uint32_t>(m_data.constData() + m_pos);
}

std::optional<int32_t> DataFileReader::i32() {
    auto v = u32();
    if (!v) return std::nullopt;
    return static_cast<int32_t>(*v);
}

std::optional<double> DataFileReader::f64() {
    const char* p;
    if (!take(8, &p)) return std::nullopt;
    const uint64_t bits = qFromLittleEndian<uint64_t>(p);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

std::optional<SystemTime> DataFileReader::time() {
    const char* p;
    if (!take(16, &p)) return std::nullopt;
    uint16_t v[8];
    for (int i = 0; i < 8; ++i) v[i] = qFromLittleEndian<uint16_t>(p + 2 * i);
    return SystemTime{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]};
}

std::optional<QString> DataFileReader::string() {
    auto count = u32();
    if (!count) return std::nullopt;
    if (*count == 0) return QString();
    if (*count > static_cast<uint64_t>(remaining())) {
        m_pos = m_data.size();
        return std::nullopt;
    }
    const char* p;
    take(static_cast<qsizetype>(*count), &p);
    const qsizetype n = static_cast<qsizetype>(*count);
    if (m_utf16) {
        // The text ends at its terminating zero.
        qsizetype units = 0;
        while (units < n / 2 && qFromLittleEndian<uint16_t>(p + 2 * units) != 0) ++units;
        QString s(units, Qt::Uninitialized);
        char16_t* out = reinterpret_cast<char16_t*>(s.data());
        if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
            std::memcpy(out, p, static_cast<size_t>(units) * 2);
        else
            for (qsizetype i = 0; i < units; ++i) out[i] = qFromLittleEndian<uint16_t>(p + 2 * i);
        return s;
    }
    const char* end = static_cast<const char*>(std::memchr(p, 0, static_cast<size_t>(n)));
    return CodePage::decode(QByteArrayView(p, end ? end - p : n));
}

namespace DataFiles {

bool saveAtomically(const QString& path, const QByteArray& contents) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(contents) != contents.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

std::optional<QByteArray> readAll(const QString& path, qint64 maxBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    if (file.size() > maxBytes) return std::nullopt;
    // The file's own size, not the limit: read(limit) would reserve the whole limit.
    return file.read(file.size());
}

} // namespace DataFiles
