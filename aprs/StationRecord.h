#pragma once

#include "platform/SystemTime.h"

#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

class DataFileReader;
class DataFileWriter;

// Kinds of station. The enumerators are reached as StationType::Mobile and convert to the
// record's 32-bit field; any other value shows as unknown.
namespace StationTypes {
enum StationType : int32_t { Fixed = 0, Mobile = 1, Weather = 2, Digi = 3, TcpIp = 4, Object = 5 };
}
using StationTypes::StationType;
// "Fixed", "Mobile", "Weather", "Digi", "TCP/IP", "Object"; "Unknown" for any other value.
QString stationTypeName(int stationType);

// One station or object heard by the station.
class StationRecord {
public:
    static constexpr int kHeardPathSlots = 20;

    // Twenty texts of the heard-path ring. Only the slots written so far take memory: most
    // stations are heard over one or two paths, and the database may hold 100,000 of them.
    class HeardPathTexts {
    public:
        static constexpr int size() { return kHeardPathSlots; }
        // Writable slot; i must be 0..19.
        QString& operator[](int i);
        // Unwritten slots (and indexes outside 0..19) read as empty.
        const QString& operator[](int i) const;

        class const_iterator {
        public:
            const_iterator(const HeardPathTexts* texts, int i) : m_texts(texts), m_i(i) {}
            const QString& operator*() const { return (*m_texts)[m_i]; }
            const_iterator& operator++() {
                ++m_i;
                return *this;
            }
            bool operator==(const const_iterator& o) const = default;

        private:
            const HeardPathTexts* m_texts;
            int m_i;
        };
        const_iterator begin() const { return {this, 0}; }
        const_iterator end() const { return {this, kHeardPathSlots}; }
        void clear() {
            m_first.clear();
            m_rest.clear();
            m_stored = 0;
        }
        // Slots 0..stored()-1 may hold a text; the others are empty.
        int stored() const { return m_stored; }

    private:
        QString m_first;             // slot 0 in the record itself: most stations fill no other
        std::vector<QString> m_rest; // slots 1.., as far as written
        int m_stored = 0;
    };

    struct HeardPaths {
        HeardPathTexts keys;        // header line up to its first '<'
        int32_t next = 0;           // slot to fill next, 0..19
        HeardPathTexts heardVia;    // "Direct" or the digipeater heard repeating the frame
        HeardPathTexts digipeaters; // path elements joined with commas, '*' removed
    };

    struct Phg {
        int32_t power = 0;       // W
        int32_t height = 0;      // ft
        int32_t gain = 0;        // dB
        int32_t directivity = 0; // degrees, 0 omni
        double range = 0;        // miles
    };

    // -1 (temperature -50000) means not reported.
    struct Weather {
        QString software;
        int32_t windDirection = -1;     // degrees
        int32_t windSpeed = -1;         // mph
        int32_t windGust = -1;          // mph
        int32_t temperature = -50000;   // °F
        int32_t rainLastHour = -1;      // 1/100 in
        int32_t rainLast24h = -1;       // 1/100 in
        int32_t rainSinceMidnight = -1; // 1/100 in
        int32_t humidity = -1;          // %
        int32_t pressure = -1;          // 1/10 hPa
        int32_t unnamed1 = -1;
        int32_t unnamed2 = -1;
        double dewPoint = 0;   // °F
        double windChill = 0;  // °F
        int32_t heatIndex = 0; // °F
        double unnamedFloat = 0;
    };

    StationRecord() = default;
    StationRecord(const StationRecord&) = default;
    StationRecord& operator=(const StationRecord&) = default;
    virtual ~StationRecord() = default;

    // An unchanged pair changes nothing; otherwise the current pair becomes the previous one.
    void setPosition(double lat, double lon);
    // Files the header line of a frame in the ring of heard paths.
    void RecordHeardPath(QStringView headerLine);
    // Asks for the record's cache lines, then (prefetchTexts, once they are on their way) for the
    // texts a decoded line compares or replaces. In a large database every record a line reaches
    // is out of the cache: asked for together, the misses overlap instead of following each other.
    void prefetch() const {
        const char* p = reinterpret_cast<const char*>(this);
        for (size_t at = 0; at < sizeof(StationRecord); at += 64) __builtin_prefetch(p + at);
    }
    void prefetchTexts() const {
        __builtin_prefetch(comment.constData());
        __builtin_prefetch(lastPacket.constData());
    }
    // Heard-via of the most recently filled slot; "" when none.
    const QString& heardVia() const;

