#include "app/GlobalObjects.h"

#include "aprsis/APRSServerClient.h"
#include "engine/PESocket.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "platform/TextRules.h"
#include "platform/Trace.h"

#include <QElapsedTimer>
#include <QTimer>

GlobalObjects::GlobalObjects(const StationHome& home, SettingsStore& settings, Clock& clock,
                             Prompter& prompter, QObject* parent)
    : QObject(parent), m_home(home), m_settings(settings), m_clock(clock), m_prompter(prompter),
      m_stations(m_home, settings, clock),
      m_beacons(settings, [this](const OutboundPacket& p) { SendPacketUN(p); }), m_tracks(m_stations),
      m_messages(m_home, settings, clock, m_stations, [this](const OutboundPacket& p) { SendPacketUN(p); }),
      m_objects(m_home, clock, [this](const QString& report) { sendToAllActivePorts(report); }),
      m_gps(settings, clock, m_stations, [this](const OutboundPacket& p) { SendPacketUN(p); }) {
    m_stations.setTrackSink(&m_tracks);
    m_stations.setMessageSink(&m_messages);
    m_messages.setPrompter(&m_prompter);
    qRegisterMetaType<ReceivedFrame>();
    qRegisterMetaType<EnginePortList>();
}

GlobalObjects::~GlobalObjects() {
    shutdown();
}

void GlobalObjects::start(int tickMs) {
    if (m_started) return;
    m_started = true;
    m_stations.Load();
    m_messages.Load();
    m_objects.Load();
    connectEngine();
    if (read(m_settings, Settings::APRSRVCONNECTSTARTUP) != 0) ConnectAPRSServer();
    m_minuteTimer = m_clock.createTimer();
    m_minuteTimer->onTimeout = [this] { minuteTick(); };
    m_minuteTimer->start(tickMs);
}

void GlobalObjects::shutdown() {
    if (m_shutDown) return;
    m_shutDown = true;
    if (m_minuteTimer) m_minuteTimer->stop();
    if (!m_pending.empty())
        Trace::write(QStringLiteral("%1 received frames not handled at shutdown").arg(m_pending.size()));
    m_pending.clear();
    m_gps.stop();
    m_aprsClient.reset();
    if (m_engine) {
        m_engine->disconnectGracefully();
        m_engine.reset();
    }
    if (m_started) {
        m_stations.Save();
        m_messages.Save();
        m_objects.Save();
    }
    m_stations.RemoveAll();
}

// --- outgoing

bool GlobalObjects::isTransmittableCall(const QString& call) {
    const QString c = call.trimmed();
    return !c.isEmpty() && c.compare(QLatin1String("NOCALL"), Qt::CaseInsensitive) != 0;
}

bool GlobalObjects::hasOwnCall() const {
    return isTransmittableCall(read(m_settings, Settings::MYCALL));
}

void GlobalObjects::SendPacketUN(const OutboundPacket& packet) {
    if (!isTransmittableCall(packet.fromCall)) {
        Trace::write(QStringLiteral("not sent, no call sign set: %1").arg(packet.part1));
        return;
    }
    // A line break would start a second line to the server, a NUL end the frame early.
    if (!TextRules::isSendableAddress(packet.fromCall) || !TextRules::isSendableAddress(packet.toCall) ||
        TextRules::hasControlCharacter(packet.viaPath) || !TextRules::isSendableInformation(packet.part1) ||
        !TextRules::isSendableInformation(packet.part2)) {
        Trace::write(QStringLiteral("not sent, control character in the packet"));
        return;
    }
    if (packet.port == -1) {
        if (m_aprsClient && m_aprsClient->isConnected()) m_aprsClient->SendPacket(packet);
        return;
    }
    if (m_engine) m_engine->sendUnproto(packet);
}

void GlobalObjects::sendToAllActivePorts(const QString& data, const QString& fromCall) {
    const auto entries = m_activePorts.entries;
    for (const ActivePort& entry : entries) {
        OutboundPacket p;
        p.part1 = data;
        p.fromCall = fromCall.isEmpty() ? read(m_settings, Settings::MYCALL) : fromCall;
        p.toCall = QStringLiteral("APZEL");
        p.viaPath = read(m_settings, Settings::VIAPATH_POSITION, entry.port);
        p.port = entry.port;
        SendPacketUN(p);
    }
}

void GlobalObjects::sendPositionNow() {
    m_beacons.sendPositionReport(m_activePorts);
}

// --- incoming

