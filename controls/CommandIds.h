#pragma once

#include <QKeySequence>
#include <QString>
#include <functional>

// The station's commands: menu entries, toolbar buttons and popup entries share these numbers.
// The main window routes each to the active view first, then handles its own; a command nobody
// handles is shown disabled.
namespace Command {
enum Id : int {
    Separator = 0,
    // Main window
    NewMapView = 57613,
    CloseMapView = 32847,
    Properties = 32804,
    TxPosition = 32834,
    ConnectAprsServer = 32838,
    SaveMapSelections = 32830,
    About = 57664,
    Exit = 57665,
    // Map views
    LoadMapFile = 32844,
    AddLayer = 32874,
    ZoomIn = 32848,
    ZoomOut = 32849,
    OriginalSize = 32850,
    FitToWindow = 32851,
    DrawCoverage = 32812,
    // Station menu (station list and map views)
    StationDelete = 32779,
    StationDetails = 32781,
    StationSendMessage = 32783,
    FindBestMap = 32775,
    StationTrack = 32773,
    StationCoverage = 32780,
    DeleteTracks = 32776,
    // Messages
    StopSending = 32787,
    Forward = 32788,
    Reply = 32789,
    SendMessage = 32865,
    ViewAllMessages = 32855,
    ViewOnlyMine = 32856,
    ViewOnlyBulletins = 32857,
    // Entries without behaviour in this edition: always disabled.
    VirtualEarth = 32860,
    GoogleMaps = 32861,
    SaveMonitorWindow = 32862,
    NewObject = 32863,
    ObjectList = 32864,
    Alarms = 33101,
    QueryAll = 33102,
    QueryPositions = 33103,
    DeleteAllStations = 33104,
    ConnectPacketEngine = 33105,
    // The ZOOM popup of map views: zoom in by 10, 20, 30, 40, 50, 100, 200 and 400 points.
    Zoom10 = 32866,
    Zoom20 = 32867,
    Zoom30 = 32868,
    Zoom40 = 32869,
    Zoom50 = 32870,
    Zoom100 = 32871,
    Zoom200 = 32872,
    Zoom400 = 32873,
    // View > Stations: the map views' station-type filter.
    StationsAll = 33040,
    StationsFixed = 33041,
    StationsVehicles = 33042,
    StationsObjects = 33043,
    StationsWeather = 33044,
    StationsDigi = 33045,
    StationsTcpIp = 33046,
    // The desktop's additions
    Copy = 57634,
    PauseMonitor = 33001,
    ShowMonitor = 33011,
    ShowStations = 33012,
    ShowMessages = 33013,
    ShowGps = 33014,
    EditObject = 33021,
    KillObject = 33022,
};

// The menu text of a command ("&" marks the keyboard accelerator); empty for unknown ids.
QString text(int id);
// The standard shortcut of a command, or none.
QKeySequence shortcut(int id);
} // namespace Command

// A view's side of command routing. The main window asks the active view first; a view that
// handles a command runs it, and the window runs its own commands only when the view does not.
class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    // Whether the view handles the command now (a view may handle it only with a selection).
    virtual bool handlesCommand(int id) const {
        (void)id;
        return false;
    }
    // For toggles: whether the command shows checked.
    virtual bool isCommandChecked(int id) const {
        (void)id;
        return false;
    }
    virtual void runCommand(int id) { (void)id; }
    // The view tells the window that what it handles has changed (selection, mode); set by the
    // window.
    std::function<void()> commandsChanged;

protected:
    void notifyCommandsChanged() const {
        if (commandsChanged) commandsChanged();
    }
};
