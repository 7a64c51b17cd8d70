#pragma once

#include "cli/AprsIsSimulator.h"
#include "support/StationFixture.h"

// A station with both links to simulators on loopback, beacons enabled on the APRS-IS server and
// on engine port 0.
struct LinkedStation : StationFixture {
    AprsIsSimulator server;
    LinkedStation() {
        server.listen(QHostAddress::LocalHost, 0);
        write(t.settings, Settings::APRSERVER, QStringLiteral("127.0.0.1:%1").arg(server.port()));
        write(t.settings, Settings::APRSRVCONNECTSTARTUP, 1);
        write(t.settings, Settings::ENABLERP, -1, 1);
        write(t.settings, Settings::ENABLERP, 0, 1);
    }
    // Started, monitoring, logged in, and both ports active.
    bool startAndWaitForBoth() {
        start();
        return waitUntil([this] {
            return engine->monitoringClientCount() == 1 && server.loginLines().size() == 1 &&
                   station->activePorts().count() == 2;
        });
    }
    // Lets loopback bytes arrive without moving the clock.
    static void settle() {
        waitUntil([] { return false; }, 200);
    }
};
