#pragma once

#include "aprs/Weather.h"

#include <QStringView>
#include <optional>

// Peet Bros. Ultimeter data: "!!" (packet mode) or "$ULTW" (data logger mode) followed by fields of
// four hexadecimal digits. Fields used: 1 wind speed, 2 wind direction, 3 temperature in tenths of
// °F (signed), 5 pressure in tenths of hPa, 9 humidity in tenths of %, 12 rain since midnight; all
// but the temperature are stored as the station sends them. A field of dashes (no sensor) is not
// reported. Nothing unless the text starts with "!!" or "$ULT" and holds all twelve fields.
// Software is "ULTIMETER"; derived values are filled in.
std::optional<WeatherReport> parseUltimeter(QStringView information);
