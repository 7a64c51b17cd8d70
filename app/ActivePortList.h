#pragma once

#include <QString>
#include <vector>

// The ports that carry position reports and beacon texts: the APRS-IS server (-1) when connected
// and enabled, then each enabled engine port, each with its beacon countdown in minutes.
struct ActivePort {
    int port = 0;
    QString name;
    int beaconCountdown = 1;
};

struct ActivePortList {
    static constexpr int kMaxPorts = 100;
    std::vector<ActivePort> entries;
    int count() const { return static_cast<int>(entries.size()); }
};