bool GlobalObjects::containsQuery(const QString& text) {
    // Only the information field (the line after the header) is checked, and only when the header
    // line has at least four words.
    const auto isBreak = [](QChar c) { return c == QLatin1Char('\r') || c == QLatin1Char('\n'); };
    qsizetype lineEnd = 0;
    while (lineEnd < text.size() && !isBreak(text[lineEnd])) ++lineEnd;
    if (lineEnd == text.size()) return false;
    if (QStringView(text).left(lineEnd).split(QLatin1Char(' '), Qt::SkipEmptyParts).size() < 4) return false;
    qsizetype infoStart = lineEnd;
    while (infoStart < text.size() && isBreak(text[infoStart])) ++infoStart;
    qsizetype infoEnd = infoStart;
    while (infoEnd < text.size() && !isBreak(text[infoEnd])) ++infoEnd;
    return QStringView(text).mid(infoStart, infoEnd - infoStart).contains(QLatin1String("?APRS?"));
}

void GlobalObjects::enqueueReceivedFrame(const ReceivedFrame& frame) {
    if (m_shutDown) return;
    if (m_pending.size() >= static_cast<size_t>(kMaxPendingFrames)) {
        if (m_droppedFrames++ % 1000 == 0)
            Trace::write(QStringLiteral("receive backlog full, frames dropped"));
        return;
    }
    m_pending.push_back(frame);
    if (!m_drainScheduled) {
        m_drainScheduled = true;
        // Handled from the event loop, never inside the link's own read handler.
        QTimer::singleShot(0, this, &GlobalObjects::drainReceivedFrames);
    }
}

void GlobalObjects::drainReceivedFrames() {
    m_drainScheduled = false;
    QElapsedTimer slice;
    slice.start();
    while (!m_pending.empty() && !m_shutDown) {
        const ReceivedFrame frame = std::move(m_pending.front());
        m_pending.pop_front();
        handleReceivedFrame(frame);
        if (slice.elapsed() >= kSliceMs) break;
    }
    if (!m_pending.empty() && !m_shutDown && !m_drainScheduled) {
        // The rest waits for the next turn of the event loop, after paints, input and timers.
        m_drainScheduled = true;
        QTimer::singleShot(0, this, &GlobalObjects::drainReceivedFrames);
    }
}

void GlobalObjects::handleReceivedFrame(const ReceivedFrame& frame) {
    StationRecord* record = nullptr;
    try {
        record = m_stations.ProcessMonitorText(frame.text, frame.port);
        if (containsQuery(frame.text)) m_positionCountdown = 0;
        if (record) m_stations.MoveToEnd(record);
    } catch (...) {
        Trace::write(QStringLiteral("Catch Error"));
        record = nullptr;
    }
    // The call, not the record: a listener may change the station list.
    const QString call = record ? record->call : QString();
    emit frameHandled(frame);
    if (!record) return;
    emit stationHeard(call, frame.fromInternet != 0);
    if (!frame.ownTransmission && read(m_settings, Settings::DIGIBEEP) != 0) {
        if (call == read(m_settings, Settings::MYCALL) || call == read(m_settings, Settings::GPS_CALL))
            emit ownPacketHeard();
    }
}

// --- ports

void GlobalObjects::onPortInformation(const EnginePortList& ports) {
    m_enginePorts = ports;
    RebuildActivePorts();
}

void GlobalObjects::RebuildActivePorts() {
    const int oldCount = m_activePorts.count();
    ActivePortList list;
    if (m_aprsClient && m_aprsClient->isConnected() && read(m_settings, Settings::ENABLERP, -1) != 0)
        list.entries.push_back({-1, QStringLiteral("APRS Server"), 1});
    for (int p = 0; p < m_enginePorts.count && list.count() < ActivePortList::kMaxPorts; ++p) {
        if (read(m_settings, Settings::ENABLERP, p) != 0) {
            // A port that stays keeps its countdown; a new one starts at 1.
            int countdown = 1;
            for (const ActivePort& old : m_activePorts.entries)
                if (old.port == p) countdown = old.beaconCountdown;
            list.entries.push_back({p, m_enginePorts.description(p), countdown});
        }
    }
    if (!list.entries.empty() && list.entries.front().port == -1) {
        for (const ActivePort& old : m_activePorts.entries)
            if (old.port == -1) list.entries.front().beaconCountdown = old.beaconCountdown;
    }
    m_enginePortSnapshot = m_enginePorts.count;
    if (list.count() != oldCount)
        for (ActivePort& e : list.entries) e.beaconCountdown = 1;
    m_activePorts = std::move(list);
    emit activePortsChanged();
    emit linksChanged();
}

