#include "maps/MapProjectFile.h"

#include "platform/DataFile.h"

#include <algorithm>

namespace {

// Takes n bytes (a multiple of 4) from the reader; none when fewer remain.
std::optional<QByteArray> takeBlock(DataFileReader& reader, const QByteArray& bytes, int n) {
    if (reader.remaining() < n) return std::nullopt;
    const QByteArray block = bytes.mid(reader.position(), n);
    for (int i = 0; i < n / 4; ++i) reader.u32();
    return block;
}

std::optional<MapLayerRecord> parseLayer(DataFileReader& reader, const QByteArray& bytes, bool utf16) {
    const qsizetype start = reader.position();
    MapLayerRecord layer;
    const auto kind = reader.i32();
    const auto top = reader.f64();
    const auto left = reader.f64();
    const auto bottom = reader.f64();
    const auto right = reader.f64();
    const auto path = reader.string();
    const auto caption = reader.string();
    const auto width = reader.f64();
    const auto height = reader.f64();
    if (!kind || !top || !left || !bottom || !right || !path || !caption || !width || !height)
        return std::nullopt;
    layer.kind = *kind;
    layer.top = *top;
    layer.left = *left;
    layer.bottom = *bottom;
    layer.right = *right;
    layer.imagePath = *path;
    layer.caption = *caption;
    layer.drawnWidth = *width;
    layer.drawnHeight = *height;
    if (layer.kind == 2) {
        const int size = utf16 ? ShapeDisplaySettings::kBlockSize : ShapeDisplaySettings::kOldBlockSize;
        const auto block = takeBlock(reader, bytes, size);
        if (!block) return std::nullopt;
        layer.shapeSettings = ShapeDisplaySettings::fromBlock(*block);
    }
    if (utf16) layer.raw = bytes.mid(start, reader.position() - start);
    return layer;
}

void writeLayer(DataFileWriter& w, const MapLayerRecord& layer) {
    if (!layer.raw.isEmpty()) {
        w.bytes(layer.raw);
        return;
    }
    w.i32(layer.kind);
    w.f64(layer.top);
    w.f64(layer.left);
    w.f64(layer.bottom);
    w.f64(layer.right);
    w.string(layer.imagePath);
    w.string(layer.caption);
    w.f64(layer.drawnWidth);
    w.f64(layer.drawnHeight);
    if (layer.kind == 2) w.bytes(layer.shapeSettings.value_or(ShapeDisplaySettings{}).toBlock());
}

} // namespace

namespace MapProjectFile {

std::optional<MapProjectData> parse(const QByteArray& bytes) {
    if (bytes.size() > kMaxFileBytes) return std::nullopt;
    DataFileReader reader(bytes);
    MapProjectData data;
    const auto version = reader.u32();
    if (!version || (*version & 0xFFFF) != MapProjectData::kFormat) return std::nullopt;
    data.version = *version;
    const bool utf16 = data.hasUtf16Strings();
    reader.setUtf16Strings(utf16);

    const auto colour = reader.u32();
    const auto top = reader.f64();
    const auto left = reader.f64();
    const auto bottom = reader.f64();
    const auto right = reader.f64();
    const auto path = reader.string();
    const auto caption = reader.string();
    const auto width = reader.i32();
    const auto height = reader.i32();
    const auto scrollX = reader.i32();
    const auto scrollY = reader.i32();
    const auto count = reader.i32();
    if (!colour || !top || !left || !bottom || !right || !path || !caption || !width || !height || !scrollX ||
        !scrollY || !count)
        return std::nullopt;
    data.backgroundColour = *colour;
    data.top = *top;
    data.left = *left;
    data.bottom = *bottom;
    data.right = *right;
    data.imagePath = *path;
    data.caption = *caption;
    data.canvasWidth = *width;
    data.canvasHeight = *height;
    data.scrollX = *scrollX;
    data.scrollY = *scrollY;

    // The count comes from the file: no more records than its remaining bytes could hold.
    const qsizetype possible = reader.remaining() / kMinLayerRecord;
    const qsizetype wanted = std::clamp<qsizetype>(*count, 0, possible);
    data.layers.reserve(static_cast<size_t>(wanted));
    for (qsizetype i = 0; i < wanted; ++i) {
        auto layer = parseLayer(reader, bytes, utf16);
        if (!layer) break;
        data.layers.push_back(std::move(*layer));
    }
    return data;
}

QByteArray serializeLayer(const MapLayerRecord& layer) {
    DataFileWriter w;
    MapLayerRecord fresh = layer;
    fresh.raw.clear();
    writeLayer(w, fresh);
    return w.data();
}

QByteArray serialize(const MapProjectData& data) {
    DataFileWriter w;
    w.u32(MapProjectData::kVersion);
    w.u32(data.backgroundColour);
    w.f64(data.top);
    w.f64(data.left);
    w.f64(data.bottom);
    w.f64(data.right);
    w.string(data.imagePath);
    w.string(data.caption);
    w.i32(data.canvasWidth);
    w.i32(data.canvasHeight);
    w.i32(data.scrollX);
    w.i32(data.scrollY);
    w.i32(static_cast<int32_t>(data.layers.size()));
    for (const MapLayerRecord& layer : data.layers) writeLayer(w, layer);
    return w.data();
}

} // namespace MapProjectFile
