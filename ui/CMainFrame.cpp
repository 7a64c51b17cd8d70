#include "ui/CMainFrame.h"

#include "app/GlobalObjects.h"
#include "app/Version.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/ui/DlgDeleteTracks.h"
#include "aprs/ui/DlgStationMobile.h"
#include "aprs/ui/DlgStationStatic.h"
#include "aprs/ui/DlgStationWether.h"
#include "aprs/ui/StationListView.h"
#include "aprsis/APRSServerClient.h"
#include "aprsis/ui/DlgAPRSFilter.h"
#include "aprsis/ui/DlgFilterArea.h"
#include "aprsis/ui/DlgFilterBud.h"
#include "aprsis/ui/DlgFilterRange.h"
#include "aprsis/ui/DlgGateWay.h"
#include "controls/DialogRunner.h"
#include "controls/MapViewTab.h"
#include "gps/CoordText.h"
#include "gps/ui/GPSView.h"
#include "maps/MbTilesFile.h"
#include "maps/ui/CQuillonView.h"
#include "maps/ui/CTileMapView.h"
#include "messaging/ui/DlgEditObject.h"
#include "messaging/ui/DlgKillObject.h"
#include "messaging/ui/DlgNewObject.h"
#include "messaging/ui/DlgSendMessage.h"
#include "messaging/ui/MessageNotifier.h"
#include "messaging/ui/MsgView.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "platform/Trace.h"
#include "ui/AppIcon.h"
#include "ui/FirstRunBanner.h"
#include "ui/LinkStatusBar.h"
#include "ui/MonitorView.h"
#include "ui/PlaceholderView.h"
#include "ui/PropertiesSheet.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <memory>

namespace {
// Commands that show a checked state.
bool isToggle(int id) {
    switch (id) {
    case Command::ConnectAprsServer:
    case Command::PauseMonitor:
    case Command::DrawCoverage:
    case Command::StationTrack:
    case Command::StationCoverage:
    case Command::ViewAllMessages:
    case Command::ViewOnlyMine:
    case Command::ViewOnlyBulletins:
    case Command::StationsAll:
    case Command::StationsFixed:
    case Command::StationsVehicles:
    case Command::StationsObjects:
    case Command::StationsWeather:
    case Command::StationsDigi:
    case Command::StationsTcpIp:
        return true;
    default:
        return false;
    }
}
} // namespace

CMainFrame::CMainFrame(GlobalObjects& station, Prompter& prompter, DialogRunner& dialogs,
                       MapViewFactory mapViews, QWidget* parent)
    : QMainWindow(parent), m_station(station), m_prompter(prompter), m_dialogs(dialogs),
      m_mapViewFactory(std::move(mapViews)) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QStringLiteral("Quillpad"));
    setWindowIcon(appIcon());
    buildActions();
    buildMenus();
    buildTabs();

    m_status = new LinkStatusBar(station, this);
    setStatusBar(m_status);

    readOwnSettings();
    restoreMapViews();
    onTabChanged(m_tabs->currentIndex());

    connect(&station, &GlobalObjects::frameHandled, this, &CMainFrame::onFrameHandled);
    connect(&station, &GlobalObjects::stationHeard, this, [this](const QString& call, bool fromInternet) {
        if (MapViewTab* map = mapViewAt(m_tabs->currentIndex())) map->stationHeard(call, fromInternet);
    });
    connect(&station, &GlobalObjects::linksChanged, this, &CMainFrame::updateCommandStates);
    connect(&station, &GlobalObjects::ownPacketHeard, this, [] { QApplication::beep(); });
    setupTray();

    resize(1280, 800);
    if (const auto geometry = read(station.settings(), Settings::WINDOW_GEOMETRY)) restoreGeometry(*geometry);
    if (const auto state = read(station.settings(), Settings::WINDOW_STATE)) restoreState(*state);
}

CMainFrame::~CMainFrame() {
    if (m_tray) m_tray->hide();
}

// --- building

