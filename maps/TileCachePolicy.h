#pragma once

#include <QByteArray>
#include <QDateTime>
#include <optional>

// How long a downloaded tile may be used before it is asked for again, from the server's
// Cache-Control, Expires and Date headers. Without a usable header a tile is kept a week (what
// OpenStreetMap's policy asks for at the least); no answer keeps one longer than a year.
namespace TileCachePolicy {

constexpr qint64 kDefaultSeconds = 7 * 24 * 3600;
constexpr qint64 kMaxSeconds = 365 * 24 * 3600;

struct Decision {
    bool store = true;    // false for no-store: the tile is shown but not written to disk
    QDateTime freshUntil; // until then the disk copy is used without asking the server
};
Decision decide(const QByteArray& cacheControl, const QByteArray& expires, const QByteArray& date,
                const QDateTime& now);

// An HTTP date (IMF-fixdate "Sun, 06 Nov 1994 08:49:37 GMT", also without the weekday); nothing
// for anything else.
std::optional<QDateTime> parseHttpDate(const QByteArray& text);

} // namespace TileCachePolicy
