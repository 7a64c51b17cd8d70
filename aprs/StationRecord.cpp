#include "aprs/StationRecord.h"

#include "aprs/MonitorLine.h"
#include "platform/DataFile.h"

#include <QVarLengthArray>
#include <cstring>

namespace {

// Longest text a record of Stations.dat may hold; a larger count marks a corrupt file.
constexpr uint32_t kMaxStoredTextBytes = 64 * 1024;

// Reads one text, refusing counts above kMaxStoredTextBytes before anything is allocated.
std::optional<QString> readText(DataFileReader& in) {
    const auto count = in.peekU32();
    if (!count || *count > kMaxStoredTextBytes) return std::nullopt;
    return in.string();
}

// A 64-bit hash of a heard-path key, four UTF-16 units a step.
uint64_t pathKeyHash(QStringView key) {
    const auto* p = reinterpret_cast<const unsigned char*>(key.data());
    size_t n = static_cast<size_t>(key.size()) * 2;
    uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
    const auto mix = [&h](uint64_t w) {
        h = (h ^ w) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    };
    for (; n >= 8; n -= 8, p += 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        mix(w);
    }
    uint64_t tail = 0;
    std::memcpy(&tail, p, n);
    mix(tail);
    return h;
}

} // namespace

QString& StationRecord::HeardPathTexts::operator[](int i) {
    if (i < 0 || i >= kHeardPathSlots) {
        // Callers index 0..19; a stray write lands here and is thrown away.
        thread_local QString discard;
        discard.clear();
        return discard;
    }
    if (i >= m_stored) m_stored = i + 1;
    if (i == 0) return m_first;
    if (static_cast<size_t>(i) > m_rest.size()) m_rest.resize(static_cast<size_t>(i));
    return m_rest[static_cast<size_t>(i) - 1];
}

const QString& StationRecord::HeardPathTexts::operator[](int i) const {
    static const QString empty;
    if (i == 0) return m_first;
    if (i < 0 || static_cast<size_t>(i) > m_rest.size()) return empty;
    return m_rest[static_cast<size_t>(i) - 1];
}

void StationRecord::setPosition(double lat, double lon) {
    if (lat == latitude && lon == longitude) return;
    previousLatitude = latitude;
    previousLongitude = longitude;
    latitude = lat;
    longitude = lon;
}

void StationRecord::RecordHeardPath(QStringView headerLine) {
    const qsizetype lt = headerLine.indexOf(QLatin1Char('<'));
    const QStringView keyView = lt < 0 ? headerLine : headerLine.left(lt);
    if (keyView.isEmpty()) return;
    // 64 bits: two different paths of one station never pass for the same in practice.
    uint64_t hash = pathKeyHash(keyView);
    if (hash == m_lastPathHash && heardPaths.next == m_lastPathNext) return;
    m_lastPathHash = hash;
    // A station is mostly heard again over the path it was heard over last: look there first.
    const int next = heardPaths.next;
    const int last = next >= 1 && next <= kHeardPathSlots ? next - 1 : kHeardPathSlots - 1;
    const int stored = heardPaths.keys.stored();
    for (int i = 0; i < kHeardPathSlots; ++i) {
        const int at = (last - i + kHeardPathSlots) % kHeardPathSlots;
        if (at >= stored) continue;
        const QString& k = std::as_const(heardPaths.keys)[at];
        if (k.size() == keyView.size() && k == keyView) {
            m_lastPathNext = heardPaths.next;
            return;
        }
    }
    const QString key = keyView.toString();

    if (heardPaths.next > kHeardPathSlots - 1 || heardPaths.next < 0) heardPaths.next = 0;
    const int slot = heardPaths.next;
    heardPaths.keys[slot] = key;

    // "xx:Fm FROM To TO Via D1,D2* ..." : the elements after "Via" up to the frame description.
    // Heard via the first element marked '*' (less its last character), else "Direct"; the
    // digipeaters are the elements without their '*', empty ones left out, at most 20.
    QStringView via;
    QVarLengthArray<char16_t, 128> digis;
    int digiCount = 0;
    TokenCursor cursor(key);
    QStringView word;
    for (int i = 0; i < 5; ++i) word = cursor.next(u" ");
    if (word == QLatin1String("Via")) {
        for (QStringView e = cursor.next(u", "); !e.isEmpty() && !e.startsWith(QLatin1Char('<'));
             e = cursor.next(u", ")) {
            if (via.isNull() && e.contains(QLatin1Char('*'))) via = e.chopped(1);
            if (digiCount == kHeardPathSlots) continue;
            // The element less its '*'s, straight into the list.
            const qsizetype before = digis.size();
            if (digiCount > 0) digis.append(u',');
            const qsizetype start = digis.size();
            for (const QChar c : e)
                if (c != QLatin1Char('*')) digis.append(c.unicode());
            if (digis.size() == start) {
                digis.resize(before); // nothing but stars
                continue;
            }
            ++digiCount;
        }
    }
    // A feed brings thousands of stations heard over the same gate: texts equal to the ones made
    // last share their storage rather than each taking its own.
    thread_local QString lastVia, lastDigis;
    const QStringView viaText = via.isNull() ? QStringView(u"Direct") : via;
    if (lastVia != viaText) lastVia = viaText.toString();
    heardPaths.heardVia[slot] = lastVia;
    const QStringView digisText(digis.constData(), digis.size());
    if (lastDigis != digisText) lastDigis = digisText.toString();
    heardPaths.digipeaters[slot] = lastDigis;
    ++heardPaths.next;
    m_lastPathNext = heardPaths.next;
}

