#pragma once

#include "aprs/ui/StationListModel.h"
#include "controls/CommandIds.h"

#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

class Clock;
class DialogRunner;
class Prompter;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTableView;
class SettingsStore;
class StationManager;
class StationTracks;
class Timer;

// The stations tab: one row per station of the database, ten columns, sortable by any column,
// with a find box and filters by type, by where the station was heard and by age.
//
// Rows are a snapshot taken every 60 s (5 s after creation), when the tab is shown and, while
// stations are heard, at most twice a second. Selection, current row and scroll position follow
// the stations (by call), not the row numbers, through every refresh and sort. Commands act on
// calls looked up again at the moment they run, so a station that expired meanwhile is skipped.
// The station database must outlive the view (the view listens to its removals).
class StationListView : public QWidget, public CommandTarget {
    Q_OBJECT
public:
    static constexpr int kListNumber = 10001; // ListCtrls value of the column widths
    static constexpr int kMenuId = 134;       // the "Station" popup
    static constexpr int kFirstRefreshMs = 5000;
    static constexpr int kRefreshMs = 60000;
    static constexpr int kLiveRefreshMs = 500; // at most twice a second while stations are heard

    StationListView(StationManager& stations, StationTracks& tracks, SettingsStore& settings, Clock& clock,
                    Prompter& prompter, DialogRunner& runner, QWidget* parent = nullptr);
    ~StationListView() override;

    // The widths the columns start with when none are stored.
    std::vector<int> initialColumnWidths() const;

    StationListModel* model() const { return m_model; }
    QTableView* table() const { return m_table; }
    QMenu* stationMenu() const { return m_menu; }

    // The stations selected, in display order; the current station (the row under the last
    // context menu while it is open, else the focused row).
    std::vector<StationKey> selectedStations() const;
    std::optional<StationKey> currentStation() const;
    // Selects exactly these stations (those shown), the first one current, and scrolls to it.
    void selectStations(const std::vector<StationKey>& keys);

    // The filter the find box and the filter boxes make up.
    StationFilter filter() const;

    // Header click: the sort column clicked again while ascending sorts descending; any other
    // click sorts that column ascending.
    void sortByColumnClick(int column);

    bool handlesCommand(int id) const override;
    bool isCommandChecked(int id) const override;
    void runCommand(int id) override;

public slots:
    // Takes a new snapshot now, keeping selection and scroll position by call.
    void refresh();
    // A station was heard or changed: refreshes within kLiveRefreshMs, or on the next showing
    // when hidden. Connect GlobalObjects::stationHeard(QString, bool) here; the arguments are not
    // needed.
    void noteChanged();

signals:
    void sendMessageRequested(const QString& call);
    void findBestMapRequested(const QString& call);
    // The Track command switched a station's track display; map views repaint it.
    void trackToggled(const QString& call, bool shown);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void loadColumnWidths();
    void saveColumnWidths();
    void showStationMenu(const QPoint& pos);
    void openDetails(const StationKey& key);
    void deleteStations(const std::vector<StationKey>& keys);
    void toggleTrack(const StationKey& key);
    void deleteTracks(const std::optional<StationKey>& key);
    void findNext();
    void filtersChanged();
    void updateCount();
    // The station at the top of the visible rows.
    std::optional<StationKey> topStation() const;
    void restoreView(const std::vector<StationKey>& selected, const std::optional<StationKey>& current,
                     const std::optional<StationKey>& top, bool ensureCurrentVisible);

    StationManager& m_stations;
    StationTracks& m_tracks;
    SettingsStore& m_settings;
    Clock& m_clock;
    Prompter& m_prompter;
    DialogRunner& m_runner;

    StationListModel* m_model = nullptr;
    QTableView* m_table = nullptr;
    QLineEdit* m_find = nullptr;
    QComboBox* m_typeFilter = nullptr;
    QComboBox* m_heardFilter = nullptr;
    QComboBox* m_ageFilter = nullptr;
    QLabel* m_count = nullptr;
    QMenu* m_menu = nullptr;

    std::unique_ptr<Timer> m_refreshTimer;
    std::unique_ptr<Timer> m_liveTimer;
    int m_removalObserver = 0;
    bool m_stale = true;
    // The station the open context menu was asked for; cleared once the menu has done its work.
    std::optional<StationKey> m_contextStation;
};
