#include "maps/MapLayerContent.h"
#include "maps/RasterMap.h"
#include "maps/ShapeLayer.h"

std::unique_ptr<MapLayerContent> makeLayerContent(MapLayerContent::Kind kind) {
    switch (kind) {
    case MapLayerContent::Raster:
        return std::make_unique<RasterMap>();
    case MapLayerContent::Shapefile:
        return std::make_unique<ShapeLayer>();
    case MapLayerContent::None:
        break;
    }
    return nullptr;
}
