#pragma once

#include <QDateTime>
#include <functional>
#include <memory>
#include <vector>

// A timer from the station's clock. The callback runs on the thread that owns the clock.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void start(int intervalMs) = 0; // periodic
    virtual void startSingleShot(int delayMs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    std::function<void()> onTimeout;
};

// "Now" and timers. The program runs on the system clock; tests drive a ManualClock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime nowUtc() const = 0;
    // nowUtc() as milliseconds since 1970, for callers that read the clock for every packet.
    virtual qint64 nowUtcMSecs() const { return nowUtc().toMSecsSinceEpoch(); }
    // Local time as a fixed offset from UTC. The offset is looked up once per quarter hour (zone
    // changes fall on quarter hours), because every time-zone lookup costs a file-system check.
    QDateTime nowLocal() const;
    static QDateTime toLocal(const QDateTime& utc);
    virtual std::unique_ptr<Timer> createTimer() = 0;
};

class SystemClock : public Clock {
public:
    QDateTime nowUtc() const override;
    qint64 nowUtcMSecs() const override;
    std::unique_ptr<Timer> createTimer() override;
};

// A clock that only moves when told to. advance() fires every timer that falls due, in time order,
// with "now" set to each timer's due time while its callback runs.
class ManualClock : public Clock {
public:
    explicit ManualClock(QDateTime startUtc = QDateTime(QDate(2026, 1, 15), QTime(12, 0), Qt::UTC));
    ~ManualClock() override;
    QDateTime nowUtc() const override { return m_now; }
    std::unique_ptr<Timer> createTimer() override;
    void advance(qint64 ms);
    void setNow(const QDateTime& utc) { m_now = utc.toUTC(); }

private:
    class ManualTimer;
    friend class ManualTimer;
    QDateTime m_now;
    std::vector<ManualTimer*> m_timers;
    quint64 m_sequence = 0;
};
