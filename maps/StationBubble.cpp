#include "maps/StationBubble.h"

#include "aprs/StationRecord.h"
#include "aprs/SymbolTable.h"
#include "gps/GeoCalc.h"
#include "gps/Units.h"

#include <cmath>

namespace StationBubble {

QString singleLine(const QString& text) {
    QString out;
    out.reserve(std::min<qsizetype>(text.size(), kMaxTextLength + 1));
    for (QChar c : text) {
        if (out.size() > kMaxTextLength) break;
        const auto cat = c.category();
        const bool control = cat == QChar::Other_Control || cat == QChar::Separator_Line ||
                             cat == QChar::Separator_Paragraph || cat == QChar::Other_Format;
        out.append(control ? QChar(u' ') : c);
    }
    out = out.trimmed();
    if (out.size() > kMaxTextLength) {
        out.truncate(kMaxTextLength);
        out.append(QChar(0x2026));
    }
    return out;
}

QString ageText(qint64 seconds) {
    if (seconds < 0) return QStringLiteral("in the future");
    if (seconds < 5) return QStringLiteral("just now");
    if (seconds < 60) return QStringLiteral("%1 s ago").arg(seconds);
    const qint64 minutes = seconds / 60;
    if (minutes < 60) return QStringLiteral("%1 min ago").arg(minutes);
    const qint64 hours = minutes / 60;
    if (hours < 24)
        return minutes % 60 ? QStringLiteral("%1 h %2 min ago").arg(hours).arg(minutes % 60)
                            : QStringLiteral("%1 h ago").arg(hours);
    const qint64 days = hours / 24;
    return days == 1 ? QStringLiteral("1 day ago") : QStringLiteral("%1 days ago").arg(days);
}

QStringList lines(const StationRecord& r, const Context& c) {
    QStringList out;
    const QString call = singleLine(r.call);
    out << (r.owner.isEmpty() ? call : QStringLiteral("%1 (object of %2)").arg(call, singleLine(r.owner)));
    out << QString::fromUtf8(symbolInfo(r.symbolTable, r.symbolCode).name);
    if (const QString comment = singleLine(r.comment); !comment.isEmpty()) out << comment;
    if (const QString status = singleLine(r.status); !status.isEmpty()) out << status;
    if (c.now.isValid() && r.lastHeard.isValid()) {
        const qint64 now = SystemTime::fromDateTime(c.now.toLocalTime()).wallClockSeconds();
        out << ageText(now - r.lastHeard.wallClockSeconds());
    }
    if (c.ownLatitude && c.ownLongitude) {
        const GeoCalc geo;
        const double km = geo.distanceKm(*c.ownLatitude, *c.ownLongitude, r.latitude, r.longitude);
        const double bearing = geo.bearing(*c.ownLatitude, *c.ownLongitude, r.latitude, r.longitude);
        if (std::isfinite(km) && std::isfinite(bearing))
            out << QStringLiteral("%1 at %2\u00B0")
                       .arg(Units::distanceText(km, c.distanceFormat))
                       .arg(static_cast<int>(std::lround(bearing)) % 360);
    }
    if (r.speed != 0 && std::isfinite(r.speed))
        out << QStringLiteral("%1, course %2\u00B0")
                   .arg(Units::gpsSpeedText(r.speed, c.speedFormat))
                   .arg(r.course);
    if (const QString via = singleLine(r.heardVia()); !via.isEmpty())
        out << QStringLiteral("Heard via %1").arg(via);
    return out;
}

QString plainText(const StationRecord& record, const Context& context) {
    return lines(record, context).join(u'\n');
}

QString toolTip(const QStringList& lines) {
    QStringList escaped;
    escaped.reserve(lines.size());
    for (const QString& l : lines) escaped << l.toHtmlEscaped();
    // Starting with a tag makes the tooltip rich text on purpose, so every line is escaped text.
    return QStringLiteral("<p style='white-space:pre'>") + escaped.join(QStringLiteral("<br>")) +
           QStringLiteral("</p>");
}

} // namespace StationBubble