void CMainFrame::buildActions() {
    const int ids[] = {Command::NewMapView,
                       Command::CloseMapView,
                       Command::Properties,
                       Command::TxPosition,
                       Command::ConnectAprsServer,
                       Command::SaveMapSelections,
                       Command::About,
                       Command::Exit,
                       Command::LoadMapFile,
                       Command::AddLayer,
                       Command::ZoomIn,
                       Command::ZoomOut,
                       Command::OriginalSize,
                       Command::FitToWindow,
                       Command::DrawCoverage,
                       Command::StationDelete,
                       Command::StationDetails,
                       Command::StationSendMessage,
                       Command::FindBestMap,
                       Command::StationTrack,
                       Command::StationCoverage,
                       Command::DeleteTracks,
                       Command::StopSending,
                       Command::Forward,
                       Command::Reply,
                       Command::SendMessage,
                       Command::ViewAllMessages,
                       Command::ViewOnlyMine,
                       Command::ViewOnlyBulletins,
                       Command::VirtualEarth,
                       Command::GoogleMaps,
                       Command::SaveMonitorWindow,
                       Command::NewObject,
                       Command::ObjectList,
                       Command::EditObject,
                       Command::KillObject,
                       Command::Alarms,
                       Command::QueryAll,
                       Command::QueryPositions,
                       Command::DeleteAllStations,
                       Command::ConnectPacketEngine,
                       Command::Copy,
                       Command::PauseMonitor,
                       Command::ShowMonitor,
                       Command::ShowStations,
                       Command::ShowMessages,
                       Command::ShowGps,
                       Command::Zoom10,
                       Command::Zoom20,
                       Command::Zoom30,
                       Command::Zoom40,
                       Command::Zoom50,
                       Command::Zoom100,
                       Command::Zoom200,
                       Command::Zoom400,
                       Command::StationsAll,
                       Command::StationsFixed,
                       Command::StationsVehicles,
                       Command::StationsObjects,
                       Command::StationsWeather,
                       Command::StationsDigi,
                       Command::StationsTcpIp};
    for (int id : ids) {
        auto* a = new QAction(Command::text(id), this);
        a->setObjectName(QStringLiteral("command%1").arg(id));
        a->setData(id);
        a->setShortcut(Command::shortcut(id));
        a->setCheckable(isToggle(id));
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
        addAction(a); // shortcuts work whatever has the focus
        m_actions.insert(id, a);
    }
}

void CMainFrame::buildMenus() {
    QMenuBar* bar = menuBar();
    const auto add = [this](QMenu* menu, std::initializer_list<int> ids) {
        for (int id : ids) {
            if (id == Command::Separator)
                menu->addSeparator();
            else
                menu->addAction(m_actions.value(id));
        }
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateCommandStates);
    };

    QMenu* file = bar->addMenu(tr("&File"));
    QMenu* fileNew = file->addMenu(tr("New"));
    // "Map File" under File > New is the same command as "New Map View".
    auto* mapFile = new QAction(tr("Map File"), this);
    connect(mapFile, &QAction::triggered, this, [this] { runCommand(Command::NewMapView); });
    connect(m_actions.value(Command::NewMapView), &QAction::enabledChanged, mapFile, &QAction::setEnabled);
    fileNew->addAction(mapFile);
    add(file, {Command::LoadMapFile, Command::AddLayer, Command::CloseMapView, Command::Separator,
               Command::SaveMapSelections, Command::SaveMonitorWindow, Command::Separator,
               Command::Properties, Command::Separator, Command::Exit});

    QMenu* edit = bar->addMenu(tr("&Edit"));
    add(edit, {Command::Copy, Command::Separator, Command::PauseMonitor});

    QMenu* view = bar->addMenu(tr("&View"));
    add(view, {Command::ShowMonitor, Command::ShowStations, Command::ShowMessages, Command::ShowGps,
               Command::Separator, Command::NewMapView, Command::ZoomIn, Command::ZoomOut,
               Command::OriginalSize, Command::FitToWindow});
    QMenu* zoom = view->addMenu(tr("Zoom"));
    add(zoom, {Command::Zoom10, Command::Zoom20, Command::Zoom30, Command::Zoom40, Command::Zoom50,
               Command::Zoom100, Command::Zoom200, Command::Zoom400});
    QMenu* stationFilter = view->addMenu(tr("Stations"));
    add(stationFilter,
        {Command::StationsAll, Command::StationsFixed, Command::StationsVehicles, Command::StationsObjects,
         Command::StationsWeather, Command::StationsDigi, Command::StationsTcpIp});
    add(view, {Command::DrawCoverage, Command::Separator, Command::VirtualEarth, Command::GoogleMaps});

    QMenu* stationMenu = bar->addMenu(tr("&Station"));
    add(stationMenu, {Command::StationDetails, Command::StationDelete, Command::StationSendMessage,
                      Command::FindBestMap, Command::StationTrack, Command::StationCoverage,
                      Command::DeleteTracks, Command::Separator, Command::DeleteAllStations});

    QMenu* messages = bar->addMenu(tr("&Messages"));
    add(messages,
        {Command::Reply, Command::Forward, Command::SendMessage, Command::StopSending, Command::Separator,
         Command::ViewAllMessages, Command::ViewOnlyMine, Command::ViewOnlyBulletins});

    QMenu* tools = bar->addMenu(tr("&Tools"));
    add(tools, {Command::TxPosition, Command::ConnectAprsServer, Command::ConnectPacketEngine});
    tools->addSeparator();
    QMenu* objects = tools->addMenu(tr("Objects"));
    add(objects, {Command::NewObject, Command::EditObject, Command::KillObject, Command::ObjectList});
    add(tools, {Command::Alarms});
    QMenu* queries = tools->addMenu(tr("Queries"));
    add(queries, {Command::QueryAll, Command::QueryPositions});
    tools->addSeparator();
    auto* setup = new QAction(tr("Setup..."), this);
    connect(setup, &QAction::triggered, this, [this] { runCommand(Command::Properties); });
    tools->addAction(setup);

    QMenu* help = bar->addMenu(tr("&Help"));
    add(help, {Command::About});

    m_tabPopup = new QMenu(this);
    m_tabPopup->setObjectName(QStringLiteral("tabPopup"));
    add(m_tabPopup, {Command::NewMapView, Command::CloseMapView});

    m_toolbar = addToolBar(tr("Toolbar"));
    m_toolbar->setObjectName(QStringLiteral("toolbar"));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_toolbar->setMovable(false);
}

