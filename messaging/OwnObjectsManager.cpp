#include "messaging/OwnObjectsManager.h"

#include "gps/CoordText.h"
#include "messaging/OwnObjectsFile.h"
#include "platform/Clock.h"
#include "platform/DataFile.h"
#include "platform/TextRules.h"
#include "platform/Trace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The name as it goes on the air: nine characters, padded with blanks or cut.
QString airName(const QString& name) {
    return name.left(OwnObjectsManager::kMaxNameLength).leftJustified(OwnObjectsManager::kMaxNameLength);
}

} // namespace

OwnObjectsManager::OwnObjectsManager(const StationHome& home, Clock& clock, Send send, QObject* parent)
    : QObject(parent), m_home(home), m_clock(clock), m_send(std::move(send)) {}

OwnObjectsManager::~OwnObjectsManager() = default;

// --- file

void OwnObjectsManager::Load() {
    m_objects.clear();
    const QString path = filePath();
    const QString badPath = m_home.dataFile(kBadFileName);
    try {
        if (QFileInfo::exists(path)) {
            const auto bytes = DataFiles::readAll(path, OwnObjectsFile::kMaxFileBytes);
            auto contents = bytes ? OwnObjectsFile::read(*bytes, SystemTime::fromDateTime(m_clock.nowUtc()))
                                  : std::nullopt;
            if (!contents) {
                // Unreadable, too large or of another format: kept aside, never overwritten.
                Trace::write(QStringLiteral("MyObjects.dat unreadable, moved to %1").arg(kBadFileName));
                QFile::remove(badPath);
                if (!QFile::rename(path, badPath)) Trace::write(QStringLiteral("error moving MyObjects.dat"));
            } else {
                if (contents->damaged()) {
                    Trace::write(
                        QStringLiteral("MyObjects.dat read in part (%1 objects dropped%2), copied to %3")
                            .arg(contents->dropped)
                            .arg(contents->truncated ? QStringLiteral(", truncated") : QString())
                            .arg(kBadFileName));
                    QFile::remove(badPath);
                    QFile::copy(path, badPath);
                }
                m_objects = std::move(contents->objects);
            }
        }
    } catch (...) {
        Trace::write(QStringLiteral("Catch Error"));
    }
    emit objectsChanged();
}

bool OwnObjectsManager::Save() const {
    QDir().mkpath(m_home.dataDir());
    if (DataFiles::saveAtomically(filePath(), OwnObjectsFile::write(m_objects))) return true;
    Trace::write(QStringLiteral("error create file!"));
    return false;
}

// --- tick

void OwnObjectsManager::minuteTick() {
    // Reports are sent after the walk, so nothing a send does can disturb it.
    QStringList reports;
    bool removed = false;
    for (auto it = m_objects.begin(); it != m_objects.end();) {
        OwnObjectRecord& object = **it;
        if (object.killed) {
            reports << report(object, false);
            if (--object.killCountdown < 1) {
                it = m_objects.erase(it);
                removed = true;
                continue;
            }
        } else if (--object.countdown < 1) {
            object.countdown = object.interval;
            reports << report(object, true);
        }
        ++it;
    }
    if (m_send)
        for (const QString& r : reports) m_send(r);
    if (removed) emit objectsChanged();
}

// --- the user's commands

QString OwnObjectsManager::trimmedName(const QString& name) {
    qsizetype end = name.size();
    while (end > 0 && name[end - 1] == QLatin1Char(' ')) --end;
    return name.left(end);
}

bool OwnObjectsManager::isValidName(const QString& name) {
    const QString n = trimmedName(name);
    if (n.isEmpty() || n.size() > kMaxNameLength || n.front() == QLatin1Char(' ')) return false;
    for (QChar c : n)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) return false;
    return true;
}

ObjectRefusal OwnObjectsManager::checkFields(const OwnObjectFields& f) {
    if (!isValidName(f.name)) return ObjectRefusal::Name;
    if (!OwnObjectsFile::hasValidPosition(f.latitude, f.longitude)) return ObjectRefusal::Position;
    StationRecord symbol;
    symbol.symbolTable = f.symbolTable;
    symbol.symbolCode = f.symbolCode;
    if (!OwnObjectsFile::hasValidSymbol(symbol)) return ObjectRefusal::Symbol;
    if (f.comment.size() > kMaxComment || TextRules::hasControlCharacter(f.comment))
        return ObjectRefusal::Comment;
    if (f.interval < 1 || f.interval > kMaxInterval) return ObjectRefusal::Interval;
    return ObjectRefusal::None;
}

