#include "gps/MicEEncoder.h"

#include <algorithm>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool digitsAt(QByteArrayView text, std::initializer_list<int> positions) {
    for (int i : positions)
        if (!isDigit(text[i])) return false;
    return true;
}

int number(QByteArrayView text, int from, int count) {
    int v = 0;
    for (int i = from; i < from + count; ++i) v = v * 10 + (text[i] - '0');
    return v;
}

} // namespace

std::optional<MicEReport> MicEEncoder::encode(QByteArrayView lat, QByteArrayView lon, int course, int speed,
                                              int altitudeMetres, char symbolCode, char symbolTable) {
    if (lat.size() < 8 || !digitsAt(lat, {0, 1, 2, 3, 5, 6}) || lat[4] != '.' ||
        (lat[7] != 'N' && lat[7] != 'S'))
        return std::nullopt;
    if (lon.size() < 9 || !digitsAt(lon, {0, 1, 2, 3, 4, 6, 7}) || lon[5] != '.' ||
        (lon[8] != 'E' && lon[8] != 'W'))
        return std::nullopt;

    int degrees = number(lon, 0, 3);
    int minutes = number(lon, 3, 2);
    int hundredths = number(lon, 6, 2);
    if (degrees > 179) { // 180 degrees has no byte of its own; the nearest the format holds
        degrees = 179;
        minutes = 59;
        hundredths = 99;
    }
    minutes = std::min(minutes, 59);
    const bool north = lat[7] == 'N';
    const bool west = lon[8] == 'W';
    const bool offset = degrees <= 9 || degrees >= 100;

    MicEReport r;
    r.destination.resize(6);
    r.destination[0] = raise(lat[0]);
    r.destination[1] = raise(lat[1]);
    r.destination[2] = lat[2];
    r.destination[3] = north ? raise(lat[3]) : lat[3];
    r.destination[4] = offset ? raise(lat[5]) : lat[5];
    r.destination[5] = west ? raise(lat[6]) : lat[6];

    speed = std::clamp(speed, 0, 799);
    if (course < 0 || course > 360) course = (course % 360 + 360) % 360;
    const int a = std::clamp(altitudeMetres, -10000, 91 * 91 * 91 - 1 - 10000) + 10000;

    int d;
    if (degrees <= 9)
        d = degrees + 118;
    else if (degrees <= 99)
        d = degrees + 28;
    else if (degrees <= 109)
        d = degrees + 8;
    else
        d = degrees - 72;

    r.information.reserve(13);
    r.information += '`';
    r.information += static_cast<char>(d);
    r.information += static_cast<char>(minutes <= 9 ? minutes + 88 : minutes + 28);
    r.information += static_cast<char>(hundredths + 28);
    r.information += static_cast<char>(speed / 10 + 28);
    // Course hundreds go out raised by 4 (+32, not +28); decoders take 400 off again.
    r.information += static_cast<char>(10 * (speed % 10) + course / 100 + 32);
    r.information += static_cast<char>(course % 100 + 28);
    r.information += symbolCode;
    r.information += symbolTable;
    r.information += static_cast<char>(a / 8281 + 33);
    r.information += static_cast<char>(a % 8281 / 91 + 33);
    r.information += static_cast<char>(a % 8281 % 91 + 33);
    r.information += '}';
    return r;
}
