#pragma once

#include "controls/CommandIds.h"
#include "engine/ReceivedFrame.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <vector>

class DialogRunner;
class FirstRunBanner;
class GPSView;
class GlobalObjects;
class LinkStatusBar;
class MapViewTab;
class MessageNotifier;
class MonitorView;
class MsgView;
class StationListView;
class Prompter;
class QAction;
class QDialog;
class QMenu;
class QSystemTrayIcon;
class QTabWidget;
class QToolBar;

// The station's main window: the tab row with the four fixed views (Monitor, Stations, Msg, GPS)
// and any number of map views after them, the menu bar and the toolbar of the selected tab, the
// link status bar and the tray icon. Commands go to the active view first; a command that neither
// the view nor the window handles is disabled. The station's minute tick is the core's; the
// window starts no timer of its own for it.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kFixedTabs = 4;
    // Makes a map view tab: a widget that is also a MapViewTab.
    using MapViewFactory = std::function<QWidget*(QWidget* parent)>;
    // Makes the setup dialog ("Properties").
    using DialogFactory = std::function<QDialog*(QWidget* parent)>;

    CMainFrame(GlobalObjects& station, Prompter& prompter, DialogRunner& dialogs,
               MapViewFactory mapViews = {}, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Replaces the setup sheet (tests).
    void setPropertiesFactory(DialogFactory factory) { m_propertiesFactory = std::move(factory); }

    // The command routing: the active view when it handles the command, else the window.
    void runCommand(int id);
    bool isCommandEnabled(int id) const;
    QAction* action(int id) const { return m_actions.value(id); }
    // The toolbar of a tab, as command ids (0 a separator).
    static std::vector<int> toolbarFor(int tabIndex);
    std::vector<int> currentToolbar() const;

    QTabWidget* tabs() const { return m_tabs; }
    QWidget* activeView() const;
    int mapViewCount() const;
    MapViewTab* mapViewAt(int tabIndex) const;
    MonitorView* monitor() const { return m_monitor; }

    // Map views: open a new one ("Untitled") and select it; close the selected one (fixed tabs
    // never close).
    MapViewTab* newMapView();
    // A tile map view ("tiles:NAME" or an .mbtiles file) as a new tab, or in place of the tab at
    // `replacing` (an empty map view turning into one); null when the source cannot be opened.
    MapViewTab* newTileMapView(const QString& file, QWidget* replacing = nullptr);
    // "Find Best Map": the smallest open map that contains the station, centred on it.
    void findBestMap(const QString& call);
    // "Send Message" for a station: the send dialog, then the message queued.
    void sendMessageTo(const QString& call);
    MsgView* messageView() const { return m_msgView; }
    void closeMapView();
    // The own-object dialogs. New Object opens at the given point (the map view's context menu
    // passes the point clicked; the menu command the station's own position); Edit and Kill open
    // on the named object, or the first one. Each saves the objects when confirmed.
    void newObjectAt(double latitude, double longitude);
    void editObject(const QString& name = {});
    void killObject(const QString& name = {});
    // Writes MAPVIEW%d and MAPZOOM%d for every open map view in tab order, after clearing the
    // entries saved before.
    void saveMapSelections();

    // Own call, mobile call and own position as last read from the settings.
    const QString& ownCall() const { return m_ownCall; }
    const QString& mobileCall() const { return m_mobileCall; }
    double ownLatitude() const { return m_ownLatitude; }
    double ownLongitude() const { return m_ownLongitude; }

    // The dialogs this window can open, by class name, for screenshots: each made on demand.
    std::vector<std::pair<QString, DialogFactory>> dialogFactories();

public slots:
    // Brings the window back from the tray or from being minimised.
    void restoreFromTray();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildActions();
    void buildMenus();
    void buildTabs();
    void restoreMapViews();
    void attachView(QWidget* view);
    void onTabChanged(int index);
    void rebuildToolbar();
    void updateCommandStates();
    bool frameHandles(int id) const;
    void runFrameCommand(int id);
    void showTabPopup(const QPoint& pos);
    void onFrameHandled(const ReceivedFrame& frame);
    void readOwnSettings();
    void openProperties();
    QDialog* makeProperties(QWidget* parent);
    void toggleAprsServer();
    void showAbout();
    void setupTray();
    QWidget* makeMapView();
    MapViewTab* addMapViewTab(QWidget* widget, int index);

    GlobalObjects& m_station;
    Prompter& m_prompter;
    DialogRunner& m_dialogs;
    MapViewFactory m_mapViewFactory;
    DialogFactory m_propertiesFactory;
    QHash<int, QAction*> m_actions;
    QTabWidget* m_tabs = nullptr;
    QToolBar* m_toolbar = nullptr;
    LinkStatusBar* m_status = nullptr;
    FirstRunBanner* m_banner = nullptr;
    MonitorView* m_monitor = nullptr;
    GPSView* m_gpsView = nullptr;
    StationListView* m_stationList = nullptr;
    MsgView* m_msgView = nullptr;
    MessageNotifier* m_notifier = nullptr;
    QMenu* m_tabPopup = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    QString m_ownCall, m_mobileCall;
    double m_ownLatitude = 0.0, m_ownLongitude = 0.0;
    int m_activeIndex = -1;
};
