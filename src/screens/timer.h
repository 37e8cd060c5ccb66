#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class Runtime;

// A timer control: its handler runs about every Interval ms while it is enabled. Enabling an
// enabled timer does not restart its rhythm. Under test the runtime's timers are manual and the
// test delivers each tick with tick().
class Timer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Timer)

public:
    Timer(Runtime &runtime, int interval, bool enabled, QObject *parent = nullptr);

    void onTimer(std::function<void()> handler) { m_handler = std::move(handler); }

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    int Interval() const { return m_interval; }

    // One tick, as the runtime delivers it: nothing while disabled.
    void tick();

private:
    Runtime &m_runtime;
    QTimer m_timer;
    int m_interval;
    bool m_enabled = false;
    std::function<void()> m_handler;
};
