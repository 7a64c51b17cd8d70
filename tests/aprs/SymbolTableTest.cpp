#include "aprs/SymbolTable.h"

#include <QSet>
#include <gtest/gtest.h>

TEST(SymbolTable, NamesAndTypesOfWellKnownSymbols) {
    EXPECT_EQ(symbolName('/', '>'), "Car");
    EXPECT_EQ(symbolStationType('/', '>'), 1);
    EXPECT_EQ(symbolName('\\', '>'), "Car(Overlay)");
    EXPECT_EQ(symbolStationType('\\', '>'), 1);
    EXPECT_EQ(symbolName('/', '_'), "Weather Station(Blue)");
    EXPECT_EQ(symbolStationType('/', '_'), 2);
    EXPECT_EQ(symbolName('/', '#'), "Digi");
    EXPECT_EQ(symbolStationType('/', '#'), 3);
    EXPECT_EQ(symbolName('/', 'I'), "TCP/IP");
    EXPECT_EQ(symbolStationType('/', 'I'), 4);
    EXPECT_EQ(symbolName('/', '"'), "Undefined");
    EXPECT_EQ(symbolStationType('/', '"'), 0);
    EXPECT_EQ(symbolName('/', '-'), "House QTH (VHF)");
    EXPECT_EQ(symbolStationType('/', '-'), 0);
}

TEST(SymbolTable, OverlayCharactersSelectTheAlternateTable) {
    EXPECT_EQ(symbolName('D', '>'), "Car(Overlay)");
    EXPECT_EQ(symbolStationType('D', '>'), 1);
    EXPECT_EQ(symbolName('9', '#'), "Digi(Overlay)");
    EXPECT_EQ(symbolStationType('9', '#'), 3);
    EXPECT_EQ(&symbolInfo('A', 'k'), &symbolInfo('\\', 'k'));
    EXPECT_TRUE(SymbolTable::isOverlay('D'));
    EXPECT_FALSE(SymbolTable::isOverlay('\\'));
    EXPECT_FALSE(SymbolTable::isOverlay('/'));
}

TEST(SymbolTable, NamesKeepTheirOwnSpelling) {
    // Users know these texts as they are; they are not corrected.
    EXPECT_EQ(symbolName('/', '!'), "Police,Sherif");
    EXPECT_EQ(symbolName('/', 'E'), "Eyball");
    EXPECT_EQ(symbolName('/', 'W'), "National Wether Service Station");
    EXPECT_EQ(symbolName('/', 'd'), "Dual Garage (Fire Deprt)");
    EXPECT_EQ(symbolName('\\', ';'), "Parc/Picnic Area");
    EXPECT_EQ(symbolName('\\', 'p'), "Partly Cloud");
    EXPECT_EQ(symbolName('\\', 'c'), "Civil Defence(Races)(Overlay)");
    EXPECT_EQ(symbolName('/', '`'), "Dish Antenna");
    EXPECT_EQ(symbolName('\\', '`'), "Rain");
    EXPECT_EQ(symbolName('/', '~'), "Undefined");
    EXPECT_EQ(symbolName('\\', '{'), "Fog");
    EXPECT_EQ(symbolName('\\', '9'), "Gas Station");
    EXPECT_EQ(symbolName('/', '9'), "Circle 9");
    EXPECT_EQ(symbolName('/', 'Z'), "WinAPRS");
    EXPECT_EQ(symbolName('\\', 'X'), "Pharmacy Rx");
}

TEST(SymbolTable, NamesArePlainAsciiThatJsonTakesAsItStands) {
    // The decode command writes names into JSON without escaping them.
    for (const int table : {'/', '\\', 'A', '0'}) {
        for (int code = 33; code <= 126; ++code) {
            const char* name = symbolInfo(table, code).name;
            ASSERT_NE(name, nullptr);
            for (const char* c = name; *c; ++c)
                EXPECT_TRUE(*c >= 0x20 && *c < 0x7F && *c != '"' && *c != '\\') << table << " " << code;
        }
    }
}

TEST(SymbolTable, CodesOutsideTheTableBecomeTheDoubleQuote) {
    for (int code : {0, 31, 32, 127, 200, -5}) {
        EXPECT_EQ(&symbolInfo('/', code), &symbolInfo('/', '"')) << code;
        EXPECT_EQ(&symbolInfo('\\', code), &symbolInfo('\\', '"')) << code;
    }
    EXPECT_EQ(SymbolTable::clampCode(33), 33);
    EXPECT_EQ(SymbolTable::clampCode(126), 126);
    EXPECT_EQ(SymbolTable::clampCode(127), '"');
}

