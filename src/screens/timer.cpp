#include "timer.h"

#include "runtime.h"

Timer::Timer(Runtime &runtime, int interval, bool enabled, QObject *parent)
    : QObject(parent), m_runtime(runtime), m_interval(interval)
{
    m_timer.setInterval(interval);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Timer::tick);
    setEnabled(enabled);
}

void Timer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (m_runtime.manualTimers())
        return;
    if (enabled)
        m_timer.start();
    else
        m_timer.stop();
}

void Timer::tick()
{
    if (m_enabled && m_handler)
        m_runtime.run(m_handler);
}
