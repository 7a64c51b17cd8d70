#include "aprs/ui/StationListModel.h"

#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/SymbolAtlas.h"
#include "aprs/SymbolTable.h"
#include "gps/CoordText.h"
#include "gps/GeoCalc.h"
#include "gps/Units.h"

#include <QDate>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QLocale>
#include <QMutexLocker>
#include <QPainter>
#include <QPixmap>
#include <QSet>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

constexpr int kIcons = 2 * SymbolTable::kEntries;

struct SymbolNames {
    std::array<QString, kIcons> names;
    // Position of each name in the case-sensitive order of all names, so sorting by the "ID"
    // column compares integers; equal names share a rank.
    std::array<int, kIcons> ranks{};
};

const SymbolNames& symbolNames() {
    static const SymbolNames table = [] {
        SymbolNames t;
        for (int i = 0; i < kIcons; ++i) {
            const int tableChar = i < SymbolTable::kEntries ? '/' : '\\';
            t.names[static_cast<size_t>(i)] =
                ::symbolName(tableChar, SymbolTable::kFirstCode + i % SymbolTable::kEntries);
        }
        std::vector<QString> sorted(t.names.begin(), t.names.end());
        std::sort(sorted.begin(), sorted.end());
        sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
        for (int i = 0; i < kIcons; ++i)
            t.ranks[static_cast<size_t>(i)] = static_cast<int>(
                std::lower_bound(sorted.begin(), sorted.end(), t.names[static_cast<size_t>(i)]) -
                sorted.begin());
        return t;
    }();
    return table;
}

int nameRank(int iconIndex) {
    return symbolNames().ranks[static_cast<size_t>(std::clamp(iconIndex, 0, kIcons - 1))];
}

