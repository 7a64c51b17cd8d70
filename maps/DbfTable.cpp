#include "maps/DbfTable.h"

#include "platform/CodePage.h"

#include <QFile>
#include <QObject>

namespace {
constexpr int kHeaderBytes = 32;
constexpr int kDescriptorBytes = 32;
constexpr qint64 kMaxDbfBytes = qint64(1) << 30;

quint32 littleU32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return quint32(u[0]) | (quint32(u[1]) << 8) | (quint32(u[2]) << 16) | (quint32(u[3]) << 24);
}
int littleU16(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return int(u[0]) | (int(u[1]) << 8);
}
} // namespace

std::shared_ptr<const DbfTable> DbfTable::read(QByteArray bytes, QString* error) {
    const auto fail = [error](const QString& text) {
        if (error) *error = text;
        return std::shared_ptr<const DbfTable>();
    };
    if (bytes.size() < kHeaderBytes + 1) return fail(QObject::tr("The attribute table (.dbf) is too short."));
    if (bytes.size() > kMaxDbfBytes)
        return fail(QObject::tr("The attribute table (.dbf) is larger than 1 GiB."));
    const char* b = bytes.constData();
    const qint64 declaredRecords = littleU32(b + 4);
    const int headerLength = littleU16(b + 8);
    const int recordLength = littleU16(b + 10);
    if (headerLength < kHeaderBytes + 1 || headerLength > bytes.size() || recordLength < 1)
        return fail(QObject::tr("The attribute table (.dbf) has a damaged header."));

    auto table = std::shared_ptr<DbfTable>(new DbfTable);
    // Descriptors follow each other until the 0x0D terminator, which must lie inside the header.
    int offset = 1;
    int at = kHeaderBytes;
    bool terminated = false;
    while (at < headerLength) {
        if (b[at] == 0x0D) {
            terminated = true;
            break;
        }
        if (at + kDescriptorBytes > headerLength) break;
        const char* d = b + at;
        Field f;
        f.name = QByteArray(d, qstrnlen(d, 11));
        f.type = d[11];
        const int low = static_cast<unsigned char>(d[16]);
        const int high = static_cast<unsigned char>(d[17]);
        if (f.type == 'N' || f.type == 'F') {
            f.length = low;
            f.decimals = high;
        } else {
            f.length = low + 256 * high;
        }
        f.offset = offset;
        if (f.length > recordLength - offset)
            return fail(QObject::tr("The attribute table (.dbf) has a field longer than its records."));
        offset += f.length;
        table->m_fields.append(f);
        at += kDescriptorBytes;
    }
    if (!terminated) return fail(QObject::tr("The attribute table (.dbf) has damaged field descriptors."));

    // A table cut short keeps the records it really holds.
    const qint64 available = (bytes.size() - headerLength) / recordLength;
    table->m_recordCount = static_cast<int>(qMin<qint64>(declaredRecords, qMin<qint64>(available, INT_MAX)));
    table->m_headerLength = headerLength;
    table->m_recordLength = recordLength;
    table->m_bytes = std::move(bytes);
    if (error) error->clear();
    return table;
}

std::shared_ptr<const DbfTable> DbfTable::readFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QObject::tr("The file %1 cannot be opened.").arg(path);
        return {};
    }
    if (file.size() > kMaxDbfBytes) {
        if (error) *error = QObject::tr("The attribute table (.dbf) is larger than 1 GiB.");
        return {};
    }
    return read(file.readAll(), error);
}

QString DbfTable::text(int record, int field) const {
    if (record < 0 || record >= m_recordCount || field < 0 || field >= m_fields.size()) return {};
    const Field& f = m_fields.at(field);
    const qint64 start = qint64(m_headerLength) + qint64(record) * m_recordLength + f.offset;
    QByteArrayView bytes(m_bytes.constData() + start, f.length);
    // Text ends at a NUL; numbers are padded on the left, texts on the right.
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) bytes = bytes.first(nul);
    return CodePage::decode(bytes.trimmed());
}
