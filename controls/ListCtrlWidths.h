#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

class SettingsStore;

// The column widths a list view keeps in section ListCtrls, one binary value per list named by
// the list's number in decimal ("10001" the station list): a 32-bit little-endian column count,
// then one 32-bit width per column in header order.
namespace ListCtrlWidths {

inline constexpr int kMaxColumns = 256;
inline constexpr int kMaxWidth = 10000;

QString valueName(int listNumber);

// Widths are clamped to 0..kMaxWidth on both ways.
QByteArray encode(const std::vector<int>& widths);
// None unless the count is 0..kMaxColumns and matches the value's length exactly.
std::optional<std::vector<int>> decode(const QByteArray& value);

// None when the value is missing or malformed.
std::optional<std::vector<int>> load(const SettingsStore& settings, int listNumber);
// The stored widths when there are exactly `columnCount` of them; otherwise none, and a stored
// value of another count is traced ("Different number of columns in registry.").
std::optional<std::vector<int>> load(const SettingsStore& settings, int listNumber, int columnCount);
void save(SettingsStore& settings, int listNumber, const std::vector<int>& widths);

} // namespace ListCtrlWidths