void CMainFrame::buildTabs() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_banner = new FirstRunBanner(central);
    connect(m_banner, &FirstRunBanner::setupRequested, this, &CMainFrame::openProperties);
    layout->addWidget(m_banner);

    m_tabs = new QTabWidget(central);
    m_tabs->setObjectName(QStringLiteral("tabs"));
    m_tabs->setDocumentMode(true);
    m_tabs->tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tabs->tabBar(), &QWidget::customContextMenuRequested, this, &CMainFrame::showTabPopup);
    layout->addWidget(m_tabs, 1);
    setCentralWidget(central);

    m_monitor = new MonitorView(m_station.settings(), m_tabs);
    attachView(m_monitor);
    m_tabs->addTab(m_monitor, tr("Monitor"));

    m_stationList = new StationListView(m_station.stations(), m_station.tracks(), m_station.settings(),
                                        m_station.clock(), m_prompter, m_dialogs, m_tabs);
    attachView(m_stationList);
    m_tabs->addTab(m_stationList, tr("Stations"));
    connect(&m_station, &GlobalObjects::stationHeard, m_stationList, &StationListView::noteChanged);
    connect(m_stationList, &StationListView::sendMessageRequested, this, &CMainFrame::sendMessageTo);
    connect(m_stationList, &StationListView::findBestMapRequested, this, &CMainFrame::findBestMap);

    m_msgView =
        new MsgView(m_station.messages(), m_station.activePorts(), m_station.settings(), m_prompter, m_tabs);
    attachView(m_msgView);
    m_tabs->addTab(m_msgView, tr("Msg"));
    connect(&m_station, &GlobalObjects::activePortsChanged, m_msgView, &MsgView::RefillPorts);
    // New messages for the station: counted on the tab while it is not shown, and announced.
    connect(m_msgView, &MsgView::unreadChanged, this, [this](int count) {
        const int index = m_tabs->indexOf(m_msgView);
        if (index >= 0) m_tabs->setTabText(index, count > 0 ? tr("Msg (%1)").arg(count) : tr("Msg"));
    });
    m_notifier = new MessageNotifier(this);
    connect(m_msgView, &MsgView::announcement, m_notifier, &MessageNotifier::announce);

    m_gpsView = new GPSView(m_station.gps(), m_station.settings(), m_tabs);
    attachView(m_gpsView);
    m_tabs->addTab(m_gpsView, tr("GPS"));

    m_tabs->setCurrentIndex(0);
    connect(m_tabs, &QTabWidget::currentChanged, this, &CMainFrame::onTabChanged);
}

