#pragma once

#include "app/GlobalObjects.h"
#include "cli/EngineSimulator.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "support/TempHome.h"
#include "support/Wait.h"

#include <QHostAddress>
#include <memory>

// A station in a temporary home, on a manual clock, wired to a packet engine simulator on an
// ephemeral loopback port. Frames the station handles are collected in order.
struct StationFixture {
    TempHome t;
    ManualClock clock;
    ScriptedPrompter prompter;
    std::unique_ptr<EngineSimulator> engine = std::make_unique<EngineSimulator>();
    std::unique_ptr<GlobalObjects> station;
    std::vector<ReceivedFrame> handled;
    int beeps = 0;

    explicit StationFixture(const QString& ports = QStringLiteral("2;Port 1 VHF;Port 2 HF")) {
        engine->setPortInformation(ports);
        engine->listen(QHostAddress::LocalHost, 0);
        write(t.settings, Settings::ComputerName, QStringLiteral("127.0.0.1"));
        write(t.settings, Settings::Port, engine->port());
        // A station without a call sign transmits nothing; the links are tested with one.
        write(t.settings, Settings::MYCALL, QStringLiteral("N0QPA"));
    }

    void start() {
        station = std::make_unique<GlobalObjects>(t.home, t.settings, clock, prompter);
        QObject::connect(station.get(), &GlobalObjects::ownPacketHeard, [this] { ++beeps; });
        QObject::connect(station.get(), &GlobalObjects::frameHandled,
                         [this](const ReceivedFrame& f) { handled.push_back(f); });
        station->start();
    }

    // Started and monitoring: the station has asked for the ports and switched monitoring on.
    bool startAndWaitForMonitoring() {
        start();
        return waitUntil([this] { return engine->monitoringClientCount() == 1; });
    }

    void tick() { clock.advance(60000); }

    // Frames of the given kinds the simulator received, in order.
    std::vector<EngineFrame> framesOfKind(const QByteArray& kinds) const {
        std::vector<EngineFrame> out;
        for (const EngineFrame& f : engine->receivedFrames())
            if (kinds.contains(static_cast<char>(f.header.kind))) out.push_back(f);
        return out;
    }
};