TEST(SymbolTable, StationTypeCountsPerTable) {
    int primary[5] = {}, alternate[5] = {};
    for (int code = 33; code <= 126; ++code) {
        ++primary[symbolStationType('/', code)];
        ++alternate[symbolStationType('\\', code)];
    }
    EXPECT_EQ(primary[1], 25);
    EXPECT_EQ(primary[2], 4);
    EXPECT_EQ(primary[3], 2);
    EXPECT_EQ(primary[4], 1);
    EXPECT_EQ(alternate[1], 6);
    EXPECT_EQ(alternate[2], 25);
    EXPECT_EQ(alternate[3], 2);
    EXPECT_EQ(alternate[4], 0);
    EXPECT_EQ(symbolStationType('\\', '`'), 2);
    EXPECT_EQ(symbolStationType('\\', '{'), 2);
    EXPECT_EQ(symbolStationType('\\', 'i'), 3);
    EXPECT_EQ(symbolStationType('/', 'n'), 3);
    EXPECT_EQ(symbolStationType('/', 'g'), 2);
    EXPECT_EQ(symbolStationType('/', 'v'), 1);
}

TEST(SymbolTable, EntriesCarryIndexCodeAndIcon) {
    for (int code = 33; code <= 126; ++code) {
        const SymbolInfo& p = symbolInfo('/', code);
        const SymbolInfo& a = symbolInfo('\\', code);
        EXPECT_EQ(p.index, code - 33);
        EXPECT_EQ(p.code, code);
        EXPECT_EQ(p.iconIndex, code - 33);
        EXPECT_EQ(a.index, code - 33);
        EXPECT_EQ(a.code, code);
        EXPECT_EQ(a.iconIndex, code - 33 + 94);
        EXPECT_EQ(symbolIconIndex('/', code), code - 33);
    }
}

TEST(SymbolTable, DestinationCodesFollowTheAddressScheme) {
    const auto dest = [](int table, int code) {
        return QString::fromLatin1(symbolInfo(table, code).destination);
    };
    EXPECT_EQ(dest('/', '!'), "BB");
    EXPECT_EQ(dest('/', '/'), "BP");
    EXPECT_EQ(dest('/', '0'), "P0");
    EXPECT_EQ(dest('/', '9'), "P9");
    EXPECT_EQ(dest('/', ':'), "MR");
    EXPECT_EQ(dest('/', '>'), "MV");
    EXPECT_EQ(dest('/', '@'), "MX");
    EXPECT_EQ(dest('/', 'A'), "PA");
    EXPECT_EQ(dest('/', 'Z'), "PZ");
    EXPECT_EQ(dest('/', '['), "HS");
    EXPECT_EQ(dest('/', '`'), "HX");
    EXPECT_EQ(dest('/', 'a'), "LA");
    EXPECT_EQ(dest('/', 'z'), "LZ");
    EXPECT_EQ(dest('/', '{'), "J1");
    EXPECT_EQ(dest('/', '~'), "J4");
    EXPECT_EQ(dest('\\', '!'), "OB");
    EXPECT_EQ(dest('\\', '/'), "OP");
    EXPECT_EQ(dest('\\', '0'), "A0");
    EXPECT_EQ(dest('\\', ':'), "NR");
    EXPECT_EQ(dest('\\', 'A'), "AA");
    EXPECT_EQ(dest('\\', '`'), "DX");
    EXPECT_EQ(dest('\\', 'a'), "SA");
    EXPECT_EQ(dest('\\', '~'), "Q4");

    // Every code appears once over both tables, and maps back to its symbol.
    QSet<QString> seen;
    for (int table : {'/', '\\'}) {
        for (int code = 33; code <= 126; ++code) {
            const QString d = dest(table, code);
            EXPECT_EQ(d.size(), 2);
            EXPECT_FALSE(seen.contains(d)) << qPrintable(d);
            seen.insert(d);
            int back = 0;
            EXPECT_EQ(symbolByDestination(d, &back), &symbolInfo(table, code));
            EXPECT_EQ(back, table);
        }
    }
    EXPECT_EQ(symbolByDestination(u"ZZ"), nullptr);
    EXPECT_EQ(symbolByDestination(u"M"), nullptr);
}
