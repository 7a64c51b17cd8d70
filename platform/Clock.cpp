#include "platform/Clock.h"

#include <QTimer>
#include <algorithm>
#include <limits>

namespace {
class QtTimer : public Timer {
public:
    QtTimer() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (onTimeout) onTimeout();
        });
    }
    void start(int intervalMs) override {
        m_timer.setSingleShot(false);
        m_timer.start(intervalMs);
    }
    void startSingleShot(int delayMs) override {
        m_timer.setSingleShot(true);
        m_timer.start(delayMs);
    }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};
} // namespace

QDateTime Clock::nowLocal() const {
    return toLocal(nowUtc());
}

QDateTime Clock::toLocal(const QDateTime& utc) {
    struct Cache {
        qint64 bucket = std::numeric_limits<qint64>::min();
        int offset = 0;
    };
    thread_local Cache cache;
    const qint64 bucket = utc.toSecsSinceEpoch() / 900;
    if (bucket != cache.bucket) {
        cache.offset = utc.toLocalTime().offsetFromUtc();
        cache.bucket = bucket;
    }
    return utc.toOffsetFromUtc(cache.offset);
}

qint64 SystemClock::nowUtcMSecs() const {
    return QDateTime::currentMSecsSinceEpoch();
}

QDateTime SystemClock::nowUtc() const {
    return QDateTime::currentDateTimeUtc();
}
std::unique_ptr<Timer> SystemClock::createTimer() {
    return std::make_unique<QtTimer>();
}

class ManualClock::ManualTimer : public Timer {
public:
    explicit ManualTimer(ManualClock* clock) : m_clock(clock) { m_clock->m_timers.push_back(this); }
    ~ManualTimer() override {
        if (m_clock) std::erase(m_clock->m_timers, this);
    }
    void start(int intervalMs) override { arm(intervalMs, false); }
    void startSingleShot(int delayMs) override { arm(delayMs, true); }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    void arm(int ms, bool single) {
        m_interval = std::max(ms, 0);
        m_single = single;
        m_due = m_clock->m_now.addMSecs(m_interval);
        m_active = true;
        m_order = ++m_clock->m_sequence;
    }

    ManualClock* m_clock;
    QDateTime m_due;
    int m_interval = 0;
    bool m_single = false;
    bool m_active = false;
    quint64 m_order = 0;
};

ManualClock::ManualClock(QDateTime startUtc) : m_now(startUtc.toUTC()) {}

ManualClock::~ManualClock() {
    for (ManualTimer* t : m_timers) t->m_clock = nullptr;
}

std::unique_ptr<Timer> ManualClock::createTimer() {
    return std::make_unique<ManualTimer>(this);
}

void ManualClock::advance(qint64 ms) {
    const QDateTime target = m_now.addMSecs(ms);
    for (;;) {
        ManualTimer* next = nullptr;
        for (ManualTimer* t : m_timers) {
            if (!t->m_active || t->m_due > target) continue;
            if (!next || t->m_due < next->m_due || (t->m_due == next->m_due && t->m_order < next->m_order))
                next = t;
        }
        if (!next) break;
        m_now = next->m_due;
        if (next->m_single) {
            next->m_active = false;
        } else {
            // A zero interval would fire forever within one advance; treat it as 1 ms.
            next->m_due = next->m_due.addMSecs(std::max(next->m_interval, 1));
            next->m_order = ++m_sequence;
        }
        if (next->onTimeout) next->onTimeout();
    }
    m_now = target;
}
