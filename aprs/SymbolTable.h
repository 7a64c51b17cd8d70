#pragma once

#include <QString>
#include <QStringView>

// The two APRS symbol tables (primary '/', alternate for every other table character, overlays
// included): display name, the station type a station with the symbol gets, its icon and its
// two-character code of the destination-address symbol scheme.
struct SymbolInfo {
    const char* name;        // display name (the station's own texts, spelled as shown to users)
    int stationType;         // StationType: 0 Fixed, 1 Mobile, 2 Weather, 3 Digi, 4 TCP/IP
    int iconIndex;           // place in the station image list: primary 0..93, alternate 94..187
    const char* destination; // e.g. "MV" for the primary car
    int index;               // 0..93, the code minus 33
    int code;                // the symbol code character, 33..126
};

namespace SymbolTable {
constexpr int kEntries = 94;
constexpr int kFirstCode = 33;
constexpr int kLastCode = 126;
// Codes outside 33..126 stand for the double quote ("Undefined").
constexpr int kUndefinedCode = '"';

constexpr bool isPrimary(int table) {
    return table == '/';
}
constexpr int clampCode(int code) {
    return code < kFirstCode || code > kLastCode ? kUndefinedCode : code;
}
// An overlay is any table character other than the two table characters; it selects the alternate table.
constexpr bool isOverlay(int table) {
    return table != '/' && table != '\\';
}
} // namespace SymbolTable

// The entry for (table, code); the code is limited to 33..126 first.
const SymbolInfo& symbolInfo(int table, int code);
QString symbolName(int table, int code);
int symbolStationType(int table, int code);
int symbolIconIndex(int table, int code);

// The symbol whose destination-address code is `code` ("MV", "PA", "Q1" ...); primary table first.
// Sets *table to '/' or '\\'. nullptr when no entry has that code.
const SymbolInfo* symbolByDestination(QStringView code, int* table = nullptr);
