#include "aprs/SymbolTable.h"

#include <array>
#include <string_view>

namespace {

using Names = std::array<const char*, SymbolTable::kEntries>;

// Display names in code order, '!' (33) to '~' (126).
constexpr Names kPrimaryNames = {
    "Police,Sherif", "Undefined", "Digi", "Phone", "DxCluster", "HF Gateway", "Small Aircraft",
    "Mobile Satellite station", "Undefined", "SnowMobile", "Red Cross", "Boy Scout", "House QTH (VHF)", "X",
    "Dot",
    // '0'..'9'
    "Circle 0", "Circle 1", "Circle 2", "Circle 3", "Circle 4", "Circle 5", "Circle 6", "Circle 7",
    "Circle 8", "Circle 9",
    // ':'..'@'
    "Fire", "Campground", "MotorCycle", "RailRoad Engine", "Car", "FileServer", "Hurricane Future Prediction",
    // 'A'..'Z'
    "Aid Station", "BBS", "Canoe", "Undefined", "Eyball", "Undefined", "Grid Square", "Hotel", "TCP/IP",
    "Undefined", "School", "Undefined", "MacAPRS", "NTS Station", "Balloon", "Police", "Undefined",
    "Recreation Vehicle", "Space Shuttle", "SSTV", "Bus", "ATV", "National Wether Service Station",
    "Helicopter", "Yacht(sail boat)", "WinAPRS",
    // '['..'`'
    "Jogger", "Triangle(DF)", "PBBS", "Large Aircraft", "Weather Station(Blue)", "Dish Antenna",
    // 'a'..'z'
    "Ambulance", "Bicycle", "Undefined", "Dual Garage (Fire Deprt)", "Horse", "Fire Truck", "Glider",
    "Hospital", "IOTA", "Jeep", "Truck", "Undefined", "Mic Repeater", "Node", "Emergency Operations Center",
    "Rover(puppy dog)", "Grid Square above 128m", "Antenna", "Ship(Power boat)", "Truck Stop",
    "Truck (18-wheeler)", "Van", "Water Station", "X-APRS", "Yagi at QTH", "Undefined",
    // '{'..'~'
    "Undefined", "Undefined", "Undefined", "Undefined"};

constexpr Names kAlternateNames = {
    "Emergency", "Undefined", "Digi(Overlay)", "Bank or ATM", "Undefined", "HF Gateway (Overlay)",
    "Crash Site", "Cloudy", "Undefined", "Snow", "Church", "Girl Scout", "House (HF)", "Unknown Position",
    "Undefined",
    // '0'..'9'
    "Circle (Overlay)", "Undefined", "Undefined", "Undefined", "Undefined", "Undefined", "Undefined",
    "Undefined", "Undefined", "Gas Station",
    // ':'..'@'
    "Hail", "Parc/Picnic Area", "NWS Advisory", "Undefined", "Car(Overlay)", "Inform Kiosk",
    "Hurricane/Tropical Storm",
    // 'A'..'Z'
    "Box (Overlay)", "Blowing Snow", "Coastguard", "Drizzle", "Smoke", "Freezing Rain", "Snow Shower", "Haze",
    "Rain Shower", "Lightning", "Kenwood", "Lighthouse", "Undefined", "Navigation Buoy", "Undefined",
    "Parking", "Earthquake", "Restaurant", "Satellite/PACsat", "Thunderstorm", "Sunny", "VORTAC",
    "NWS site(Overlay)", "Pharmacy Rx", "Undefined", "Undefined",
    // '['..'`'
    "Wall Cloud", "Undefined", "Undefined", "Aircraft(Overlay)", "WX stn with Digi(Overlay)", "Rain",
    // 'a'..'z'
    "A=ARRL,R=RACES etc(Overlay)", "Blowing dust/Sand", "Civil Defence(Races)(Overlay)",
    "DX spot(Callsign prefix)", "Sleet", "Funnel Cloud", "Gale Flags", "Ham Store", "Indoor digi(Overlay)",
    "Work Zone", "Undefined", "Area Symbols", "Value Signpost (3-char Display)", "Triangle (Overlay)",
    "Small Circle", "Partly Cloud", "Undefined", "Restrooms", "Ship/Boat(Overlay)", "Tornado",
    "Truck(Overlay)", "Van(Overlay)", "Flooding", "Undefined", "Undefined", "Undefined",
    // '{'..'~'
    "Fog", "Undefined", "Undefined", "Undefined"};

constexpr bool complete(const Names& n) {
    for (const char* s : n)
        if (!s) return false;
    return true;
}
static_assert(complete(kPrimaryNames) && complete(kAlternateNames), "every code needs a name");

// Codes with a station type other than Fixed.
struct TypeCodes {
    std::string_view mobile, weather, digi, tcpip;
};
constexpr TypeCodes kPrimaryTypes{"'(*<=>CORSUXY[^abefjkpsuv", "@W_g", "#n", "I"};
constexpr TypeCodes kAlternateTypes{">S^suv", "(*:@BDEFGHIJTU[_`befgptw{", "#i", ""};

constexpr int typeOf(const TypeCodes& t, char code) {
    if (t.mobile.find(code) != std::string_view::npos) return 1;
    if (t.weather.find(code) != std::string_view::npos) return 2;
    if (t.digi.find(code) != std::string_view::npos) return 3;
    if (t.tcpip.find(code) != std::string_view::npos) return 4;
    return 0;
}

// Destination-address symbol codes: a two-letter group prefix per code range, then the letter or
// digit that counts within the range.
using Dest = std::array<std::array<char, 3>, SymbolTable::kEntries>;
constexpr Dest makeDestinations(bool primary) {
    Dest d{};
    for (int i = 0; i < SymbolTable::kEntries; ++i) {
        const int c = i + 33;
        char a = 0, b = 0;
        if (c <= '/') { // '!'..'/' -> BB..BP / OB..OP
            a = primary ? 'B' : 'O';
            b = static_cast<char>('B' + (c - '!'));
        } else if (c <= '9') { // P0..P9 / A0..A9
            a = primary ? 'P' : 'A';
            b = static_cast<char>(c);
        } else if (c <= '@') { // ':'..'@' -> MR..MX / NR..NX
            a = primary ? 'M' : 'N';
            b = static_cast<char>('R' + (c - ':'));
        } else if (c <= 'Z') { // PA..PZ / AA..AZ
            a = primary ? 'P' : 'A';
            b = static_cast<char>(c);
        } else if (c <= '`') { // '['..'`' -> HS..HX / DS..DX
            a = primary ? 'H' : 'D';
            b = static_cast<char>('S' + (c - '['));
        } else if (c <= 'z') { // LA..LZ / SA..SZ
            a = primary ? 'L' : 'S';
            b = static_cast<char>('A' + (c - 'a'));
        } else { // '{'..'~' -> J1..J4 / Q1..Q4
            a = primary ? 'J' : 'Q';
            b = static_cast<char>('1' + (c - '{'));
        }
        d[i] = {a, b, 0};
    }
    return d;
}
constexpr Dest kPrimaryDest = makeDestinations(true);
constexpr Dest kAlternateDest = makeDestinations(false);

using Table = std::array<SymbolInfo, SymbolTable::kEntries>;
constexpr Table makeTable(const Names& names, const TypeCodes& types, const Dest& dest, int iconBase) {
    Table t{};
    for (int i = 0; i < SymbolTable::kEntries; ++i)
        t[i] = SymbolInfo{names[i], typeOf(types, static_cast<char>(i + 33)), iconBase + i, dest[i].data(), i,
                          i + 33};
    return t;
}
constexpr Table kPrimary = makeTable(kPrimaryNames, kPrimaryTypes, kPrimaryDest, 0);
constexpr Table kAlternate =
    makeTable(kAlternateNames, kAlternateTypes, kAlternateDest, SymbolTable::kEntries);

} // namespace

const SymbolInfo& symbolInfo(int table, int code) {
    const int i = SymbolTable::clampCode(code) - SymbolTable::kFirstCode;
    return SymbolTable::isPrimary(table) ? kPrimary[i] : kAlternate[i];
}

QString symbolName(int table, int code) {
    return QString::fromLatin1(symbolInfo(table, code).name);
}

int symbolStationType(int table, int code) {
    return symbolInfo(table, code).stationType;
}

int symbolIconIndex(int table, int code) {
    return symbolInfo(table, code).iconIndex;
}

const SymbolInfo* symbolByDestination(QStringView code, int* table) {
    if (code.size() != 2) return nullptr;
    for (const Table* t : {&kPrimary, &kAlternate}) {
        for (const SymbolInfo& e : *t) {
            if (code[0] == QLatin1Char(e.destination[0]) && code[1] == QLatin1Char(e.destination[1])) {
                if (table) *table = (t == &kPrimary) ? '/' : '\\';
                return &e;
            }
        }
    }
    return nullptr;
}
