#pragma once

#include "app/ActivePortList.h"
#include "app/OwnBeacons.h"
#include "aprs/StationManager.h"
#include "aprs/StationTracks.h"
#include "engine/EngineFrame.h"
#include "engine/OutboundPacket.h"
#include "engine/ReceivedFrame.h"
#include "gps/GpsController.h"
#include "messaging/MsgManager.h"
#include "messaging/OwnObjectsManager.h"
#include "platform/StationHome.h"

#include <QObject>
#include <deque>
#include <functional>
#include <memory>

class APRSServerClient;
class Clock;
class PESocket;
class Prompter;
class SettingsStore;
class Timer;

// The central object: owns the links and the long-lived managers, is the single exit for outgoing
// packets (SendPacketUN), handles every received frame in arrival order, and runs the minute tick
// (own position report, beacon texts, expiry, supervision and reconnection of both links).
class GlobalObjects : public QObject {
    Q_OBJECT
public:
    GlobalObjects(const StationHome& home, SettingsStore& settings, Clock& clock, Prompter& prompter,
                  QObject* parent = nullptr);
    ~GlobalObjects() override;

    // Loads the station database, connects to the packet engine (and the APRS-IS server when set to
    // connect at start-up) and starts the minute tick with the given period.
    void start(int tickMs = 60000);
    // The shutdown sequence; runs once (also from the destructor).
    void shutdown();

    // The single exit for outgoing unproto packets. Port -1 goes to the APRS-IS server when
    // connected, any other port to the packet engine when a link exists; otherwise dropped.
    // A packet whose source call is empty or NOCALL is never sent: a station that has not set its
    // call sign only listens.
    void SendPacketUN(const OutboundPacket& packet);
    // Whether a call sign may be the source of a transmitted packet.
    static bool isTransmittableCall(const QString& call);
    // Whether the station's own call (MYCALL) is set.
    bool hasOwnCall() const;
    // One packet on every active port (own objects): to APZEL, the port's via path.
    void sendToAllActivePorts(const QString& data, const QString& fromCall = {});
    // The own position report at once ("Tx Position").
    void sendPositionNow();

    // Decodes one received frame and tells the views (frameHandled, stationHeard).
    void handleReceivedFrame(const ReceivedFrame& frame);
    // Where the links deliver: frames wait in arrival order and are handled in slices of a few
    // milliseconds, so a burst the station cannot take at once never holds up the event loop (the
    // window, the timers). A backlog beyond kMaxPendingFrames drops the newest frames.
    void enqueueReceivedFrame(const ReceivedFrame& frame);
    static constexpr int kMaxPendingFrames = 50000;
    static constexpr int kSliceMs = 8;
    int pendingFrames() const { return static_cast<int>(m_pending.size()); }
    qint64 droppedFrames() const { return m_droppedFrames; }
    void RebuildActivePorts();
    void minuteTick();

    void connectEngine();
    void disconnectEngine();
    void ConnectAPRSServer();
    void disconnectAPRSServer();
    // The connect/disconnect command: drops a client that exists; otherwise asks the given
    // function (the server dialog) whether to connect, and connects when it says yes.
    void toggleAPRSServer(const std::function<bool()>& confirmConnect = {});

    const ActivePortList& activePorts() const { return m_activePorts; }
    const EnginePortList& enginePorts() const { return m_enginePorts; }
    int positionCountdown() const { return m_positionCountdown; }
    PESocket* engineSocket() const { return m_engine.get(); }
    APRSServerClient* aprsClient() const { return m_aprsClient.get(); }
    bool engineGivenUp() const { return m_engineGivenUp; }
    StationManager& stations() { return m_stations; }
    // Messages and bulletins: loaded at start, saved at shutdown; the message view attaches to
    // its signals (recordAdded, listChanged, queueChanged).
    MsgManager& messages() { return m_messages; }
    // The station's own objects: loaded at start, sent from the minute tick, saved at shutdown.
    OwnObjectsManager& objects() { return m_objects; }
    StationTracks& tracks() { return m_tracks; }
    GpsController& gps() { return m_gps; }
    const GpsController& gps() const { return m_gps; }
    SettingsStore& settings() const { return m_settings; }
    Clock& clock() const { return m_clock; }
    const StationHome& home() const { return m_home; }

signals:
    // The station's own packet was heard back (the window plays the information sound).
    void ownPacketHeard();
    // A link came up, went down or was replaced; read the state through the getters.
    void linksChanged();
    // Every handled frame, for the monitor (and the headless printer), after decoding.
    void frameHandled(const ReceivedFrame& frame);
    // The frame just handled created or updated this station (views repaint its place).
    void stationHeard(const QString& call, bool fromInternet);
    void activePortsChanged();

private:
    void onPortInformation(const EnginePortList& ports);
    void drainReceivedFrames();
    static bool containsQuery(const QString& text);

    StationHome m_home;
    SettingsStore& m_settings;
    Clock& m_clock;
    Prompter& m_prompter;
    StationManager m_stations;
    OwnBeacons m_beacons;
    StationTracks m_tracks;
    MsgManager m_messages;
    OwnObjectsManager m_objects;
    GpsController m_gps;
    std::unique_ptr<PESocket> m_engine;
    std::unique_ptr<APRSServerClient> m_aprsClient;
    std::unique_ptr<Timer> m_minuteTimer;
    std::deque<ReceivedFrame> m_pending;
    bool m_drainScheduled = false;
    qint64 m_droppedFrames = 0;
    EnginePortList m_enginePorts;
    ActivePortList m_activePorts;
    int m_enginePortSnapshot = 0;
    int m_positionCountdown = 1;
    bool m_engineGivenUp = false;
    bool m_started = false;
    bool m_shutDown = false;
};
