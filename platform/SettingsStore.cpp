#include "platform/SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSettings>
#include <QStringList>
#include <memory>
#include <unordered_map>

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

namespace {
// One open settings file per path, shared by every store on that path in the process, so a write
// is seen by the next read at once. A change made to the file from outside (another process, an
// editor) is noticed by a check of the file at most every 200 ms: opening the file anew for every
// read costs several microseconds, and settings are read for every packet.
struct OpenFile {
    std::unique_ptr<QSettings> settings;
    QElapsedTimer checked;
    QDateTime modified;
    qint64 size = -1;
};

QMutex g_filesMutex;
std::unordered_map<QString, OpenFile>& openFiles() {
    static std::unordered_map<QString, OpenFile> files;
    return files;
}

void noteFileState(OpenFile& f, const QString& path) {
    const QFileInfo info(path);
    f.modified = info.exists() ? info.lastModified() : QDateTime();
    f.size = info.exists() ? info.size() : -1;
    f.checked.start();
}

// The shared QSettings of a path, opened anew when the file changed under it. Called locked.
QSettings& openFile(const QString& path) {
    OpenFile& f = openFiles()[path];
    if (f.settings && f.checked.isValid() && f.checked.elapsed() < 200) return *f.settings;
    const QDateTime modified = f.modified;
    const qint64 size = f.size;
    noteFileState(f, path);
    if (!f.settings || modified != f.modified || size != f.size)
        f.settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    return *f.settings;
}
} // namespace

SettingsStore::SettingsStore(QString filePath) : m_filePath(std::move(filePath)) {}

QVariant SettingsStore::value(const QString& section, const QString& name) const {
    QMutexLocker lock(&g_filesMutex);
    return openFile(m_filePath).value(key(section, name));
}

QString SettingsStore::key(const QString& section, const QString& name) {
    // Nested sections ("SETTINGS\LOCATIONS") become nested groups.
    QString s = section;
    s.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return s + QLatin1Char('/') + name;
}

int SettingsStore::readInt(const QString& section, const QString& name, int defaultValue) const {
    const QVariant v = value(section, name);
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
    const QVariant v = value(section, name);
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
    const QVariant v = value(section, name);
    if (!v.isValid() || v.typeId() != QMetaType::QByteArray) return std::nullopt;
    return v.toByteArray();
}

void SettingsStore::afterWrite() {
    QFile::setPermissions(m_filePath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void SettingsStore::store(const QString& section, const QString& name, const QVariant* value) {
    QMutexLocker lock(&g_filesMutex);
    prepareFile(m_filePath);
    QSettings& settings = openFile(m_filePath);
    if (value)
        settings.setValue(key(section, name), *value);
    else
        settings.remove(key(section, name));
    settings.sync();
    afterWrite();
    noteFileState(openFiles()[m_filePath], m_filePath);
}

void SettingsStore::writeInt(const QString& section, const QString& name, int value) {
    const QVariant v(value);
    store(section, name, &v);
}

void SettingsStore::writeString(const QString& section, const QString& name, const QString& value) {
    const QVariant v(value);
    store(section, name, &v);
}

void SettingsStore::writeBinary(const QString& section, const QString& name, const QByteArray& value) {
    const QVariant v(value);
    store(section, name, &v);
}

void SettingsStore::remove(const QString& section, const QString& name) {
    if (!QFileInfo::exists(m_filePath)) return;
    store(section, name, nullptr);
}
