#include "app/OwnBeacons.h"
#include "app/ActivePortList.h"
#include "platform/Settings.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace {
struct Recorder {
    std::vector<OutboundPacket> sent;
    OwnBeacons::Send send() {
        return [this](const OutboundPacket& p) { sent.push_back(p); };
    }
};
} // namespace

TEST(OwnBeacons, DefaultsGiveTheDocumentedReportAndBeacon) {
    TempHome t;
    Recorder r;
    OwnBeacons beacons(t.settings, r.send());
    ActivePortList ports;
    ports.entries = {{-1, "APRS Server", 1}, {0, "Port 1", 1}};
    beacons.sendPositionReport(ports);
    ASSERT_EQ(r.sent.size(), 2u);
    for (const OutboundPacket& p : r.sent) {
        EXPECT_EQ(p.part1, "=4035.90N/02258.20E-");
        EXPECT_EQ(p.part2, "Quillon");
        EXPECT_EQ(p.fromCall, "NOCALL");
        EXPECT_EQ(p.toCall, "APZEL");
        EXPECT_EQ(p.viaPath, "RELAY");
    }
    EXPECT_EQ(r.sent[0].port, -1);
    EXPECT_EQ(r.sent[1].port, 0);

    const OutboundPacket b = beacons.beaconText(0);
    EXPECT_EQ(b.part1, ">");
    EXPECT_EQ(b.part2, "QUILLON");
    EXPECT_EQ(b.toCall, "APZEL");
    EXPECT_EQ(b.viaPath, "") << "beacon texts have no via path by default";
}

TEST(OwnBeacons, SymbolTablePhgAndPerPortSettingsAreReadAtSendingTime) {
    TempHome t;
    Recorder r;
    OwnBeacons beacons(t.settings, r.send());
    write(t.settings, Settings::POSICONTABLE, 1);
    write(t.settings, Settings::POSICON, 0);
    write(t.settings, Settings::PHGENABLE, 0, 1);
    EXPECT_EQ(beacons.positionReport(0).part1, "=4035.90N\\02258.20E!PHG") << "empty PHG digits: PHG alone";
    write(t.settings, Settings::PHG, 0, "5132");
    EXPECT_EQ(beacons.positionReport(0).part1, "=4035.90N\\02258.20E!PHG5132");
    EXPECT_EQ(beacons.positionReport(1).part1, "=4035.90N\\02258.20E!") << "PHG is per port";

    write(t.settings, Settings::TOCALL, "APQUIL");
    write(t.settings, Settings::VIAPATH_BEACON, 2, "WIDE2-1");
    write(t.settings, Settings::BTEXT, 2, "On the air");
    const OutboundPacket b = beacons.beaconText(2);
    EXPECT_EQ(b.toCall, "APQUIL");
    EXPECT_EQ(b.viaPath, "WIDE2-1");
    EXPECT_EQ(b.part2, "On the air");
    EXPECT_EQ(beacons.positionReport(2).toCall, "APZEL") << "the position report never uses TOCALL";
}
