#include "controls/CommandIds.h"

namespace Command {

QString text(int id) {
    switch (id) {
    case NewMapView:
        return QStringLiteral("New Map View");
    case CloseMapView:
        return QStringLiteral("Close");
    case Properties:
        return QStringLiteral("Properties...");
    case TxPosition:
        return QStringLiteral("Tx Position");
    case ConnectAprsServer:
        return QStringLiteral("Connect To APRS Server...");
    case SaveMapSelections:
        return QStringLiteral("Save Current Map Selections");
    case About:
        return QStringLiteral("About...");
    case Exit:
        return QStringLiteral("Exit");
    case LoadMapFile:
        return QStringLiteral("Load Map File...");
    case AddLayer:
        return QStringLiteral("Add Layer...");
    case ZoomIn:
        return QStringLiteral("Zoom In");
    case ZoomOut:
        return QStringLiteral("Zoom Out");
    case OriginalSize:
        return QStringLiteral("Original Size");
    case FitToWindow:
        return QStringLiteral("Fit To Window");
    case DrawCoverage:
        return QStringLiteral("Draw Coverage Area");
    case StationDelete:
        return QStringLiteral("Delete");
    case StationDetails:
        return QStringLiteral("Details...");
    case StationSendMessage:
        return QStringLiteral("Send Message...");
    case FindBestMap:
        return QStringLiteral("Find Best Map");
    case StationTrack:
        return QStringLiteral("Track");
    case StationCoverage:
        return QStringLiteral("Draw Coverage Area");
    case DeleteTracks:
        return QStringLiteral("Delete Tracks...");
    case StopSending:
        return QStringLiteral("Stop Sending It");
    case Forward:
        return QStringLiteral("Forward");
    case Reply:
        return QStringLiteral("Reply");
    case SendMessage:
        return QStringLiteral("Send Message");
    case ViewAllMessages:
        return QStringLiteral("View All");
    case ViewOnlyMine:
        return QStringLiteral("View Only Mine");
    case ViewOnlyBulletins:
        return QStringLiteral("View Only Bulletins");
    case VirtualEarth:
        return QStringLiteral("Virtual Earth");
    case GoogleMaps:
        return QStringLiteral("Google Maps");
    case SaveMonitorWindow:
        return QStringLiteral("Save Monitor Window");
    case NewObject:
        return QStringLiteral("New Object...");
    case ObjectList:
        return QStringLiteral("Object List...");
    case EditObject:
        return QStringLiteral("Edit Object...");
    case KillObject:
        return QStringLiteral("Kill Object...");
    case Alarms:
        return QStringLiteral("Alarms...");
    case QueryAll:
        return QStringLiteral("Query All Stations");
    case QueryPositions:
        return QStringLiteral("Query Positions");
    case DeleteAllStations:
        return QStringLiteral("Delete All Stations");
    case ConnectPacketEngine:
        return QStringLiteral("Connect To Packet Engine");
    case Zoom10:
        return QStringLiteral("10%");
    case Zoom20:
        return QStringLiteral("20%");
    case Zoom30:
        return QStringLiteral("30%");
    case Zoom40:
        return QStringLiteral("40%");
    case Zoom50:
        return QStringLiteral("50%");
    case Zoom100:
        return QStringLiteral("100%");
    case Zoom200:
        return QStringLiteral("200%");
    case Zoom400:
        return QStringLiteral("400%");
    case StationsAll:
        return QStringLiteral("All");
    case StationsFixed:
        return QStringLiteral("Fixed");
    case StationsVehicles:
        return QStringLiteral("Vehicles");
    case StationsObjects:
        return QStringLiteral("Objects");
    case StationsWeather:
        return QStringLiteral("Weather");
    case StationsDigi:
        return QStringLiteral("Digi");
    case StationsTcpIp:
        return QStringLiteral("TCP/IP");
    case Copy:
        return QStringLiteral("Copy");
    case PauseMonitor:
        return QStringLiteral("Pause Monitor");
    case ShowMonitor:
        return QStringLiteral("Monitor");
    case ShowStations:
        return QStringLiteral("Stations");
    case ShowMessages:
        return QStringLiteral("Msg");
    case ShowGps:
        return QStringLiteral("GPS");
    default:
        return {};
    }
}

QKeySequence shortcut(int id) {
    switch (id) {
    case NewMapView:
        return QKeySequence(Qt::CTRL | Qt::Key_N);
    case CloseMapView:
        return QKeySequence(Qt::CTRL | Qt::Key_W);
    case Properties:
        return QKeySequence(Qt::CTRL | Qt::Key_Comma);
    case TxPosition:
        return QKeySequence(Qt::CTRL | Qt::Key_T);
    case Exit:
        return QKeySequence(Qt::CTRL | Qt::Key_Q);
    case ZoomIn:
        return QKeySequence(QKeySequence::ZoomIn);
    case ZoomOut:
        return QKeySequence(QKeySequence::ZoomOut);
    case OriginalSize:
        return QKeySequence(Qt::CTRL | Qt::Key_0);
    case FitToWindow:
        return QKeySequence(Qt::CTRL | Qt::Key_9);
    case Copy:
        return QKeySequence(QKeySequence::Copy);
    case PauseMonitor:
        return QKeySequence(Qt::Key_Pause);
    case ShowMonitor:
        return QKeySequence(Qt::CTRL | Qt::Key_1);
    case ShowStations:
        return QKeySequence(Qt::CTRL | Qt::Key_2);
    case ShowMessages:
        return QKeySequence(Qt::CTRL | Qt::Key_3);
    case ShowGps:
        return QKeySequence(Qt::CTRL | Qt::Key_4);
    default:
        return {};
    }
}

} // namespace Command
