#pragma once

// Every setting the station uses: section, name and the default as read. Code reads a setting
// through these descriptors (settings.read(Settings::POSEVERY)), so a name or a default lives in
// one place. Where two readers use different defaults, the descriptor names the reader.

#include "platform/SettingsStore.h"

namespace Settings {

struct Int {
    const char* section;
    const char* name;
    int defaultValue;
};
struct Text {
    const char* section;
    const char* name;
    const char* defaultValue;
};
struct Binary {
    const char* section;
    const char* name;
};
// A numbered family: the number is appended to the name ("BTIME" + 0 = "BTIME0", "ENABLERP" + -1).
struct IntFamily {
    const char* section;
    const char* name;
    int defaultValue;
};
struct TextFamily {
    const char* section;
    const char* name;
    const char* defaultValue;
};
struct BinaryFamily {
    const char* section;
    const char* name;
};

inline constexpr const char* kSettings = "SETTINGS";
inline constexpr const char* kLocations = "SETTINGS\\LOCATIONS";
inline constexpr const char* kShape = "SETTINGS\\SHAPE";
inline constexpr const char* kStatus = "STATUS";
inline constexpr const char* kGps = "GPS";
inline constexpr const char* kMsgs = "MSGS";
inline constexpr const char* kListCtrls = "ListCtrls";
inline constexpr const char* kWindow = "WINDOW";

// --- SETTINGS: identity, beacons, packet engine
inline constexpr Text MYCALL{kSettings, "MYCALL", "NOCALL"};
inline constexpr Text TOCALL{kSettings, "TOCALL", "APZEL"};
inline constexpr Text POSLATITUDE{kSettings, "POSLATITUDE", "4035.90N"};
inline constexpr Text POSLONGITUDE{kSettings, "POSLONGITUDE", "02258.20E"};
inline constexpr Text LATITUDE{kSettings, "LATITUDE", "0.0"};
inline constexpr Text LONGITUDE{kSettings, "LONGITUDE", "0.0"};
inline constexpr Text POSTEXT{kSettings, "POSTEXT", "Quillon"};
inline constexpr Int POSICONTABLE{kSettings, "POSICONTABLE", 0};
inline constexpr Int POSICON{kSettings, "POSICON", 12};
inline constexpr Int POSEVERY{kSettings, "POSEVERY", 30};
inline constexpr Text ACTIVE_LOCATION{kSettings, "ACTIVE_LOCATION", ""};
inline constexpr Int DIGIBEEP{kSettings, "DIGIBEEP", 1};
inline constexpr Text ComputerName{kSettings, "ComputerName", "127.0.0.1"};
inline constexpr Int Port{kSettings, "Port", 8000};
inline constexpr Int NARRATEMYMSG{kSettings, "NARRATEMYMSG", 1};

// --- SETTINGS: per radio port (-1 = the APRS-IS server)
inline constexpr IntFamily ENABLERP{kSettings, "ENABLERP", 0};
inline constexpr IntFamily UNICODERP{kSettings, "UNICODERP", 0};
inline constexpr TextFamily BTEXT{kSettings, "BTEXT", "QUILLON"};
inline constexpr IntFamily BTIME{kSettings, "BTIME", 30};
// Position reports and the send-to-all operation read "RELAY"; beacon texts and the setup page read empty.
inline constexpr TextFamily VIAPATH_POSITION{kSettings, "VIAPATH", "RELAY"};
inline constexpr TextFamily VIAPATH_BEACON{kSettings, "VIAPATH", ""};
inline constexpr IntFamily PHGENABLE{kSettings, "PHGENABLE", 0};
inline constexpr TextFamily PHG{kSettings, "PHG", ""};

// --- SETTINGS: display, monitor, labels, map and units
inline constexpr Int MONITORMYCOLOR{kSettings, "MONITORMYCOLOR", 0x808000};
inline constexpr Int MONITORHEADCOLOR{kSettings, "MONITORHEADCOLOR", 0xFF0000};
inline constexpr Int MONITORTXCOLOR{kSettings, "MONITORTXCOLOR", 0xFF00FF};
inline constexpr Binary MONITORTEXTFONT{kSettings, "MONITORTEXTFONT"};
inline constexpr Binary TEXTFONT{kSettings, "TEXTFONT"};
inline constexpr Int LABELTEXTCOLOR{kSettings, "LABELTEXTCOLOR", 0};
inline constexpr Int LABELBACKCOLOR{kSettings, "LABELBACKCOLOR", 0xC0C0C0};
inline constexpr Int LABELTYPE{kSettings, "LABELTYPE", 0};
inline constexpr Int TEXTBORDER{kSettings, "TEXTBORDER", 2};
inline constexpr Int EXPIRETIME{kSettings, "EXPIRETIME", 180};
inline constexpr Int PHGRANGEDRAW{kSettings, "PHGRANGEDRAW", 1};
inline constexpr Int DRAWALARMS{kSettings, "DRAWALARMS", 1};
inline constexpr Int MAPQUALITY{kSettings, "MAPQUALITY", 0};
inline constexpr Int TRACKCOLOR{kSettings, "TRACKCOLOR", 0x00E400};
inline constexpr Int ALARMCOLOR{kSettings, "ALARMCOLOR", 0x0000FF};
inline constexpr Int LABELS_WX_NORMAL{kSettings, "LABELS_WX_NORMAL", 0};
inline constexpr Int LABELS_WX_TEMP{kSettings, "LABELS_WX_TEMP", 1};
inline constexpr Int LABELS_WX_WIND{kSettings, "LABELS_WX_WIND", 0};
inline constexpr Int LABELS_WX_PRES{kSettings, "LABELS_WX_PRES", 1};
inline constexpr Int LABELS_WX_HUMDITY{kSettings, "LABELS_WX_HUMDITY", 1};
// Units page and GPS speed display read 2; station dialogs and weather labels read 3.
inline constexpr Int SPEED_FORMAT_UNITS{kSettings, "SPEED_FORMAT", 2};
inline constexpr Int SPEED_FORMAT_STATIONS{kSettings, "SPEED_FORMAT", 3};
inline constexpr Int DISTANCE_FORMAT{kSettings, "DISTANCE_FORMAT", 7};
// Units page and weather labels read 0; weather dialogs read 1.
inline constexpr Int TEMPERATURE_FORMAT_UNITS{kSettings, "TEMPERATURE_FORMAT", 0};
inline constexpr Int TEMPERATURE_FORMAT_WEATHER{kSettings, "TEMPERATURE_FORMAT", 1};
inline constexpr Int ALTITUDE_FORMAT{kSettings, "ALTITUDE_FORMAT", 6};
inline constexpr Int RAIN_FORMAT{kSettings, "RAIN_FORMAT", 17};

// --- SETTINGS\LOCATIONS
inline constexpr Int HOWMANY{kLocations, "HOWMANY", 0};
inline constexpr TextFamily LOCNAME{kLocations, "LOCNAME", ""};
inline constexpr TextFamily LOC_MYCALL{kLocations, "MYCALL", "NOCALL"};
inline constexpr TextFamily LOC_LATITUDE{kLocations, "LATITUDE", "0.0"};
inline constexpr TextFamily LOC_LONGITUDE{kLocations, "LONGITUDE", "0.0"};
inline constexpr TextFamily LOC_POSTEXT{kLocations, "POSTEXT", "Quillon"};
inline constexpr IntFamily LOC_POSEVERY{kLocations, "POSEVERY", 30};
inline constexpr IntFamily LOC_POSICONTABLE{kLocations, "POSICONTABLE", 0};
inline constexpr IntFamily LOC_POSICON{kLocations, "POSICON", 12};

// --- SETTINGS\SHAPE (MAPBACKCOLOR's default is the system window colour: white, 0xFFFFFF)
inline constexpr Int MAPBACKCOLOR{kShape, "MAPBACKCOLOR", 0xFFFFFF};
inline constexpr Int MAPFILLCOLOR{kShape, "MAPFILLCOLOR", 0xC0C0C0};
inline constexpr Int MAPLINECOLOR{kShape, "MAPLINECOLOR", 0};
inline constexpr Int MAPLABELCOLOR{kShape, "MAPLABELCOLOR", 0};
inline constexpr Binary MAPLABELFONT{kShape, "MAPLABELFONT"};

// --- STATUS
inline constexpr Text APRSERVER{kStatus, "APRSERVER", ""};
inline constexpr Text APRSRVLOGIN{kStatus, "APRSRVLOGIN", ""};
inline constexpr Text APRSRVPASSWORD{kStatus, "APRSRVPASSWORD", ""};
inline constexpr Text APRSRVFILTER{kStatus, "APRSRVFILTER", ""};
inline constexpr Int APRSRVCONNECTSTARTUP{kStatus, "APRSRVCONNECTSTARTUP", 0};
inline constexpr Int APRSRVRECONNECT{kStatus, "APRSRVRECONNECT", 0};
inline constexpr TextFamily MAPVIEW{kStatus, "MAPVIEW", "0"};
inline constexpr BinaryFamily MAPZOOM{kStatus, "MAPZOOM"};
inline constexpr Int ACTIVE{kStatus, "ACTIVE", -1};

// --- WINDOW: the main window's place and its bars, as the desktop saves them
inline constexpr Binary WINDOW_GEOMETRY{kWindow, "GEOMETRY"};
inline constexpr Binary WINDOW_STATE{kWindow, "STATE"};
inline constexpr Binary MSGVIEW_SPLITTER{kWindow, "MSGSPLITTER"};

// --- GPS: the mobile station
inline constexpr Text GPS_CALL{kGps, "CALL", "NOCALL"};
inline constexpr Int TXEVERYTIME{kGps, "TXEVERYTIME", 10};
inline constexpr Int TXEVERYDISTANCE{kGps, "TXEVERYDISTANCE", 2};
inline constexpr Int TXEVERYANGLE{kGps, "TXEVERYANGLE", 45};
inline constexpr Text GPS_STATUS{kGps, "STATUS", ""};
inline constexpr Int GPS_DIGIBEEP{kGps, "DIGIBEEP", 1};
inline constexpr Int GPS_POSICONTABLE{kGps, "POSICONTABLE", 0};
inline constexpr Int GPS_POSICON{kGps, "POSICON", 29};
// Mobile beaconing reads empty; the GPS setup page reads "-1,".
inline constexpr Text RADIOPORTSTX_BEACONING{kGps, "RADIOPORTSTX", ""};
inline constexpr Text RADIOPORTSTX_SETUP{kGps, "RADIOPORTSTX", "-1,"};
inline constexpr Text GPS_VIAPATH{kGps, "VIAPATH", ""};
// gpsd in place of the device's GPS driver.
inline constexpr Text GPSD_HOST{kGps, "GPSDHOST", "127.0.0.1"};
inline constexpr Int GPSD_PORT{kGps, "GPSDPORT", 2947};

// --- MSGS
inline constexpr Int MAXTIME{kMsgs, "MAXTIME", 72000};

} // namespace Settings