// One QIcon per symbol (and per symbol and overlay), made on first use: an icon's pixmaps are
// shared by every row showing it.
const QIcon& symbolIcon(int iconIndex, char16_t overlay) {
    const int index = std::clamp(iconIndex, 0, kIcons - 1);
    if (overlay == 0) {
        static std::array<QIcon, kIcons> icons;
        QIcon& icon = icons[static_cast<size_t>(index)];
        if (icon.isNull()) icon = SymbolAtlas::shared().icon(index);
        return icon;
    }
    static QHash<int, QIcon> overlaid;
    QIcon& icon = overlaid[index << 16 | overlay];
    if (icon.isNull()) {
        for (int px : {16, 32}) {
            QImage image(px, px, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            SymbolAtlas::shared().paint(painter, QRectF(0, 0, px, px), overlay,
                                        SymbolTable::kFirstCode + index % SymbolTable::kEntries);
            painter.end();
            icon.addPixmap(QPixmap::fromImage(image));
        }
    }
    return icon;
}

qint64 wallClockMs(const SystemTime& t) {
    return t.wallClockSeconds() * 1000 + t.millisecond;
}

// Degrees and minutes rounded to the two decimals shown, with 59.995' and up carried into the
// next degree rather than printed as 60.00'.
QString degreesMinutesText(double value, int degreeDigits, char positive, char negative) {
    if (!std::isfinite(value)) return {};
    const DegreesMinutes dm = Coord::splitMinutes(value);
    unsigned degrees = dm.degrees;
    double hundredths = std::round(dm.minutes * 100.0);
    if (hundredths >= 6000.0) {
        ++degrees;
        hundredths = 0;
    }
    const QChar letter = QLatin1Char(dm.sign < 0 ? negative : positive);
    return QStringLiteral("%1\u00B0%2'%3 ")
        .arg(degrees, degreeDigits, 10, QLatin1Char('0'))
        .arg(hundredths / 100.0, 0, 'f', 2)
        .arg(letter);
}

QString timeText(const SystemTime& t, const QString& prefix) {
    const QDate date(t.year, t.month, t.day);
    return prefix +
           QStringLiteral("%1:%2 ")
               .arg(t.hour, 2, 10, QLatin1Char('0'))
               .arg(t.minute, 2, 10, QLatin1Char('0')) +
           QLocale().toString(date, QLocale::ShortFormat);
}

// Received text in a tooltip: escaped and forced to rich text, so markup from the air shows as
// the characters it is made of.
QString plainToolTip(const QString& text) {
    if (text.isEmpty()) return {};
    return QStringLiteral("<p style='white-space:pre-wrap'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

} // namespace

// --- keys and rows

StationRecord* StationKey::find(StationManager& stations) const {
    return stations.FindObject(call, owner);
}

size_t qHash(const StationKey& key, size_t seed) noexcept {
    return qHashMulti(seed, key.call, key.owner);
}

StationRow StationRow::fromRecord(const StationRecord& record, double ownLatitude, double ownLongitude) {
    StationRow row;
    row.key.call = record.call;
    row.key.owner = record.owner;
    row.digi = StationListModel::digiText(record);
    row.comment = record.comment;
    row.latitude = record.latitude;
    row.longitude = record.longitude;
    row.distanceKm = GeoCalc().distanceKm(ownLatitude, ownLongitude, record.latitude, record.longitude);
    row.firstHeard = record.firstHeard;
    row.lastHeard = record.lastHeard;
    row.firstHeardMs = wallClockMs(record.firstHeard);
    row.lastHeardMs = wallClockMs(record.lastHeard);
    row.stationType = record.stationType;
    row.iconIndex = static_cast<int16_t>(StationListModel::iconIndex(record.symbolTable, record.symbolCode));
    if (SymbolTable::isOverlay(record.symbolTable) && record.symbolTable > ' ' && record.symbolTable < 127)
        row.overlay = static_cast<char16_t>(record.symbolTable);
    // Lines from the APRS-IS client carry the port field "GT"; every other line came over a radio
    // port (relayed packets included).
    for (int i = 0; i < StationRecord::kHeardPathSlots && !(row.heardOnInternet && row.heardOnRadio); ++i) {
        const QString& key = record.heardPaths.keys[i];
        if (key.isEmpty()) continue;
        if (key.startsWith(QLatin1String("GT:")))
            row.heardOnInternet = true;
        else
            row.heardOnRadio = true;
    }
    return row;
}

bool StationFilter::accepts(const StationRow& row, qint64 nowMs) const {
    if (stationType >= 0 && row.stationType != stationType) return false;
    switch (heard) {
    case Heard::Anywhere:
        break;
    case Heard::Radio:
        if (!row.heardOnRadio) return false;
        break;
    case Heard::Internet:
        if (!row.heardOnInternet) return false;
        break;
    case Heard::RadioAndInternet:
        if (!row.heardOnRadio || !row.heardOnInternet) return false;
        break;
    }
    if (maxAgeMinutes > 0 && nowMs - row.lastHeardMs > qint64(maxAgeMinutes) * 60000) return false;
    return callPrefix.isEmpty() || row.key.call.startsWith(callPrefix, Qt::CaseInsensitive);
}

// --- model

StationListModel::StationListModel(QObject* parent) : QAbstractTableModel(parent) {}

std::vector<StationRow> StationListModel::snapshot(StationManager& stations, double ownLatitude,
                                                   double ownLongitude, const StationFilter& filter,
                                                   qint64 nowMs) {
    std::vector<StationRow> rows;
    QMutexLocker locker(&stations.lock());
    const int n = stations.count();
    rows.reserve(static_cast<size_t>(n));
    const bool all = filter.showsAll();
    for (int i = 0; i < n; ++i) {
        const StationRecord* record = stations.at(i);
        if (!record) continue;
        // Cheap rejections first: a narrow filter over a large database builds few rows.
        if (filter.stationType >= 0 && record->stationType != filter.stationType) continue;
        if (!filter.callPrefix.isEmpty() && !record->call.startsWith(filter.callPrefix, Qt::CaseInsensitive))
            continue;
        StationRow row = StationRow::fromRecord(*record, ownLatitude, ownLongitude);
        if (all || filter.accepts(row, nowMs)) rows.push_back(std::move(row));
    }
    return rows;
}

void StationListModel::setRows(std::vector<StationRow> rows, double ownLatitude, double ownLongitude,
                               int distanceFormat) {
    beginResetModel();
    m_rows = std::move(rows);
    m_ownLatitude = ownLatitude;
    m_ownLongitude = ownLongitude;
    m_distanceFormat = distanceFormat;
    sortOrderOnly();
    endResetModel();
}

void StationListModel::sort(int column, Qt::SortOrder order) {
    beginResetModel();
    m_sortColumn = std::clamp(column, 0, ColumnCount - 1);
    m_sortOrder = order;
    sortOrderOnly();
    endResetModel();
}

double StationListModel::sortNumber(const StationRow& row, int column) {
    double v = 0;
    switch (column) {
    case Id:
        v = nameRank(row.iconIndex);
        break;
    case Type:
        v = row.stationType;
        break;
    case Distance:
        v = row.distanceKm;
        break;
    case Latitude:
        v = row.latitude;
        break;
    case Longitude:
        v = row.longitude;
        break;
    case FirstHeard:
        v = static_cast<double>(row.firstHeardMs); // exact: well below 2^53
        break;
    case LastHeard:
        v = static_cast<double>(row.lastHeardMs);
        break;
    default:
        return std::numeric_limits<double>::quiet_NaN();
    }
    // A damaged record's NaN sorts last.
    return std::isnan(v) ? std::numeric_limits<double>::infinity() : v;
}

void StationListModel::sortOrderOnly() {
    const size_t n = m_rows.size();
    m_order.resize(n);
    const int column = m_sortColumn;
    const bool ascending = m_sortOrder == Qt::AscendingOrder;
    // Descending compares the other way round rather than reversing, so ties keep list order.
    if (column == Station || column == Digi || column == Beacon) {
        std::iota(m_order.begin(), m_order.end(), 0);
        const std::vector<StationRow>& rows = m_rows;
        std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
            const StationRow& ra = rows[static_cast<size_t>(a)];
            const StationRow& rb = rows[static_cast<size_t>(b)];
            return ascending ? lessThan(ra, rb, column) : lessThan(rb, ra, column);
        });
        return;
    }
    // Numbers are sorted as (value, list index) pairs side by side in memory: no record is
    // touched while sorting, and the index as the second key makes the order stable.
    struct Keyed {
        double value;
        int index;
    };
    std::vector<Keyed> keyed(n);
    for (size_t i = 0; i < n; ++i) keyed[i] = {sortNumber(m_rows[i], column), static_cast<int>(i)};
    std::sort(keyed.begin(), keyed.end(), [ascending](const Keyed& a, const Keyed& b) {
        if (a.value != b.value) return ascending ? a.value < b.value : b.value < a.value;
        return a.index < b.index;
    });
    for (size_t i = 0; i < n; ++i) m_order[i] = keyed[i].index;
}

