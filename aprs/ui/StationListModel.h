#pragma once

#include "platform/SystemTime.h"

#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <vector>

class StationManager;
class StationRecord;

// Which station a row stands for: the call sign, and for objects the owner (two objects of the
// same name from different owners are two stations). Rows and selections hold keys, never record
// pointers, and look the record up again when they act on it.
struct StationKey {
    QString call;
    QString owner;
    bool operator==(const StationKey&) const = default;
    // The record now in the database under this key, or nullptr. Call under the database's lock
    // when the pointer is used further.
    StationRecord* find(StationManager& stations) const;
};
size_t qHash(const StationKey& key, size_t seed = 0) noexcept;

// What the list shows of one station, copied from its record under the database's lock: the row
// stays valid whatever happens to the record afterwards.
struct StationRow {
    StationKey key;
    QString digi;    // non-empty heard-via entries joined with commas
    QString comment; // the record's comment
    double latitude = 0;
    double longitude = 0;
    double distanceKm = 0; // from the own position
    SystemTime firstHeard;
    SystemTime lastHeard;
    qint64 firstHeardMs = 0; // wall-clock milliseconds, for sorting and age
    qint64 lastHeardMs = 0;
    int32_t stationType = 0;
    int16_t iconIndex = 0; // 0..93 primary table, 94..187 alternate
    char16_t overlay = 0;  // the overlay character drawn over the symbol, or 0
    bool heardOnRadio = false;
    bool heardOnInternet = false;

    static StationRow fromRecord(const StationRecord& record, double ownLatitude, double ownLongitude);
};

// Which stations the list shows. The default shows every station.
struct StationFilter {
    enum class Heard { Anywhere, Radio, Internet, RadioAndInternet };
    int stationType = -1; // -1: every type
    Heard heard = Heard::Anywhere;
    int maxAgeMinutes = 0; // 0: any age
    QString callPrefix;    // matched case-insensitively; empty: every call

    // Whether the row passes; nowMs is the wall-clock time in milliseconds (SystemTime form).
    bool accepts(const StationRow& row, qint64 nowMs) const;
    bool showsAll() const {
        return stationType < 0 && heard == Heard::Anywhere && maxAgeMinutes <= 0 && callPrefix.isEmpty();
    }
};

// The station list's rows: a snapshot of the database in list order (least to most recently
// heard), shown in the order of the sort column. Each sort starts again from list order with a
// stable sort, so stations that compare equal keep list order in both directions.
class StationListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Station,
        Id,
        Type,
        Distance,
        Latitude,
        Longitude,
        FirstHeard,
        LastHeard,
        Digi,
        Beacon,
        ColumnCount
    };
    static constexpr int kInitialWidths[ColumnCount] = {80, 80, 50, 50, 80, 80, 100, 100, 100, 300};

    explicit StationListModel(QObject* parent = nullptr);

    // The stations of the database that pass the filter, in list order, taken under its lock.
    static std::vector<StationRow> snapshot(StationManager& stations, double ownLatitude, double ownLongitude,
                                            const StationFilter& filter, qint64 nowMs);
    // Replaces every row in one reset, sorted by the current sort column and direction. The own
    // position and distance format are those the rows were taken with.
    void setRows(std::vector<StationRow> rows, double ownLatitude, double ownLongitude, int distanceFormat);
    // Sorts in one reset; the column is clamped to 0..9.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Display order; row must be 0..rowCount()-1.
    const StationRow& rowAt(int row) const {
        return m_rows[static_cast<size_t>(m_order[static_cast<size_t>(row)])];
    }
    // The display row of a station, or -1.
    int rowOf(const StationKey& key) const;
    // The display rows of those stations that are shown, ascending.
    std::vector<int> rowsOf(const std::vector<StationKey>& keys) const;
    int totalRows() const { return static_cast<int>(m_rows.size()); }

    // The column texts.
    static QString columnTitle(int column);
    static QString text(const StationRow& row, int column, int distanceFormat);
    static QString typeText(int stationType);
    static QString distanceText(double km, int distanceFormat);
    static QString latitudeText(double latitude);
    static QString longitudeText(double longitude);
    static QString firstHeardText(const SystemTime& time);
    static QString lastHeardText(const SystemTime& time);
    static QString digiText(const StationRecord& record);
    static QString symbolName(int iconIndex);
    // The row icon: (code - 33) for the primary table '/', (code - 33 + 94) for any other table.
    static int iconIndex(int symbolTable, int symbolCode);

    // Whether a displays before b when sorting ascending by the column.
    static bool lessThan(const StationRow& a, const StationRow& b, int column);

private:
    void sortOrderOnly();
    // The value a numeric column sorts by; NaN for the text columns.
    static double sortNumber(const StationRow& row, int column);

    std::vector<StationRow> m_rows; // list order
    std::vector<int> m_order;       // display row -> index into m_rows
    int m_sortColumn = Station;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    double m_ownLatitude = 0;
    double m_ownLongitude = 0;
    int m_distanceFormat = 7;
};