const QString& StationRecord::heardVia() const {
    static const QString none;
    const int n = heardPaths.next;
    if (n < 0 || n > kHeardPathSlots) return none;
    return heardPaths.heardVia[(n + kHeardPathSlots - 1) % kHeardPathSlots];
}

void StationRecord::save(DataFileWriter& out) const {
    out.string(call);
    out.string(owner);
    out.string(comment);
    out.u32(course);
    out.time(firstHeard);
    out.i32(altitude);
    out.i32(symbolCode);
    out.i32(symbolTable);
    out.time(lastHeard);
    out.string(lastPacket);
    out.f64(latitude);
    out.f64(longitude);
    out.f64(speed);
    out.string(status);
    out.i32(stationType);
    out.i32(phg.directivity);
    out.i32(phg.gain);
    out.i32(phg.height);
    out.i32(phg.power);
    out.f64(phg.range);
    out.i32(weather.windDirection);
    out.i32(weather.windSpeed);
    out.i32(weather.windGust);
    out.i32(weather.temperature);
    out.i32(weather.pressure);
    out.i32(weather.humidity);
    out.i32(weather.unnamed1);
    out.i32(weather.unnamed2);
    out.string(weather.software);
    out.i32(weather.rainLastHour);
    out.i32(weather.rainLast24h);
    out.i32(weather.rainSinceMidnight);
    out.f64(weather.dewPoint);
    out.f64(weather.windChill);
    out.i32(weather.heatIndex);
    out.f64(weather.unnamedFloat);
    for (const QString& k : heardPaths.keys) out.string(k);
    for (const QString& v : heardPaths.heardVia) out.string(v);
    out.i32(heardPaths.next);
}

bool StationRecord::load(DataFileReader& in) {
    bool ok = true;
    auto text = [&](QString& field) {
        if (!ok) return;
        auto v = readText(in);
        if (v)
            field = std::move(*v);
        else
            ok = false;
    };
    auto i32 = [&](int32_t& field) {
        if (!ok) return;
        auto v = in.i32();
        if (v)
            field = *v;
        else
            ok = false;
    };
    auto u32 = [&](uint32_t& field) {
        if (!ok) return;
        auto v = in.u32();
        if (v)
            field = *v;
        else
            ok = false;
    };
    auto f64 = [&](double& field) {
        if (!ok) return;
        auto v = in.f64();
        if (v)
            field = *v;
        else
            ok = false;
    };
    auto time = [&](SystemTime& field) {
        if (!ok) return;
        auto v = in.time();
        if (v)
            field = *v;
        else
            ok = false;
    };

    text(call);
    if (!ok || call.isEmpty()) return false;
    text(owner);
    text(comment);
    u32(course);
    time(firstHeard);
    i32(altitude);
    i32(symbolCode);
    i32(symbolTable);
    time(lastHeard);
    text(lastPacket);
    f64(latitude);
    f64(longitude);
    f64(speed);
    text(status);
    i32(stationType);
    i32(phg.directivity);
    i32(phg.gain);
    i32(phg.height);
    i32(phg.power);
    f64(phg.range);
    i32(weather.windDirection);
    i32(weather.windSpeed);
    i32(weather.windGust);
    i32(weather.temperature);
    i32(weather.pressure);
    i32(weather.humidity);
    i32(weather.unnamed1);
    i32(weather.unnamed2);
    text(weather.software);
    i32(weather.rainLastHour);
    i32(weather.rainLast24h);
    i32(weather.rainSinceMidnight);
    f64(weather.dewPoint);
    f64(weather.windChill);
    i32(weather.heatIndex);
    f64(weather.unnamedFloat);
    heardPaths.keys.clear();
    m_lastPathNext = -1;
    heardPaths.heardVia.clear();
    heardPaths.digipeaters.clear(); // not stored: empty after a load
    for (int i = 0; i < kHeardPathSlots && ok; ++i) {
        QString k;
        text(k);
        if (!k.isEmpty()) heardPaths.keys[i] = std::move(k);
    }
    for (int i = 0; i < kHeardPathSlots && ok; ++i) {
        QString v;
        text(v);
        if (!v.isEmpty()) heardPaths.heardVia[i] = std::move(v);
    }
    i32(heardPaths.next);
    return ok;
}

QString stationTypeName(int stationType) {
    switch (stationType) {
    case StationType::Fixed:
        return QStringLiteral("Fixed");
    case StationType::Mobile:
        return QStringLiteral("Mobile");
    case StationType::Weather:
        return QStringLiteral("Weather");
    case StationType::Digi:
        return QStringLiteral("Digi");
    case StationType::TcpIp:
        return QStringLiteral("TCP/IP");
    case StationType::Object:
        return QStringLiteral("Object");
    default:
        return QStringLiteral("Unknown");
    }
}