bool StationListModel::lessThan(const StationRow& a, const StationRow& b, int column) {
    switch (column) {
    case Station:
        return a.key.call < b.key.call;
    case Digi:
        return a.digi < b.digi;
    case Beacon:
        return a.comment < b.comment;
    default:
        return sortNumber(a, column) < sortNumber(b, column);
    }
}

int StationListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_order.size());
}

int StationListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant StationListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount()) return {};
    const StationRow& row = rowAt(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return text(row, column, m_distanceFormat);
    case Qt::DecorationRole:
        if (column == Station) return symbolIcon(row.iconIndex, row.overlay);
        return {};
    case Qt::TextAlignmentRole:
        if (column == Distance) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::ToolTipRole:
        if (column == Distance && !distanceText(row.distanceKm, m_distanceFormat).isEmpty()) {
            const double bearing =
                GeoCalc().bearing(m_ownLatitude, m_ownLongitude, row.latitude, row.longitude);
            return tr("Bearing %1\u00B0").arg(qRound(bearing) % 360);
        }
        if (column == Digi) return plainToolTip(row.digi);
        if (column == Beacon) return plainToolTip(row.comment);
        return {};
    default:
        return {};
    }
}

QVariant StationListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return columnTitle(section);
}

Qt::ItemFlags StationListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

int StationListModel::rowOf(const StationKey& key) const {
    for (size_t r = 0; r < m_order.size(); ++r)
        if (m_rows[static_cast<size_t>(m_order[r])].key == key) return static_cast<int>(r);
    return -1;
}

