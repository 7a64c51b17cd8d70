#include "maps/TileCachePolicy.h"

#include <QList>
#include <algorithm>

namespace TileCachePolicy {

namespace {

constexpr int kMaxHeaderLength = 4096;

// Digits only, saturating; nothing for an empty or non-numeric value.
std::optional<qint64> seconds(const QByteArray& text) {
    if (text.isEmpty() || text.size() > 18) {
        if (text.size() > 18 &&
            std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return kMaxSeconds;
        return std::nullopt;
    }
    qint64 value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::optional<QDateTime> parseHttpDate(const QByteArray& raw) {
    if (raw.size() > 64) return std::nullopt;
    QByteArray text = raw.trimmed();
    if (const int comma = text.indexOf(','); comma >= 0) text = text.mid(comma + 1).trimmed();
    const QList<QByteArray> parts = text.split(' ');
    if (parts.size() != 5 || parts[4] != "GMT") return std::nullopt;
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int month = 0;
    for (int i = 0; i < 12; ++i)
        if (parts[1] == months[i]) month = i + 1;
    const auto day = seconds(parts[0]);
    const auto year = seconds(parts[2]);
    const QList<QByteArray> hms = parts[3].split(':');
    if (!month || !day || !year || hms.size() != 3 || *year < 1970 || *year > 9999) return std::nullopt;
    const auto h = seconds(hms[0]);
    const auto m = seconds(hms[1]);
    const auto s = seconds(hms[2]);
    if (!h || !m || !s) return std::nullopt;
    const QDate d{int(*year), month, int(*day)};
    const QTime t{int(*h), int(*m), int(*s)};
    if (!d.isValid() || !t.isValid()) return std::nullopt;
    return QDateTime(d, t, Qt::UTC);
}

Decision decide(const QByteArray& cacheControl, const QByteArray& expires, const QByteArray& date,
                const QDateTime& now) {
    Decision decision;
    std::optional<qint64> maxAge;
    bool noCache = false;
    if (cacheControl.size() <= kMaxHeaderLength) {
        for (const QByteArray& part : cacheControl.split(',')) {
            const QByteArray token = part.trimmed().toLower();
            if (token == "no-store")
                decision.store = false;
            else if (token == "no-cache")
                noCache = true;
            else if (token.startsWith("max-age=")) {
                QByteArray value = token.mid(8);
                if (value.startsWith('"') && value.endsWith('"') && value.size() >= 2)
                    value = value.mid(1, value.size() - 2);
                if (const auto v = seconds(value)) maxAge = v;
            }
        }
    }
    qint64 lifetime = kDefaultSeconds;
    if (noCache) {
        lifetime = 0;
    } else if (maxAge) {
        lifetime = *maxAge;
    } else if (!expires.isEmpty()) {
        // An Expires that is no date ("0", "-1") means already expired.
        const auto until = parseHttpDate(expires);
        const auto sent = parseHttpDate(date);
        lifetime = until ? (sent ? sent->secsTo(*until) : now.secsTo(*until)) : 0;
    }
    decision.freshUntil = now.addSecs(std::clamp<qint64>(lifetime, 0, kMaxSeconds));
    return decision;
}

} // namespace TileCachePolicy
