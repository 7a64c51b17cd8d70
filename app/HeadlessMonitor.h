#pragma once

#include "engine/ReceivedFrame.h"

#include <QString>

// The monitor of a station without a screen: every frame as its monitor text on standard output,
// own transmissions marked.
namespace HeadlessMonitor {
// The monitor text as printable lines: CR and LF become line ends; own transmissions start "TX ".
QString format(const ReceivedFrame& frame);
void print(const ReceivedFrame& frame);
} // namespace HeadlessMonitor
