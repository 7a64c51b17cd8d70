#include "gps/NumberText.h"

#include <charconv>
#include <cmath>

namespace NumberText {

std::string fixed(double value, int decimals) {
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char buffer[400]; // enough for 1e308 with any precision used here
    if (decimals < 0) decimals = 0;
    if (decimals > 20) decimals = 20;
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return "nan";
    return std::string(buffer, result.ptr);
}

std::string integer(long long value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string padLeft(std::string text, int width, char fill) {
    if (static_cast<int>(text.size()) >= width) return text;
    if (fill == '0' && text.find('n') != std::string::npos) fill = ' '; // nan, inf: printf pads with spaces
    const std::string padding(static_cast<size_t>(width) - text.size(), fill);
    if (fill == '0' && !text.empty() && (text[0] == '-' || text[0] == '+'))
        return text.substr(0, 1) + padding + text.substr(1);
    return padding + text;
}

std::string integerNoZero(long long value, int width) {
    return padLeft(value == 0 ? std::string() : integer(value), width, ' ');
}

} // namespace NumberText
