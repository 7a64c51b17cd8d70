#pragma once

#include "gps/GpsPosition.h"

#include <QObject>
#include <QTcpSocket>
#include <memory>

class Clock;
class SettingsStore;
class Timer;

// The GPS position source: a client of gpsd (host and port from GPS/GPSDHOST and GPS/GPSDPORT).
// While open it keeps a connection to gpsd, asks for JSON reports, turns TPV and SKY reports into
// the position record and, on every position with a usable fix, makes the position texts and
// emits a copy of record and texts. gpsd missing or going away is not an error: the reader tries
// again every few seconds until it is closed. Lives on the thread that owns the clock.
class GPSReader : public QObject {
    Q_OBJECT
public:
    static constexpr int kReconnectMs = 5000;
    static constexpr int kConnectTimeoutMs = 10000;

    GPSReader(SettingsStore& settings, Clock& clock, QObject* parent = nullptr);
    ~GPSReader() override;

    // Starts reading (connecting now, and again after every loss). Always succeeds: an absent gpsd
    // only means no positions yet.
    bool Open();
    void Close();
    bool isOpen() const { return m_open; }
    bool isConnected() const;

    // 1 after a position with a usable fix, 0 after one without, 0 at creation.
    int valid() const { return m_valid; }
    const GpsPosition& position() const { return m_position; }
    const GpsTexts& texts() const { return m_texts; }

    // Position processing: the fix quality text and valid flag, and the texts of the fields whose
    // bits are set. Returns whether the position is to be announced (false for fix quality 0,
    // which changes nothing but the fix quality text and the flag).
    static bool processPosition(const GpsPosition& position, GpsTexts& texts, int& validFlag);
    static QString fixQualityText(int quality);

    // Feeds one gpsd report line as if it came from the connection (used by the connection itself).
    void handleLine(QByteArrayView line);

signals:
    void positionUpdated(const GpsUpdate& update);
    void connectedChanged(bool connected);

private:
    void connectNow();
    void scheduleReconnect();
    void dropSocket();
    void onConnected();
    void onReadyRead();
    void onDisconnected();

    SettingsStore& m_settings;
    Clock& m_clock;
    std::unique_ptr<QTcpSocket> m_socket;
    std::unique_ptr<Timer> m_reconnectTimer;
    std::unique_ptr<Timer> m_connectTimeout;
    QByteArray m_buffer;
    bool m_discardingLine = false;
    bool m_open = false;
    bool m_connected = false;

    int m_valid = 0;
    GpsPosition m_position;
    GpsTexts m_texts;
};