void CMainFrame::attachView(QWidget* view) {
    if (auto* target = dynamic_cast<CommandTarget*>(view))
        target->commandsChanged = [this] { updateCommandStates(); };
}

QWidget* CMainFrame::makeMapView() {
    QWidget* view = m_mapViewFactory ? m_mapViewFactory(m_tabs) : nullptr;
    if (view && dynamic_cast<MapViewTab*>(view)) return view;
    delete view;
    auto* map = new CQuillonView(m_station, m_prompter, m_dialogs, m_tabs);
    map->findBestMap = [this](const QString& call) { findBestMap(call); };
    map->sendMessage = [this](const QString& call) { sendMessageTo(call); };
    map->newObjectAt = [this](double latitude, double longitude) { newObjectAt(latitude, longitude); };
    map->openTileMap = [this, map](const QString& file) {
        if (newTileMapView(file, map)) return;
        // A file says why (not SQLite, no tiles table, vector tiles).
        MbTilesFile probe;
        const QString why = file.endsWith(QLatin1String(".mbtiles"), Qt::CaseInsensitive) && !probe.open(file)
                                ? QStringLiteral(": ") + probe.error()
                                : QString();
        m_prompter.report(tr("The tile map %1 could not be opened%2.").arg(file, why), Prompter::Icon::Stop);
    };
    return map;
}

MapViewTab* CMainFrame::newTileMapView(const QString& file, QWidget* replacing) {
    auto* map = new CTileMapView(m_station, m_prompter, m_dialogs, m_tabs);
    if (!map->loadMap(file)) {
        delete map;
        return nullptr;
    }
    map->findBestMap = [this](const QString& call) { findBestMap(call); };
    map->sendMessage = [this](const QString& call) { sendMessageTo(call); };
    map->newObjectAt = [this](double latitude, double longitude) { newObjectAt(latitude, longitude); };
    const int index = replacing ? m_tabs->indexOf(replacing) : -1;
    MapViewTab* view = addMapViewTab(map, index);
    if (index >= 0) {
        m_tabs->removeTab(index + 1);
        replacing->deleteLater();
        m_tabs->setCurrentIndex(index);
    }
    return view;
}

void CMainFrame::sendMessageTo(const QString& call) {
    // The dialog queues through the manager; its refusal of a bulletin is the manager's prompt.
    sendMessageToStation(this, call, m_station.stations(), m_station.messages(), m_station.activePorts(),
                         m_prompter, m_dialogs);
}

void CMainFrame::findBestMap(const QString& call) {
    double latitude = 0;
    double longitude = 0;
    {
        StationManager& stations = m_station.stations();
        QMutexLocker guard(&stations.lock());
        const StationRecord* record = stations.FindByCall(call);
        if (!record) return;
        latitude = record->latitude;
        longitude = record->longitude;
    }
    // The smallest open map that shows the station, centred on it.
    int best = -1;
    double bestArea = 0;
    for (int i = kFixedTabs; i < m_tabs->count(); ++i) {
        const MapViewTab* view = mapViewAt(i);
        const double area = view ? view->areaContaining(latitude, longitude) : -1;
        if (area > 0 && (best < 0 || area < bestArea)) {
            best = i;
            bestArea = area;
        }
    }
    if (best < 0) {
        m_prompter.report(tr("No open map shows %1.").arg(call), Prompter::Icon::Information);
        return;
    }
    m_tabs->setCurrentIndex(best);
    mapViewAt(best)->centreOn(latitude, longitude);
}

void CMainFrame::restoreMapViews() {
    SettingsStore& settings = m_station.settings();
    for (int n = 0;; ++n) {
        const QString file = read(settings, Settings::MAPVIEW, n);
        if (file == QLatin1String("0")) break;
        MapViewTab* view = CTileMapView::isTileMapFile(file) ? newTileMapView(file) : nullptr;
        if (!view) {
            view = newMapView();
            if (!view->loadMap(file))
                Trace::write(QStringLiteral("map view %1: cannot load %2").arg(n).arg(file));
        }
        if (const auto zoom = read(settings, Settings::MAPZOOM, n)) view->setVisibleArea(*zoom);
    }
    const int active = read(settings, Settings::ACTIVE);
    if (active >= 0 && active < mapViewCount() + kFixedTabs)
        m_tabs->setCurrentIndex(active);
    else
        m_tabs->setCurrentIndex(0);
}

// --- views and tabs

