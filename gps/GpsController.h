#pragma once

#include "engine/OutboundPacket.h"
#include "gps/GpsPosition.h"
#include "gps/MicEEncoder.h"

#include <QDateTime>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>

class Clock;
class GPSReader;
class SettingsStore;
class StationManager;

// The mobile station: owns the GPS reader while GPS reading runs, and on every usable position
// enters the own mobile station into the station database and decides whether to send a Mic-E
// position report (first fix, elapsed minutes, distance travelled, change of heading). Reports
// leave through the send function (the central object's SendPacketUN), one per port of
// GPS/RADIOPORTSTX. The beacon state lives as long as the controller; stopping and starting the
// reader keeps it. Runs on the thread of the clock and the station database.
class GpsController : public QObject {
    Q_OBJECT
public:
    using SendPacket = std::function<void(const OutboundPacket&)>;

    struct BeaconState {
        QDateTime lastTransmission; // local time; invalid: never transmitted
        double lastLatitude = 0.0;  // last sample position
        double lastLongitude = 0.0;
        double accumulatedKm = 0.0; // travelled since the last transmission
        int lastHeading = 0;        // whole degrees
    };

    GpsController(SettingsStore& settings, Clock& clock, StationManager& stations, SendPacket send,
                  QObject* parent = nullptr);
    ~GpsController() override;

    // Starts GPS reading (a reader connected to gpsd, retrying while gpsd is away). True when running.
    bool start();
    void stop();
    bool isRunning() const { return m_reader != nullptr; }
    // The reader while running, else nullptr.
    GPSReader* reader() const { return m_reader.get(); }

    // The last position handed in, for the GPS view; nullopt before the first.
    const std::optional<GpsUpdate>& lastUpdate() const { return m_last; }
    const BeaconState& beaconState() const { return m_beacon; }

    // The symbol of the mobile station from GPS/POSICONTABLE and GPS/POSICON: table '/' or '\\'
    // and code ('>' for the default entry 29, the car).
    std::pair<char, char> symbol() const;

    // The Mic-E report of a position (destination and information field without the status).
    std::optional<MicEReport> composeReport(const GpsUpdate& update) const;

public slots:
    // A position from the reader (or from a test): updates the view's copy, and for a valid
    // position away from exactly 0.0 the own station and the beacon decision.
    void processUpdate(const GpsUpdate& update);

signals:
    // After every position handed in (the GPS view refreshes from it).
    void positionUpdated(const GpsUpdate& update);
    // The own mobile station was entered into the station database.
    void ownStationUpdated(const QString& call);
    // A mobile report was composed and handed to the send function for each port (possibly none).
    void beaconTransmitted(const QString& destination, const QString& information);
    void runningChanged(bool running);

private:
    void updateOwnStation(const GpsUpdate& update);
    void beaconDecision(const GpsUpdate& update);
    void transmit(const GpsUpdate& update);

    SettingsStore& m_settings;
    Clock& m_clock;
    StationManager& m_stations;
    SendPacket m_send;
    std::unique_ptr<GPSReader> m_reader;
    std::optional<GpsUpdate> m_last;
    BeaconState m_beacon;
    bool m_handlingUpdate = false;
};