std::vector<int> StationListModel::rowsOf(const std::vector<StationKey>& keys) const {
    std::vector<int> out;
    if (keys.empty()) return out;
    // A few keys are compared directly (a call compare mostly ends at the length); many go
    // through a set.
    constexpr size_t kDirect = 16;
    QSet<StationKey> wanted;
    if (keys.size() > kDirect) wanted = QSet<StationKey>(keys.begin(), keys.end());
    const auto isWanted = [&](const StationKey& k) {
        if (keys.size() > kDirect) return wanted.contains(k);
        return std::find(keys.begin(), keys.end(), k) != keys.end();
    };
    for (size_t r = 0; r < m_order.size() && out.size() < keys.size(); ++r)
        if (isWanted(m_rows[static_cast<size_t>(m_order[r])].key)) out.push_back(static_cast<int>(r));
    return out;
}

// --- texts

QString StationListModel::columnTitle(int column) {
    switch (column) {
    case Station:
        return tr("Station");
    case Id:
        return tr("ID");
    case Type:
        return tr("Type");
    case Distance:
        return tr("Distance");
    case Latitude:
        return tr("Latitude");
    case Longitude:
        return tr("Longitude");
    case FirstHeard:
        return tr("First Heard");
    case LastHeard:
        return tr("Last Heard");
    case Digi:
        return tr("Digi");
    case Beacon:
        return tr("Beacon");
    default:
        return {};
    }
}

QString StationListModel::text(const StationRow& row, int column, int distanceFormat) {
    switch (column) {
    case Station:
        return row.key.call;
    case Id:
        return symbolName(row.iconIndex);
    case Type:
        return typeText(row.stationType);
    case Distance:
        return distanceText(row.distanceKm, distanceFormat);
    case Latitude:
        return latitudeText(row.latitude);
    case Longitude:
        return longitudeText(row.longitude);
    case FirstHeard:
        return firstHeardText(row.firstHeard);
    case LastHeard:
        return lastHeardText(row.lastHeard);
    case Digi:
        return row.digi;
    case Beacon:
        return row.comment;
    default:
        return {};
    }
}

QString StationListModel::typeText(int stationType) {
    return stationTypeName(stationType);
}

QString StationListModel::distanceText(double km, int distanceFormat) {
    if (distanceFormat < Units::Centimetres || distanceFormat > Units::Miles) return {};
    return Units::distanceText(km, distanceFormat);
}

QString StationListModel::latitudeText(double latitude) {
    return degreesMinutesText(latitude, 3, 'N', 'S');
}

QString StationListModel::longitudeText(double longitude) {
    return degreesMinutesText(longitude, 3, 'E', 'W');
}

QString StationListModel::firstHeardText(const SystemTime& time) {
    return timeText(time, {});
}

QString StationListModel::lastHeardText(const SystemTime& time) {
    return timeText(time, {});
}

QString StationListModel::digiText(const StationRecord& record) {
    // Nearly every station has one heard-via entry: hand back that string itself, unallocated.
    const StationRecord::HeardPathTexts& via = record.heardPaths.heardVia;
    QString out;
    const QString* first = nullptr;
    for (const QString& v : via) {
        if (v.isEmpty()) continue;
        if (!first) {
            first = &v;
            continue;
        }
        if (out.isEmpty()) out = *first + QLatin1Char(',');
        out += v + QLatin1Char(',');
    }
    if (!first) return {};
    if (out.isEmpty()) {
        if (!first->endsWith(QLatin1Char(','))) return *first;
        out = *first;
    }
    while (out.endsWith(QLatin1Char(','))) out.chop(1);
    return out;
}

QString StationListModel::symbolName(int iconIndex) {
    if (iconIndex < 0 || iconIndex >= kIcons) return {};
    return symbolNames().names[static_cast<size_t>(iconIndex)];
}

int StationListModel::iconIndex(int symbolTable, int symbolCode) {
    const int index = SymbolTable::clampCode(symbolCode) - SymbolTable::kFirstCode;
    return SymbolTable::isPrimary(symbolTable) ? index : index + SymbolTable::kEntries;
}
