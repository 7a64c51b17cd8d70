#pragma once

#include "messaging/OwnObjectRecord.h"
#include "platform/StationHome.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class Clock;

// What the user gives for an own object.
struct OwnObjectFields {
    QString name;
    double latitude = 0;
    double longitude = 0;
    int symbolTable = '/';
    int symbolCode = '/';
    QString comment;
    int interval = OwnObjectRecord::kDefaultInterval;
};

// Why an object was not taken.
enum class ObjectRefusal {
    None,
    Name,      // not 1 to 9 printable characters, or a leading blank
    NameTaken, // another own object has the name
    Position,  // not a finite latitude and longitude within range
    Symbol,    // table or code outside 33..126
    Comment,   // control characters, or longer than kMaxComment
    Interval,  // outside 1..kMaxInterval minutes
    Full,      // kMaxObjects already
    NotFound,  // no live object of that name
};

// The station's own APRS objects, in file order. Each live object goes out on every active port at
// its own interval from the minute tick, always with the time stamp it was given; a killed object
// goes out in its killed form on the next kKillTicks ticks, so that other stations drop it, and is
// then removed. Loaded from Data/MyObjects.dat at start-up and saved there at shutdown.
class OwnObjectsManager : public QObject {
    Q_OBJECT
public:
    // Sends one information field on every active port.
    using Send = std::function<void(const QString& information)>;

    static constexpr int kMaxObjects = 1000;
    static constexpr int kMaxNameLength = 9;
    static constexpr int kMaxComment = 43; // the longest comment an object report carries
    static constexpr int kMaxInterval = 1440;
    static constexpr int kKillTicks = 3;
    static inline const QString kFileName = QStringLiteral("MyObjects.dat");
    // Where a file that could not be read whole is kept.
    static inline const QString kBadFileName = QStringLiteral("MyObjects.dat.bad");

    OwnObjectsManager(const StationHome& home, Clock& clock, Send send, QObject* parent = nullptr);
    ~OwnObjectsManager() override;

    // Replaces the list with the file's objects. A missing file gives an empty list. A file that
    // cannot be read at all is moved aside to MyObjects.dat.bad; one read only in part is copied
    // there, so the next save never destroys what was not understood.
    void Load();
    // Writes the file atomically (temporary file, then rename); false when it cannot be written.
    bool Save() const;
    // Live objects count down and go out at zero; killed ones go out killed and count down to
    // their removal.
    void minuteTick();

    // The user's commands. A new or edited object takes the current time as its time stamp and
    // goes out at once, then every interval minutes. Editing under a new name withdraws the old
    // name and announces the new one.
    ObjectRefusal addObject(const OwnObjectFields& fields);
    ObjectRefusal editObject(const QString& name, const OwnObjectFields& fields);
    // Marks the live object killed; false when there is none of that name.
    bool killObject(const QString& name);

    // The checks addObject makes, for the dialogs (the name's uniqueness aside).
    static ObjectRefusal checkFields(const OwnObjectFields& fields);
    static bool isValidName(const QString& name);
    // The name as it goes on the air: blanks after it dropped (the report pads it again).
    static QString trimmedName(const QString& name);

    // The object report ";NAME_____*DDHHMMzDDMM.mmN/DDDMM.mmE$comment" ('_' in place of '*' when
    // killed): the name padded or cut to 9 characters, the stored time stamp.
    static QString report(const OwnObjectRecord& object, bool live = true);

    int count() const { return static_cast<int>(m_objects.size()); }
    const OwnObjectRecord& at(int i) const { return *m_objects[static_cast<size_t>(i)]; }
    // The live object of that name (compared as sent: the first 9 characters, padded).
    const OwnObjectRecord* findLive(const QString& name) const;
    // Names of the live objects, in list order.
    QStringList liveNames() const;
    bool hasLiveObjects() const;
    QString filePath() const { return m_home.dataFile(kFileName); }

signals:
    // An object was added, changed, killed or removed, or the list was loaded.
    void objectsChanged();

private:
    OwnObjectRecord* findLiveRecord(const QString& name) const;
    void dropKilled(const QString& name);
    void apply(OwnObjectRecord& object, const OwnObjectFields& fields);
    void announce(OwnObjectRecord& object);

    StationHome m_home;
    Clock& m_clock;
    Send m_send;
    std::vector<std::unique_ptr<OwnObjectRecord>> m_objects;
};