QWidget* CMainFrame::activeView() const {
    return m_tabs->currentWidget();
}

int CMainFrame::mapViewCount() const {
    return m_tabs->count() - kFixedTabs;
}

MapViewTab* CMainFrame::mapViewAt(int tabIndex) const {
    if (tabIndex < kFixedTabs) return nullptr;
    return dynamic_cast<MapViewTab*>(m_tabs->widget(tabIndex));
}

MapViewTab* CMainFrame::newMapView() {
    return addMapViewTab(makeMapView(), -1);
}

MapViewTab* CMainFrame::addMapViewTab(QWidget* widget, int at) {
    auto* view = dynamic_cast<MapViewTab*>(widget);
    attachView(widget);
    // A file name may hold '&', which a tab would take for a keyboard accelerator.
    const auto tabText = [](const MapViewTab* v) {
        return v->caption().replace(QLatin1Char('&'), QLatin1String("&&"));
    };
    const int index =
        at >= 0 ? m_tabs->insertTab(at, widget, tabText(view)) : m_tabs->addTab(widget, tabText(view));
    view->captionChanged = [this, widget, tabText] {
        const int i = m_tabs->indexOf(widget);
        if (auto* v = dynamic_cast<MapViewTab*>(widget); i >= 0 && v) m_tabs->setTabText(i, tabText(v));
    };
    m_tabs->setCurrentIndex(index);
    return view;
}

void CMainFrame::closeMapView() {
    const int index = m_tabs->currentIndex();
    // The fixed tabs never close.
    if (index < kFixedTabs || !mapViewAt(index)) return;
    QWidget* view = m_tabs->widget(index);
    m_tabs->setCurrentIndex(index - 1);
    m_tabs->removeTab(index);
    view->deleteLater();
}

void CMainFrame::onTabChanged(int index) {
    m_activeIndex = index;
    rebuildToolbar();
    updateCommandStates();
    if (QWidget* view = activeView()) view->setFocus();
}

std::vector<int> CMainFrame::toolbarFor(int tabIndex) {
    using namespace Command;
    switch (tabIndex) {
    case 0:
    case 3:
        return {NewMapView, LoadMapFile, Separator, TxPosition, Properties};
    case 1:
        return {StationDelete, StationDetails, StationSendMessage, FindBestMap};
    case 2:
        return {Reply,     Forward,      Separator,       SendMessage,      StopSending,
                Separator, ViewOnlyMine, ViewAllMessages, ViewOnlyBulletins};
    default:
        return {NewMapView, LoadMapFile,  AddLayer,    Separator, ZoomOut,
                ZoomIn,     OriginalSize, FitToWindow, Separator, TxPosition};
    }
}

std::vector<int> CMainFrame::currentToolbar() const {
    std::vector<int> ids;
    for (QAction* a : m_toolbar->actions()) ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
    return ids;
}

void CMainFrame::rebuildToolbar() {
    m_toolbar->clear();
    for (int id : toolbarFor(m_activeIndex)) {
        if (id == Command::Separator)
            m_toolbar->addSeparator();
        else
            m_toolbar->addAction(m_actions.value(id));
    }
}

void CMainFrame::showTabPopup(const QPoint& pos) {
    // A right click selects the tab under the pointer, so "Close" acts on that tab.
    const int index = m_tabs->tabBar()->tabAt(pos);
    if (index >= 0) m_tabs->setCurrentIndex(index);
    updateCommandStates();
    m_tabPopup->popup(m_tabs->tabBar()->mapToGlobal(pos));
}

// --- commands

bool CMainFrame::frameHandles(int id) const {
    switch (id) {
    case Command::NewMapView:
    case Command::Properties:
    case Command::TxPosition:
    case Command::ConnectAprsServer:
    case Command::SaveMapSelections:
    case Command::About:
    case Command::Exit:
    case Command::ShowMonitor:
    case Command::ShowStations:
    case Command::ShowMessages:
    case Command::ShowGps:
    case Command::NewObject:
        return true;
    case Command::EditObject:
    case Command::KillObject:
        return m_station.objects().hasLiveObjects();
    case Command::CloseMapView:
        return mapViewAt(m_tabs->currentIndex()) != nullptr;
    default:
        return false;
    }
}

bool CMainFrame::isCommandEnabled(int id) const {
    const auto* target = dynamic_cast<const CommandTarget*>(activeView());
    return (target && target->handlesCommand(id)) || frameHandles(id);
}

