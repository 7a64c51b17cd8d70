#include "messaging/OwnObjectsFile.h"

#include "platform/DataFile.h"

#include <QDate>
#include <QTime>
#include <cmath>

namespace OwnObjectsFile {

bool hasValidSymbol(const StationRecord& r) {
    const auto printable = [](int32_t c) { return c >= 33 && c <= 126; };
    return printable(r.symbolTable) && printable(r.symbolCode);
}

bool hasValidPosition(double latitude, double longitude) {
    return std::isfinite(latitude) && std::isfinite(longitude) && std::abs(latitude) <= 90.0 &&
           std::abs(longitude) <= 180.0;
}

bool isRealTime(const SystemTime& t) {
    return QDate::isValid(t.year, t.month, t.day) &&
           QTime::isValid(t.hour, t.minute, t.second, t.millisecond);
}

std::optional<Contents> read(const QByteArray& data, const SystemTime& loadTime) {
    DataFileReader in(data);
    const auto version = in.u32();
    if (!version || (*version & kFormatMask) != kFormatVersion) return std::nullopt;
    in.setUtf16Strings((*version & kUtf16Flag) != 0);

    Contents contents;
    // Every object takes bytes, so the data's size bounds the loop.
    while (!in.atEnd()) {
        auto object = std::make_unique<OwnObjectRecord>();
        if (!object->load(in)) {
            contents.truncated = true;
            break;
        }
        if (static_cast<int>(contents.objects.size()) >= kMaxObjects || !hasValidSymbol(*object) ||
            !hasValidPosition(object->latitude, object->longitude)) {
            ++contents.dropped;
            continue;
        }
        if (!isRealTime(object->time)) object->time = loadTime;
        if (object->interval < 1) object->interval = OwnObjectRecord::kDefaultInterval;
        contents.objects.push_back(std::move(object));
    }
    return contents;
}

QByteArray write(const std::vector<std::unique_ptr<OwnObjectRecord>>& objects) {
    DataFileWriter out;
    out.u32(kVersionWord);
    for (const auto& object : objects)
        if (!object->killed) object->save(out);
    return out.data();
}

} // namespace OwnObjectsFile