// Typed access through the descriptors.
inline int read(const SettingsStore& s, const Settings::Int& d) {
    return s.readInt(QString::fromLatin1(d.section), QString::fromLatin1(d.name), d.defaultValue);
}
inline QString read(const SettingsStore& s, const Settings::Text& d) {
    return s.readString(QString::fromLatin1(d.section), QString::fromLatin1(d.name),
                        QString::fromLatin1(d.defaultValue));
}
inline std::optional<QByteArray> read(const SettingsStore& s, const Settings::Binary& d) {
    return s.readBinary(QString::fromLatin1(d.section), QString::fromLatin1(d.name));
}
inline int read(const SettingsStore& s, const Settings::IntFamily& d, int n) {
    return s.readInt(QString::fromLatin1(d.section), SettingsStore::numbered(QString::fromLatin1(d.name), n),
                     d.defaultValue);
}
inline QString read(const SettingsStore& s, const Settings::TextFamily& d, int n) {
    return s.readString(QString::fromLatin1(d.section),
                        SettingsStore::numbered(QString::fromLatin1(d.name), n),
                        QString::fromLatin1(d.defaultValue));
}
inline std::optional<QByteArray> read(const SettingsStore& s, const Settings::BinaryFamily& d, int n) {
    return s.readBinary(QString::fromLatin1(d.section),
                        SettingsStore::numbered(QString::fromLatin1(d.name), n));
}
inline void write(SettingsStore& s, const Settings::Int& d, int v) {
    s.writeInt(QString::fromLatin1(d.section), QString::fromLatin1(d.name), v);
}
inline void write(SettingsStore& s, const Settings::Text& d, const QString& v) {
    s.writeString(QString::fromLatin1(d.section), QString::fromLatin1(d.name), v);
}
inline void write(SettingsStore& s, const Settings::Binary& d, const QByteArray& v) {
    s.writeBinary(QString::fromLatin1(d.section), QString::fromLatin1(d.name), v);
}
inline void write(SettingsStore& s, const Settings::IntFamily& d, int n, int v) {
    s.writeInt(QString::fromLatin1(d.section), SettingsStore::numbered(QString::fromLatin1(d.name), n), v);
}
inline void write(SettingsStore& s, const Settings::TextFamily& d, int n, const QString& v) {
    s.writeString(QString::fromLatin1(d.section), SettingsStore::numbered(QString::fromLatin1(d.name), n), v);
}
inline void write(SettingsStore& s, const Settings::BinaryFamily& d, int n, const QByteArray& v) {
    s.writeBinary(QString::fromLatin1(d.section), SettingsStore::numbered(QString::fromLatin1(d.name), n), v);
}
