#pragma once

#include "maps/ShapeDisplaySettings.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// One layer record of a ".map" project file.
struct MapLayerRecord {
    int32_t kind = 0; // 1 raster, 2 shapefile
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;
    QString imagePath;
    QString caption;
    double drawnWidth = 0;
    double drawnHeight = 0;
    std::optional<ShapeDisplaySettings> shapeSettings; // kind 2 only
    // The record's bytes exactly as read from a file in the current encoding; written back as
    // they are (a layer whose file is missing keeps its record unchanged). Empty otherwise.
    QByteArray raw;
};

// The ".map" project file as a plain structure: little-endian, strings as a byte count and
// UTF-16 text with its terminating zero (8-bit text in files of the older version).
struct MapProjectData {
    static constexpr uint32_t kVersion = 0x00010005;
    static constexpr uint32_t kUtf16Flag = 0x00010000;
    static constexpr uint16_t kFormat = 5;

    uint32_t version = kVersion;
    uint32_t backgroundColour = 0xFFFFFF;
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;
    QString imagePath;
    QString caption;
    int32_t canvasWidth = 0;
    int32_t canvasHeight = 0;
    int32_t scrollX = 0;
    int32_t scrollY = 0;
    std::vector<MapLayerRecord> layers;

    bool hasUtf16Strings() const { return (version >> 16) != 0; }
};

namespace MapProjectFile {

// Project files come from anywhere: a file larger than this is not read.
constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;
// The smallest layer record (no strings, no settings), which bounds the layer count by the bytes.
constexpr int kMinLayerRecord = 4 + 32 + 4 + 4 + 8 + 8;

// None for a file of another version or one cut off before its layer count. A layer record that
// is cut off ends the layers: the complete ones before it are kept.
std::optional<MapProjectData> parse(const QByteArray& bytes);
// Always in the current encoding (version kVersion); raw layer records are written as they are.
QByteArray serialize(const MapProjectData& data);
// One layer record in the current encoding.
QByteArray serializeLayer(const MapLayerRecord& layer);

} // namespace MapProjectFile
