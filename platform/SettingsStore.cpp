#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

SettingsStore::SettingsStore(QString filePath) : m_filePath(std::move(filePath)) {}

QString SettingsStore::key(const QString& section, const QString& name) {
    // Nested sections ("SETTINGS\LOCATIONS") become nested groups.
    QString s = section;
    s.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return s + QLatin1Char('/') + name;
}

int SettingsStore::readInt(const QString& section, const QString& name, int defaultValue) const {
    QSettings settings(m_filePath, QSettings::IniFormat);
    const QVariant v = settings.value(key(section, name));
    if (!v.isValid()) return defaultValue;
    if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::UInt) {
        bool ok = false;
        const qlonglong n = v.toLongLong(&ok);
        return ok ? static_cast<int>(static_cast<quint32>(n)) : defaultValue;
    }
    if (v.typeId() != QMetaType::QString) return defaultValue;
    // INI values come back as text; a DWORD may be stored as a plain or 0x-prefixed number.
    const QString text = v.toString().trimmed();
    bool ok = false;
    const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const qlonglong n = hex ? text.mid(2).toLongLong(&ok, 16) : text.toLongLong(&ok, 10);
    if (!ok || n < INT32_MIN || n > UINT32_MAX) return defaultValue;
    return static_cast<int>(static_cast<quint32>(n));
}

QString SettingsStore::readString(const QString& section, const QString& name,
                                  const QString& defaultValue) const {
    QSettings settings(m_filePath, QSettings::IniFormat);
    const QVariant v = settings.value(key(section, name));
    if (!v.isValid()) return defaultValue;
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString();
    case QMetaType::QStringList:
        // A hand-edited value with unquoted commas ("WIDE1-1,WIDE2-1") reads as a list.
        return v.toStringList().join(QLatin1Char(','));
    case QMetaType::Int:
    case QMetaType::LongLong:
        return v.toString();
    default:
        return defaultValue;
    }
}

std::optional<QByteArray> SettingsStore::readBinary(const QString& section, const QString& name) const {
    QSettings settings(m_filePath, QSettings::IniFormat);
    const QVariant v = settings.value(key(section, name));
    if (!v.isValid() || v.typeId() != QMetaType::QByteArray) return std::nullopt;
    return v.toByteArray();
}

void SettingsStore::afterWrite() {
    QFile::setPermissions(m_filePath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

namespace {
// Create the file owner-only before QSettings first writes it, so the passcode is never readable by others.
void prepareFile(const QString& path) {
    QFileInfo info(path);
    QDir().mkpath(info.absolutePath());
    if (!info.exists()) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) f.close();
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
} // namespace

void SettingsStore::writeInt(const QString& section, const QString& name, int value) {
    prepareFile(m_filePath);
    {
        QSettings settings(m_filePath, QSettings::IniFormat);
        settings.setValue(key(section, name), value);
        settings.sync();
    }
    afterWrite();
}

void SettingsStore::writeString(const QString& section, const QString& name, const QString& value) {
    prepareFile(m_filePath);
    {
        QSettings settings(m_filePath, QSettings::IniFormat);
        settings.setValue(key(section, name), value);
        settings.sync();
    }
    afterWrite();
}

void SettingsStore::writeBinary(const QString& section, const QString& name, const QByteArray& value) {
    prepareFile(m_filePath);
    {
        QSettings settings(m_filePath, QSettings::IniFormat);
        settings.setValue(key(section, name), value);
        settings.sync();
    }
    afterWrite();
}

void SettingsStore::remove(const QString& section, const QString& name) {
    if (!QFileInfo::exists(m_filePath)) return;
    {
        QSettings settings(m_filePath, QSettings::IniFormat);
        settings.remove(key(section, name));
        settings.sync();
    }
    afterWrite();
}