void CMainFrame::updateCommandStates() {
    const auto* target = dynamic_cast<const CommandTarget*>(activeView());
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const int id = it.key();
        QAction* a = it.value();
        a->setEnabled(isCommandEnabled(id));
        if (!a->isCheckable()) continue;
        if (id == Command::ConnectAprsServer)
            a->setChecked(m_station.aprsClient() != nullptr);
        else
            a->setChecked(target && target->handlesCommand(id) && target->isCommandChecked(id));
    }
}

void CMainFrame::runCommand(int id) {
    try {
        auto* target = dynamic_cast<CommandTarget*>(activeView());
        if (target && target->handlesCommand(id))
            target->runCommand(id);
        else if (frameHandles(id))
            runFrameCommand(id);
    } catch (...) {
        Trace::write(QStringLiteral("Catch Error"));
    }
    updateCommandStates();
}

void CMainFrame::runFrameCommand(int id) {
    switch (id) {
    case Command::NewMapView:
        newMapView();
        break;
    case Command::CloseMapView:
        closeMapView();
        break;
    case Command::Properties:
        openProperties();
        break;
    case Command::TxPosition:
        if (!m_station.hasOwnCall()) {
            if (m_prompter.askYesNo(tr("No call sign is set, so the station transmits nothing.\n"
                                       "Open the setup now?"),
                                    Prompter::Icon::Question) == Prompter::Answer::Yes)
                openProperties();
            break;
        }
        m_station.sendPositionNow();
        break;
    case Command::ConnectAprsServer:
        toggleAprsServer();
        break;
    case Command::SaveMapSelections:
        saveMapSelections();
        break;
    case Command::About:
        showAbout();
        break;
    case Command::Exit:
        close();
        break;
    case Command::ShowMonitor:
        m_tabs->setCurrentIndex(0);
        break;
    case Command::ShowStations:
        m_tabs->setCurrentIndex(1);
        break;
    case Command::ShowMessages:
        m_tabs->setCurrentIndex(2);
        break;
    case Command::ShowGps:
        m_tabs->setCurrentIndex(3);
        break;
    case Command::NewObject:
        newObjectAt(m_ownLatitude, m_ownLongitude);
        break;
    case Command::EditObject:
        editObject();
        break;
    case Command::KillObject:
        killObject();
        break;
    default:
        break;
    }
}

void CMainFrame::saveMapSelections() {
    SettingsStore& settings = m_station.settings();
    for (int n = 0; read(settings, Settings::MAPVIEW, n) != QLatin1String("0"); ++n)
        write(settings, Settings::MAPVIEW, n, QStringLiteral("0"));
    int k = 0;
    for (int i = kFixedTabs; i < m_tabs->count(); ++i) {
        const MapViewTab* view = mapViewAt(i);
        if (!view) continue;
        write(settings, Settings::MAPVIEW, k, view->mapFile());
        write(settings, Settings::MAPZOOM, k, view->visibleArea());
        ++k;
    }
    write(settings, Settings::ACTIVE, m_tabs->currentIndex());
}

QDialog* CMainFrame::makeProperties(QWidget* parent) {
    if (m_propertiesFactory) return m_propertiesFactory(parent);
    return new PropertiesSheet(m_station.settings(), m_prompter, m_dialogs, m_station.enginePorts(), parent);
}

void CMainFrame::newObjectAt(double latitude, double longitude) {
    DlgNewObject dialog(m_station.objects(), m_prompter, latitude, longitude, this);
    // Saved at once: an object the user made is not lost to a crash before shutdown.
    if (m_dialogs.run(dialog) == QDialog::Accepted) m_station.objects().Save();
    updateCommandStates();
}

void CMainFrame::editObject(const QString& name) {
    DlgEditObject dialog(m_station.objects(), m_prompter, name, this);
    if (m_dialogs.run(dialog) == QDialog::Accepted) m_station.objects().Save();
}

void CMainFrame::killObject(const QString& name) {
    DlgKillObject dialog(m_station.objects(), name, this);
    if (m_dialogs.run(dialog) == QDialog::Accepted) m_station.objects().Save();
    updateCommandStates();
}

