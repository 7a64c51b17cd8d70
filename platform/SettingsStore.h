#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <optional>

// The station's settings: named values in sections, read at the moment of use and never cached,
// so a change made by the setup pages (or by hand in the file) takes effect at the next use.
// Backed by an INI file (Quillpad.conf in the station home) that only the owner may read,
// because it holds the APRS-IS passcode.
//
// A value of the wrong type reads as missing and the default applies. Reads never store.
class SettingsStore {
public:
    explicit SettingsStore(QString filePath);

    const QString& filePath() const { return m_filePath; }

    int readInt(const QString& section, const QString& name, int defaultValue) const;
    QString readString(const QString& section, const QString& name, const QString& defaultValue = {}) const;
    std::optional<QByteArray> readBinary(const QString& section, const QString& name) const;

    void writeInt(const QString& section, const QString& name, int value);
    void writeString(const QString& section, const QString& name, const QString& value);
    void writeBinary(const QString& section, const QString& name, const QByteArray& value);
    void remove(const QString& section, const QString& name);

    // Numbered families: the decimal number appended without padding ("ENABLERP" + -1 = "ENABLERP-1").
    static QString numbered(const QString& name, int number) { return name + QString::number(number); }

private:
    static QString key(const QString& section, const QString& name);
    QVariant value(const QString& section, const QString& name) const;
    void store(const QString& section, const QString& name, const QVariant* value);
    void afterWrite();

    QString m_filePath;
};