// --- minute tick

void GlobalObjects::minuteTick() {
    try {
        if (--m_positionCountdown < 1) {
            // A period of 0 or below means never.
            m_positionCountdown = read(m_settings, Settings::POSEVERY);
            if (m_positionCountdown > 0) m_beacons.sendPositionReport(m_activePorts);
        }
        m_stations.Expire();
        m_objects.minuteTick();
        for (std::size_t i = 0; i < m_activePorts.entries.size(); ++i) {
            ActivePort& entry = m_activePorts.entries[i];
            if (--entry.beaconCountdown < 1) {
                entry.beaconCountdown = read(m_settings, Settings::BTIME, entry.port);
                if (entry.beaconCountdown > 0) m_beacons.sendBeaconText(entry.port);
            }
        }
        if (m_aprsClient && !m_aprsClient->isConnected()) {
            m_aprsClient.reset();
            RebuildActivePorts();
            if (read(m_settings, Settings::APRSRVRECONNECT) != 0) ConnectAPRSServer();
        }
        if (m_engine && !m_engine->isConnected()) {
            m_engine.reset();
            RebuildActivePorts();
            connectEngine();
        }
        emit linksChanged();
    } catch (...) {
        Trace::write(QStringLiteral("Catch Error"));
    }
}

// --- links

void GlobalObjects::connectEngine() {
    if (m_engineGivenUp) return;
    m_engine = std::make_unique<PESocket>(m_settings);
    connect(m_engine.get(), &PESocket::frameReceived, this, &GlobalObjects::enqueueReceivedFrame);
    connect(m_engine.get(), &PESocket::portInformation, this, &GlobalObjects::onPortInformation);
    connect(m_engine.get(), &PESocket::connected, this, &GlobalObjects::linksChanged);
    connect(m_engine.get(), &PESocket::closed, this, &GlobalObjects::RebuildActivePorts,
            Qt::QueuedConnection);
    const QString host = read(m_settings, Settings::ComputerName);
    const int port = read(m_settings, Settings::Port);
    if (!m_engine->connectToEngine(host, port)) {
        const auto answer =
            m_prompter.askYesNo(QStringLiteral("Failed to connect to Zel Packet Engine\nTry again?"),
                                Prompter::Icon::Information);
        if (answer == Prompter::Answer::No) {
            // No: no further attempt in this run.
            m_engine.reset();
            m_engineGivenUp = true;
        }
        emit linksChanged();
        // Yes: the link stays unconnected and the next minute tick replaces it.
    }
}

void GlobalObjects::disconnectEngine() {
    if (!m_engine) return;
    m_engine->disconnectGracefully();
    m_engine.reset();
    RebuildActivePorts();
}

void GlobalObjects::ConnectAPRSServer() {
    QString server = read(m_settings, Settings::APRSERVER);
    if (server.trimmed().isEmpty()) server = QString::fromLatin1(APRSServerClient::kDefaultServer);
    const auto [host, port] = APRSServerClient::parseServerText(server);
    m_aprsClient = std::make_unique<APRSServerClient>(m_settings, m_clock);
    connect(m_aprsClient.get(), &APRSServerClient::frameReceived, this, &GlobalObjects::enqueueReceivedFrame);
    connect(m_aprsClient.get(), &APRSServerClient::connectedChanged, this, &GlobalObjects::RebuildActivePorts,
            Qt::QueuedConnection);
    connect(m_aprsClient.get(), &APRSServerClient::loginStateChanged, this, &GlobalObjects::linksChanged);
    if (!m_aprsClient->Connect(host, port, read(m_settings, Settings::APRSRVFILTER),
                               read(m_settings, Settings::APRSRVLOGIN),
                               read(m_settings, Settings::APRSRVPASSWORD)))
        m_aprsClient.reset();
    emit linksChanged();
}

void GlobalObjects::disconnectAPRSServer() {
    if (!m_aprsClient) return;
    m_aprsClient.reset();
    RebuildActivePorts();
}

void GlobalObjects::toggleAPRSServer(const std::function<bool()>& confirmConnect) {
    if (m_aprsClient) {
        disconnectAPRSServer();
        return;
    }
    if (!confirmConnect || confirmConnect()) ConnectAPRSServer();
}
