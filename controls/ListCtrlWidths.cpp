#include "controls/ListCtrlWidths.h"

#include "platform/Settings.h"
#include "platform/SettingsStore.h"
#include "platform/Trace.h"

#include <algorithm>
#include <cstdint>

namespace ListCtrlWidths {

namespace {

int clampedWidth(std::int64_t width) {
    return static_cast<int>(std::clamp<std::int64_t>(width, 0, kMaxWidth));
}

void appendInt32(QByteArray& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::int32_t int32At(const QByteArray& in, qsizetype offset) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(in[offset + i]);
    return static_cast<std::int32_t>(v);
}

} // namespace

QString valueName(int listNumber) {
    return QString::number(listNumber);
}

QByteArray encode(const std::vector<int>& widths) {
    const auto count = static_cast<std::uint32_t>(std::min<size_t>(widths.size(), kMaxColumns));
    QByteArray out;
    out.reserve(4 + 4 * count);
    appendInt32(out, count);
    for (std::uint32_t i = 0; i < count; ++i)
        appendInt32(out, static_cast<std::uint32_t>(clampedWidth(widths[i])));
    return out;
}

std::optional<std::vector<int>> decode(const QByteArray& value) {
    if (value.size() < 4) return std::nullopt;
    const std::int32_t count = int32At(value, 0);
    if (count < 0 || count > kMaxColumns || value.size() != 4 + 4 * qsizetype(count)) return std::nullopt;
    std::vector<int> widths(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) widths[static_cast<size_t>(i)] = clampedWidth(int32At(value, 4 + 4 * i));
    return widths;
}

std::optional<std::vector<int>> load(const SettingsStore& settings, int listNumber) {
    const auto value = settings.readBinary(QString::fromLatin1(Settings::kListCtrls), valueName(listNumber));
    if (!value) return std::nullopt;
    return decode(*value);
}

std::optional<std::vector<int>> load(const SettingsStore& settings, int listNumber, int columnCount) {
    auto widths = load(settings, listNumber);
    if (!widths) return std::nullopt;
    if (widths->size() != static_cast<size_t>(columnCount)) {
        Trace::write(QStringLiteral("Different number of columns in registry."));
        return std::nullopt;
    }
    return widths;
}

void save(SettingsStore& settings, int listNumber, const std::vector<int>& widths) {
    settings.writeBinary(QString::fromLatin1(Settings::kListCtrls), valueName(listNumber), encode(widths));
}

} // namespace ListCtrlWidths
