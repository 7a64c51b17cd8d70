#pragma once

#include "engine/ReceivedFrame.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <array>

class GlobalObjects;

// One link's state: a coloured dot and the text beside it.
class LinkIndicator : public QWidget {
    Q_OBJECT
public:
    explicit LinkIndicator(const QString& name, QWidget* parent = nullptr);
    void set(const QString& text, const QColor& colour);
    QString text() const { return m_text->text(); }

private:
    QLabel* m_dot;
    QLabel* m_text;
};

// The state of every link, always in sight: the packet engine (connected with its ports, or
// retrying), the APRS-IS server (verified, receive only, connecting or off), the GPS fix and the
// rate of received packets. Link changes show at once; the rate is refreshed every second.
class LinkStatusBar : public QStatusBar {
    Q_OBJECT
public:
    enum class Level { Good, Waiting, Bad, Off };
    struct Indicator {
        QString text;
        Level level = Level::Off;
    };

    explicit LinkStatusBar(GlobalObjects& station, QWidget* parent = nullptr);

    static Indicator engineState(const GlobalObjects& station);
    static Indicator aprsIsState(const GlobalObjects& station);
    static Indicator gpsState(const GlobalObjects& station);
    // Received packets per second over the last ten seconds (fewer right after the first packet).
    double packetRate() const;

public slots:
    void refresh();

private:
    void countFrame(const ReceivedFrame& frame);
    void show(LinkIndicator* widget, const Indicator& indicator);
    qint64 nowSecond() const;

    GlobalObjects& m_station;
    LinkIndicator* m_engine;
    LinkIndicator* m_aprsIs;
    LinkIndicator* m_gps;
    QLabel* m_rate;
    QTimer m_refresh;
    // Received packets per second of the clock, for the last ten seconds.
    static constexpr int kRateSeconds = 10;
    std::array<int, kRateSeconds> m_counts{};
    std::array<qint64, kRateSeconds> m_seconds{};
    qint64 m_firstSecond = -1;
};