void OwnObjectsManager::apply(OwnObjectRecord& object, const OwnObjectFields& f) {
    object.call = trimmedName(f.name);
    object.setPosition(f.latitude, f.longitude);
    object.symbolTable = f.symbolTable;
    object.symbolCode = f.symbolCode;
    object.comment = f.comment;
    object.interval = f.interval;
    object.time = SystemTime::fromDateTime(m_clock.nowUtc());
    object.lastHeard = SystemTime::fromDateTime(m_clock.nowLocal());
}

void OwnObjectsManager::announce(OwnObjectRecord& object) {
    object.countdown = object.interval;
    const QString r = report(object, true);
    if (m_send) m_send(r);
}

void OwnObjectsManager::dropKilled(const QString& name) {
    const QString key = airName(trimmedName(name));
    std::erase_if(m_objects, [&](const auto& o) { return o->killed && airName(o->call) == key; });
}

ObjectRefusal OwnObjectsManager::addObject(const OwnObjectFields& fields) {
    if (const ObjectRefusal r = checkFields(fields); r != ObjectRefusal::None) return r;
    if (findLiveRecord(fields.name)) return ObjectRefusal::NameTaken;
    // A name still being withdrawn is announced again instead.
    dropKilled(fields.name);
    if (count() >= kMaxObjects) return ObjectRefusal::Full;
    auto object = std::make_unique<OwnObjectRecord>();
    object->firstHeard = SystemTime::fromDateTime(m_clock.nowLocal());
    apply(*object, fields);
    OwnObjectRecord& added = *object;
    m_objects.push_back(std::move(object));
    announce(added);
    emit objectsChanged();
    return ObjectRefusal::None;
}

ObjectRefusal OwnObjectsManager::editObject(const QString& name, const OwnObjectFields& fields) {
    OwnObjectRecord* object = findLiveRecord(name);
    if (!object) return ObjectRefusal::NotFound;
    if (const ObjectRefusal r = checkFields(fields); r != ObjectRefusal::None) return r;
    if (airName(trimmedName(fields.name)) != airName(object->call)) {
        // Another name is another object on the air: the old one is withdrawn.
        if (findLiveRecord(fields.name)) return ObjectRefusal::NameTaken;
        dropKilled(fields.name);
        if (count() >= kMaxObjects) return ObjectRefusal::Full;
        killObject(name);
        return addObject(fields);
    }
    apply(*object, fields);
    announce(*object);
    emit objectsChanged();
    return ObjectRefusal::None;
}

bool OwnObjectsManager::killObject(const QString& name) {
    OwnObjectRecord* object = findLiveRecord(name);
    if (!object) return false;
    object->killed = 1;
    object->killCountdown = kKillTicks;
    object->time = SystemTime::fromDateTime(m_clock.nowUtc());
    emit objectsChanged();
    return true;
}

// --- reading the list

OwnObjectRecord* OwnObjectsManager::findLiveRecord(const QString& name) const {
    const QString key = airName(trimmedName(name));
    for (const auto& o : m_objects)
        if (!o->killed && airName(o->call) == key) return o.get();
    return nullptr;
}

const OwnObjectRecord* OwnObjectsManager::findLive(const QString& name) const {
    return findLiveRecord(name);
}

QStringList OwnObjectsManager::liveNames() const {
    QStringList names;
    for (const auto& o : m_objects)
        if (!o->killed) names << o->call;
    return names;
}

bool OwnObjectsManager::hasLiveObjects() const {
    return std::any_of(m_objects.begin(), m_objects.end(), [](const auto& o) { return !o->killed; });
}

QString OwnObjectsManager::report(const OwnObjectRecord& object, bool live) {
    // Built piece by piece: a name or comment holding "%1" must stay as it is.
    const auto twoDigits = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    const SystemTime& t = object.time;
    QString r;
    r.reserve(37 + object.comment.size());
    r += QLatin1Char(';');
    r += airName(object.call);
    r += live ? QLatin1Char('*') : QLatin1Char('_');
    r += twoDigits(t.day) + twoDigits(t.hour) + twoDigits(t.minute) + QLatin1Char('z');
    r += Coord::latitudeText(object.latitude, Coord::Aprs);
    r += QChar(static_cast<char16_t>(object.symbolTable));
    r += Coord::longitudeText(object.longitude, Coord::Aprs);
    r += QChar(static_cast<char16_t>(object.symbolCode));
    r += object.comment;
    return r;
}