void CMainFrame::openProperties() {
    std::unique_ptr<QDialog> dialog(makeProperties(this));
    m_dialogs.run(*dialog);
    dialog.reset();
    // Whatever the result: the settings may have changed under the running station.
    m_station.RebuildActivePorts();
    readOwnSettings();
    m_monitor->reloadSettings();
    for (int i = kFixedTabs; i < m_tabs->count(); ++i)
        if (auto* tiles = qobject_cast<CTileMapView*>(m_tabs->widget(i))) tiles->reloadSettings();
}

void CMainFrame::toggleAprsServer() {
    // Connected: the command disconnects. Otherwise the server dialog stores the choice, and Ok
    // connects with what it stored.
    m_station.toggleAPRSServer([this] {
        DlgGateWay dialog(m_station.settings(), m_station.home(), m_prompter, m_dialogs, this);
        return m_dialogs.run(dialog) == QDialog::Accepted;
    });
}

void CMainFrame::showAbout() {
    QMessageBox box(QMessageBox::Information, tr("About Quillpad"),
                    tr("Quillpad\n%1\n\nAn APRS station: packet engine and APRS-IS links, station database, "
                       "messages and GPS beaconing.")
                        .arg(ProgramVersion::current().text()),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("about"));
    box.setTextFormat(Qt::PlainText);
    box.setIconPixmap(appIcon().pixmap(64, 64));
    m_dialogs.run(box);
}

std::vector<std::pair<QString, CMainFrame::DialogFactory>> CMainFrame::dialogFactories() {
    std::vector<std::pair<QString, DialogFactory>> list;
    list.emplace_back(QStringLiteral("PropertiesSheet"),
                      [this](QWidget* parent) { return makeProperties(parent); });
    // The station dialogs show a station of their type from the database, or a made-up one.
    const auto station = [this](int type) {
        StationManager& stations = m_station.stations();
        QMutexLocker lock(&stations.lock());
        for (int i = stations.count() - 1; i >= 0; --i)
            if (const StationRecord* r = stations.at(i); r->stationType == type) return StationRecord(*r);
        StationRecord sample;
        sample.call = QStringLiteral("N0CALL-9");
        sample.stationType = type;
        sample.latitude = 40.598;
        sample.longitude = 22.97;
        sample.comment = QStringLiteral("made up for the screenshot");
        if (type == StationType::Weather) {
            sample.symbolCode = '_';
            sample.weather.temperature = 68;
            sample.weather.pressure = 10132;
            sample.weather.humidity = 55;
            sample.weather.windDirection = 220;
            sample.weather.windSpeed = 8;
        }
        return sample;
    };
    list.emplace_back(QStringLiteral("DlgStationStatic"), [this, station](QWidget* parent) -> QDialog* {
        return new DlgStationStatic(station(StationType::Fixed), m_station.settings(), parent);
    });
    list.emplace_back(QStringLiteral("DlgStationMobile"), [this, station](QWidget* parent) -> QDialog* {
        return new DlgStationMobile(station(StationType::Mobile), m_station.settings(), parent);
    });
    list.emplace_back(QStringLiteral("DlgStationWether"), [this, station](QWidget* parent) -> QDialog* {
        const StationRecord weather = station(StationType::Weather);
        return new DlgStationWether(weather, pressureTrend(m_station.tracks().readTrack(weather.call)),
                                    m_station.settings(), parent);
    });
    list.emplace_back(QStringLiteral("DlgDeleteTracks"),
                      [](QWidget* parent) -> QDialog* { return new DlgDeleteTracks(120, parent); });
    list.emplace_back(QStringLiteral("DlgGateWay"), [this](QWidget* parent) -> QDialog* {
        return new DlgGateWay(m_station.settings(), m_station.home(), m_prompter, m_dialogs, parent);
    });
    list.emplace_back(QStringLiteral("DlgAPRSFilter"), [this](QWidget* parent) -> QDialog* {
        return new DlgAPRSFilter(read(m_station.settings(), Settings::APRSRVFILTER), m_prompter, m_dialogs,
                                 parent, &m_station.stations());
    });
    list.emplace_back(QStringLiteral("DlgFilterRange"), [this](QWidget* parent) -> QDialog* {
        return new DlgFilterRange(QStringLiteral("r/40.6/22.9/100"), m_prompter, parent);
    });
    list.emplace_back(QStringLiteral("DlgFilterArea"), [this](QWidget* parent) -> QDialog* {
        return new DlgFilterArea(QStringLiteral("a/41/22/40/24"), m_prompter, parent);
    });
    list.emplace_back(QStringLiteral("DlgFilterBud"), [this](QWidget* parent) -> QDialog* {
        return new DlgFilterBud(QStringLiteral("N0CALL-9"), m_prompter, parent);
    });
    list.emplace_back(QStringLiteral("DlgSendMessage"), [this](QWidget* parent) -> QDialog* {
        QString call = QStringLiteral("N0CALL-9");
        {
            StationManager& stations = m_station.stations();
            QMutexLocker lock(&stations.lock());
            if (stations.count() > 0) call = stations.at(stations.count() - 1)->call;
        }
        return new DlgSendMessage(call, DlgSendMessage::heardPathsOf(m_station.stations(), call),
                                  m_station.activePorts(), m_prompter, parent);
    });
    // The object dialogs show the station's objects, or a made-up one that the dialog keeps.
    const auto objectDialog = [this](auto make) {
        return [this, make](QWidget* parent) -> QDialog* {
            if (m_station.objects().hasLiveObjects()) return make(m_station.objects(), parent);
            auto* sample = new OwnObjectsManager(StationHome(QString()), m_station.clock(), {});
            OwnObjectFields f;
            f.name = QStringLiteral("FIELDDAY");
            f.latitude = 40.598;
            f.longitude = 22.97;
            f.symbolTable = '\\';
            f.symbolCode = ';';
            f.comment = QStringLiteral("made up for the screenshot");
            sample->addObject(f);
            QDialog* dialog = make(*sample, parent);
            sample->setParent(dialog);
            return dialog;
        };
    };
    list.emplace_back(QStringLiteral("DlgNewObject"), [this](QWidget* parent) -> QDialog* {
        return new DlgNewObject(m_station.objects(), m_prompter, m_ownLatitude, m_ownLongitude, parent);
    });
    list.emplace_back(QStringLiteral("DlgEditObject"),
                      objectDialog([this](OwnObjectsManager& o, QWidget* parent) {
                          return new DlgEditObject(o, m_prompter, {}, parent);
                      }));
    list.emplace_back(
        QStringLiteral("DlgKillObject"),
        objectDialog([](OwnObjectsManager& o, QWidget* parent) { return new DlgKillObject(o, {}, parent); }));
    list.emplace_back(QStringLiteral("AboutBox"), [](QWidget* parent) -> QDialog* {
        auto* box = new QMessageBox(QMessageBox::Information, tr("About Quillpad"),
                                    tr("Quillpad\n%1").arg(ProgramVersion::current().text()), QMessageBox::Ok,
                                    parent);
        box->setIconPixmap(appIcon().pixmap(64, 64));
        return box;
    });
    return list;
}