    // One record of Stations.dat.
    virtual void save(DataFileWriter& out) const;
    // False when the record cannot be read whole (or its call sign is empty): the load ends there.
    virtual bool load(DataFileReader& in);

    // Fields a decoded line touches come first, so that they share the record's first few cache
    // lines: with a large database nearly every record a line reaches is out of the cache.
private:
    // Where the station list keeps the record. Only StationManager reads or writes it; a copy of a
    // record carries it along but is never taken for a member of the list.
    friend class StationManager;
    struct ListPlace {
        size_t slot = 0; // position in the list's slots
        // The call sign it is filed under, sharing the call's string. While `call` still points to
        // that same string it cannot have changed (an edit would have detached it), so look-ups
        // compare against the copy kept here beside it, without a cache miss on the string.
        QString filedCall;
        uint32_t callHash = 0;    // hash of filedCall
        bool indexed = false;     // filed under callHash (otherwise waiting for its call sign)
        uint8_t inlineLength = 0; // filedCall's length when it fits inlineCall, else 0
        static constexpr int kInlineCall = 10;
        char16_t inlineCall[kInlineCall] = {};

        void file(const QString& call, uint32_t hash) {
            filedCall = call;
            callHash = hash;
            const bool fits = call.size() <= kInlineCall;
            inlineLength = fits ? static_cast<uint8_t>(call.size()) : 0;
            for (qsizetype i = 0; fits && i < call.size(); ++i) inlineCall[i] = call[i].unicode();
        }
    } m_listPlace;
    // The heard path a line last named (hash of its key) and the ring position then: while no path
    // has been added since, a line over the same path is known without reading the stored keys.
    uint64_t m_lastPathHash = 0;
    int32_t m_lastPathNext = -1;

public:
    QString call;
    uint32_t lastChecksum = 0;
    int32_t isNew = 0;
    int32_t symbolTable = '/';
    int32_t symbolCode = '-';
    int32_t stationType = StationType::Fixed;
    uint32_t course = 0;  // degrees
    int32_t altitude = 0; // ft
    double latitude = 0;
    double longitude = 0;
    SystemTime lastHeard;
    double speed = 0; // knots
    QString comment;
    QString lastPacket;
    HeardPaths heardPaths;
    double previousLatitude = 0;
    double previousLongitude = 0;
    Phg phg;
    QString owner;
    SystemTime firstHeard;
    QString status;
    int32_t reserved1 = 16;
    int32_t reserved2 = 16;
    int32_t id = 0;
    int32_t showTrack = 0;
    int32_t coverage = 0;
    int32_t reserved3 = 0;
    Weather weather;
    // Position ambiguity level 0..4 of the last position (blanked minute digits), so views can
    // draw the box; the position is the box's centre. Kept in memory only: Stations.dat has no
    // field for it.
    int32_t positionAmbiguity = 0;
};

// Stores a text field, keeping the stored string when the text is unchanged: most stations send
// the same comment and status every time, and a kept string costs no allocation.
// A changed text is copied into the field's own buffer when that buffer is not shared and large
// enough: the buffer of a record far out of the cache is then neither freed nor replaced, which
// would cost the allocator misses of its own.
inline void assignText(QString& field, QStringView text) {
    if (field == text) return;
    if (field.isDetached() && field.capacity() >= text.size() && text.size() > 0) {
        // The text may be a piece of the field itself: it is moved before the cut, which writes a
        // terminating NUL after the new end.
        const QChar* from = text.data();
        const qsizetype n = text.size();
        const auto bytes = static_cast<size_t>(n) * sizeof(QChar);
        if (n <= field.size()) {
            std::memmove(field.data(), from, bytes);
            field.resize(n);
        } else {
            field.resize(n);
            std::memmove(field.data(), from, bytes);
        }
    } else {
        field = text.toString();
    }
}
inline void assignText(QString& field, const QString& text) {
    if (field != text) field = text;
}
