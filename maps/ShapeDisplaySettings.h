#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>

class SettingsStore;

// How a shapefile layer is drawn; stored with the layer in a map project file.
struct ShapeDisplaySettings {
    static constexpr uint32_t kNoFill = 0xFEFFFF;
    static constexpr int kBlockSize = 124;   // current form: wide-character font record
    static constexpr int kOldBlockSize = 92; // older form: 8-bit font record (60 bytes)

    uint32_t fillColour = 0xC0C0C0; // 0x00BBGGRR; kNoFill = point circles unfilled
    uint32_t lineColour = 0;
    int32_t switchDefaultOne = 1; // stored and restored as it is
    int32_t labelColumn = -1;     // -1 = no labels
    uint32_t labelColour = 0;
    QByteArray labelFont;            // the 92-byte wide-character font record (see LogFont)
    int32_t scaleDependentLines = 0; // 0 = off
    uint32_t wideLineColour = 0xC8C8C8;
    int32_t pointSymbol = -1; // -1 = small dot, else an APRS symbol 0..189

    // Colours from SETTINGS\SHAPE, the font "Arial" 8 points, weight 400.
    static ShapeDisplaySettings defaults(const SettingsStore& settings);
    // The 124-byte block.
    QByteArray toBlock() const;
    // From a 124-byte block, or a 92-byte one in the older form (its 8-bit font record is turned
    // into the wide-character form); none for any other size.
    static std::optional<ShapeDisplaySettings> fromBlock(const QByteArray& block);
};
