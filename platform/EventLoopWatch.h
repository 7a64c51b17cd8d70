#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

// Measures how long the event loop goes without turning: a timer asks to run every few
// milliseconds and notes how late each run is. Every report period it hands on the longest
// stall, the resident memory and the number of turns, then starts counting afresh.
class EventLoopWatch : public QObject {
    Q_OBJECT
public:
    struct Report {
        double seconds = 0;    // since the watch started
        qint64 maxStallMs = 0; // longest gap between two turns beyond the asked interval
        qint64 residentKb = 0; // resident set size
        int turns = 0;
    };
    explicit EventLoopWatch(int reportMs = 10000, QObject* parent = nullptr);
    std::function<void(const Report&)> onReport;
    // A single stall longer than kLongStallMs, told at once with the time it ended.
    static constexpr qint64 kLongStallMs = 50;
    std::function<void(double seconds, qint64 stallMs)> onLongStall;
    // Resident set size of this process in KiB (0 where unknown).
    static qint64 residentKb();

private:
    void tick();

    static constexpr int kIntervalMs = 5;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_periodStart = 0;
    qint64 m_maxStall = 0;
    int m_turns = 0;
    int m_reportMs;
};
