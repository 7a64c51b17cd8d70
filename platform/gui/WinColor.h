#pragma once

#include <QColor>
#include <cstdint>

// Colours as the stored settings keep them: 0x00BBGGRR, red in the low byte. The high byte
// (a palette-index flag where the values were made) is ignored on reading and written as 0.
namespace WinColor {
QColor toQColor(std::uint32_t value);
std::uint32_t fromQColor(const QColor& colour);
} // namespace WinColor
