#include "platform/EventLoopWatch.h"

#include <QFile>
#include <unistd.h>

EventLoopWatch::EventLoopWatch(int reportMs, QObject* parent) : QObject(parent), m_reportMs(reportMs) {
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &EventLoopWatch::tick);
    m_clock.start();
    m_timer.start(kIntervalMs);
}

qint64 EventLoopWatch::residentKb() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2) return 0;
    return fields[1].toLongLong() * (sysconf(_SC_PAGESIZE) / 1024);
}

void EventLoopWatch::tick() {
    const qint64 now = m_clock.elapsed();
    const qint64 stall = now - m_last - kIntervalMs;
    m_maxStall = qMax(m_maxStall, stall);
    if (stall > kLongStallMs && onLongStall) onLongStall(now / 1000.0, stall);
    m_last = now;
    ++m_turns;
    if (now - m_periodStart < m_reportMs) return;
    if (onReport) onReport({now / 1000.0, m_maxStall, residentKb(), m_turns});
    m_periodStart = now;
    m_maxStall = 0;
    m_turns = 0;
}