// --- frames and settings

void CMainFrame::onFrameHandled(const ReceivedFrame& frame) {
    try {
        m_monitor->addFrame(frame);
    } catch (...) {
        Trace::write(QStringLiteral("Catch Error"));
    }
}

void CMainFrame::readOwnSettings() {
    SettingsStore& settings = m_station.settings();
    m_ownCall = read(settings, Settings::MYCALL);
    m_mobileCall = read(settings, Settings::GPS_CALL);
    try {
        m_ownLatitude = CoordText::fromAprsLatitude(read(settings, Settings::POSLATITUDE)).value();
        m_ownLongitude = CoordText::fromAprsLongitude(read(settings, Settings::POSLONGITUDE)).value();
    } catch (...) {
        Trace::write(QStringLiteral("own position unreadable"));
    }
    m_monitor->setOwnCalls(m_ownCall, m_mobileCall);
    m_banner->setVisible(!m_station.hasOwnCall());
}

// --- window

void CMainFrame::setupTray() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    m_tray = new QSystemTrayIcon(appIcon(), this);
    m_tray->setToolTip(QStringLiteral("Quillon"));
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Trigger:
        case QSystemTrayIcon::DoubleClick:
        case QSystemTrayIcon::Context:
        case QSystemTrayIcon::MiddleClick:
            restoreFromTray();
            break;
        default:
            break;
        }
    });
    m_tray->show();
    m_notifier->setTray(m_tray);
}

void CMainFrame::restoreFromTray() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    write(m_station.settings(), Settings::WINDOW_GEOMETRY, saveGeometry());
    write(m_station.settings(), Settings::WINDOW_STATE, saveState());
    if (m_tray) m_tray->hide();
    event->accept();
}
