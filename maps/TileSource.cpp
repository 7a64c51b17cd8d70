#include "maps/TileSource.h"

#include "platform/SettingsStore.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <climits>

namespace {
const QString kOsmTemplate = QStringLiteral("https://tile.openstreetmap.org/{z}/{x}/{y}.png");
constexpr int kMaxTemplateLength = 2048;
} // namespace

bool TileSource::isOpenStreetMapServer() const {
    if (isMbTiles()) return false;
    const QString host = QUrl(urlTemplate).host().toLower();
    return host == QLatin1String("tile.openstreetmap.org") ||
           host.endsWith(QLatin1String(".tile.openstreetmap.org")) || host == QLatin1String("tile.osm.org") ||
           host.endsWith(QLatin1String(".tile.osm.org"));
}

bool TileSource::isUsableTemplate(const QString& urlTemplate) {
    if (urlTemplate.size() > kMaxTemplateLength) return false;
    for (const char* part : {"{z}", "{x}", "{y}"})
        if (!urlTemplate.contains(QLatin1String(part))) return false;
    // Braces are no URL characters: the template is checked with numbers in their place.
    QString sample = urlTemplate;
    sample.replace(QLatin1String("{z}"), QLatin1String("1"))
        .replace(QLatin1String("{x}"), QLatin1String("1"))
        .replace(QLatin1String("{y}"), QLatin1String("1"));
    const QUrl url(sample, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) return false;
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

QUrl TileSource::urlFor(const TileKey& key) const {
    if (!key.isValid() || !isUsableTemplate(urlTemplate)) return {};
    QString text = urlTemplate;
    text.replace(QLatin1String("{z}"), QString::number(key.z))
        .replace(QLatin1String("{x}"), QString::number(key.x))
        .replace(QLatin1String("{y}"), QString::number(key.y));
    return QUrl(text, QUrl::StrictMode);
}

QString TileSource::cacheFolder() const {
    // Readable for someone looking into the folder, unique by the template (two sources of one name
    // in two station homes do not mix their tiles).
    QString readable = name.left(32);
    readable.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    const QByteArray hash =
        QCryptographicHash::hash((isMbTiles() ? mbtilesPath : urlTemplate).toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(12);
    return readable + QLatin1Char('-') + QString::fromLatin1(hash);
}

namespace TileSources {

TileSource openStreetMap() {
    TileSource s;
    s.name = kOpenStreetMapName;
    s.urlTemplate = kOsmTemplate;
    s.maxZoom = TileMath::kMaxZoom;
    s.attribution = kOpenStreetMapAttribution;
    return s;
}

QString plainLine(const QString& text) {
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    QString s = QString(text).remove(tags);
    s.replace(QLatin1String("&copy;"), QStringLiteral("\u00a9"))
        .replace(QLatin1String("&amp;"), QLatin1String("&"));
    for (QChar& c : s)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    s = s.simplified();
    if (s.size() > kMaxTextLength) s = s.left(kMaxTextLength - 1) + QStringLiteral("\u2026");
    return s;
}

QList<TileSource> read(const SettingsStore& settings) {
    QList<TileSource> list;
    if (settings.readString(kSection, QStringLiteral("NAME0")).isEmpty()) list.append(openStreetMap());
    for (int n = 0; n < kMaxSources; ++n) {
        const QString name =
            plainLine(settings.readString(kSection, SettingsStore::numbered(QStringLiteral("NAME"), n)));
        if (name.isEmpty()) break;
        TileSource s;
        s.name = name;
        s.urlTemplate =
            settings.readString(kSection, SettingsStore::numbered(QStringLiteral("URL"), n)).trimmed();
        s.maxZoom =
            std::clamp(settings.readInt(kSection, SettingsStore::numbered(QStringLiteral("MAXZOOM"), n),
                                        TileMath::kMaxZoom),
                       TileMath::kMinZoom, TileMath::kMaxZoom);
        s.attribution = plainLine(settings.readString(
            kSection, SettingsStore::numbered(QStringLiteral("ATTRIBUTION"), n), kOpenStreetMapAttribution));
        if (!TileSource::isUsableTemplate(s.urlTemplate)) continue;
        list.append(s);
    }
    return list;
}

std::optional<TileSource> find(const SettingsStore& settings, const QString& name) {
    for (const TileSource& s : read(settings))
        if (s.name == name) return s;
    return std::nullopt;
}

bool add(SettingsStore& settings, const TileSource& source) {
    const QString name = plainLine(source.name);
    if (name.isEmpty() || !TileSource::isUsableTemplate(source.urlTemplate) || find(settings, name))
        return false;
    int n = 0;
    while (n < kMaxSources &&
           !settings.readString(kSection, SettingsStore::numbered(QStringLiteral("NAME"), n)).isEmpty())
        ++n;
    const auto put = [&](int i, const TileSource& s) {
        settings.writeString(kSection, SettingsStore::numbered(QStringLiteral("NAME"), i), plainLine(s.name));
        settings.writeString(kSection, SettingsStore::numbered(QStringLiteral("URL"), i),
                             s.urlTemplate.trimmed());
        settings.writeInt(kSection, SettingsStore::numbered(QStringLiteral("MAXZOOM"), i),
                          std::clamp(s.maxZoom, TileMath::kMinZoom, TileMath::kMaxZoom));
        settings.writeString(kSection, SettingsStore::numbered(QStringLiteral("ATTRIBUTION"), i),
                             plainLine(s.attribution));
    };
    if (n == 0) {
        // The implicit OpenStreetMap source keeps its place as source 0.
        put(0, openStreetMap());
        n = 1;
    }
    if (n >= kMaxSources) return false;
    put(n, source);
    return true;
}

bool remove(SettingsStore& settings, const QString& name) {
    const QStringList keys = {QStringLiteral("NAME"), QStringLiteral("URL"), QStringLiteral("MAXZOOM"),
                              QStringLiteral("ATTRIBUTION")};
    int count = 0;
    while (count < kMaxSources &&
           !settings.readString(kSection, SettingsStore::numbered(QStringLiteral("NAME"), count)).isEmpty())
        ++count;
    int at = -1;
    for (int n = 0; n < count && at < 0; ++n)
        if (plainLine(settings.readString(kSection, SettingsStore::numbered(QStringLiteral("NAME"), n))) ==
            name)
            at = n;
    // The implicit list holds OpenStreetMap alone; it stays, as the tile maps need a source.
    if (at < 0 || count == 1) return false;
    // Each value moves up as it is stored; one the file lacks is lacking in its new place too.
    const QString absent = QStringLiteral("\u0001");
    for (int n = at; n + 1 < count; ++n) {
        for (const QString& key : keys) {
            const QString next = SettingsStore::numbered(key, n + 1);
            const QString here = SettingsStore::numbered(key, n);
            if (key == QLatin1String("MAXZOOM")) {
                const int zoom = settings.readInt(kSection, next, INT_MIN);
                if (zoom == INT_MIN)
                    settings.remove(kSection, here);
                else
                    settings.writeInt(kSection, here, zoom);
            } else {
                const QString text = settings.readString(kSection, next, absent);
                if (text == absent)
                    settings.remove(kSection, here);
                else
                    settings.writeString(kSection, here, text);
            }
        }
    }
    for (const QString& key : keys) settings.remove(kSection, SettingsStore::numbered(key, count - 1));
    return true;
}

bool offline(const SettingsStore& settings) {
    return settings.readInt(kSection, QStringLiteral("OFFLINE"), 0) != 0;
}

void setOffline(SettingsStore& settings, bool on) {
    settings.writeInt(kSection, QStringLiteral("OFFLINE"), on ? 1 : 0);
}

qint64 cacheBytes(const SettingsStore& settings) {
    const qint64 mb = settings.readInt(kSection, QStringLiteral("CACHEMB"), kDefaultCacheMegabytes);
    return std::clamp<qint64>(mb, 10, 100 * 1024) * 1024 * 1024;
}

} // namespace TileSources
