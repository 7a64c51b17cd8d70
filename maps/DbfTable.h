#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

// The dBASE attribute table (".dbf") of a shapefile, kept as its bytes; field texts are decoded
// on demand. The header and the field descriptors are checked on reading: the descriptors end at
// a 0x0D byte inside the header, every field lies inside the record, and the record count is cut
// to the records the file really holds.
class DbfTable {
public:
    struct Field {
        QByteArray name;
        char type = 'C';
        int offset = 0; // inside a record; 1 is the first byte after the deletion mark
        int length = 0;
        int decimals = 0;
    };

    // Null and `error` set when the bytes are not a usable table.
    static std::shared_ptr<const DbfTable> read(QByteArray bytes, QString* error);
    static std::shared_ptr<const DbfTable> readFile(const QString& path, QString* error);

    int recordCount() const { return m_recordCount; }
    int fieldCount() const { return static_cast<int>(m_fields.size()); }
    const Field& field(int index) const { return m_fields.at(index); }
    // The text of one field, without the padding spaces; empty outside the table.
    QString text(int record, int field) const;

private:
    QByteArray m_bytes;
    QList<Field> m_fields;
    int m_recordCount = 0;
    int m_headerLength = 0;
    int m_recordLength = 0;
};
