#pragma once

#include "services.h"

#include <QString>

#include <functional>

class RuntimeError;

// The forms runtime's non-visual operations: message boxes, DoEvents, End, the clock, the random
// generator, App.Path, and the error policy. One per program run, given to every form.
class Runtime final
{
public:
    enum class Timers { Real, Manual };

    Runtime(Clock &clock, RandomSource &random, MessageBoxes &boxes, Ending &ending,
            QString appPath, Timers timers = Timers::Real);

    // The application title, shown on every box without a title of its own.
    static QString title() { return QStringLiteral("Quorvane"); }

    int MsgBox(const QString &prompt, int style = vbOKOnly, const QString &title = {});
    void DoEvents();
    [[noreturn]] void End();
    // What must happen however the program ends, just before it does: closing its files.
    void atEnd(std::function<void()> action) { m_atEnd = std::move(action); }

    void Randomize() { m_random.randomize(); }
    double Rnd() { return m_random.next(); }

    // Day counts as the program keeps times: one day is 1, one second 1/86400.
    double Time() const;
    double Date() const;
    QDateTime now() const { return m_clock.now(); }

    const QString &appPath() const { return m_appPath; }
    bool ended() const { return m_ended; }
    bool manualTimers() const { return m_timers == Timers::Manual; }

    // Runs one event handler under the error policy: a runtime error stops the handler, is
    // reported in one box, and ends the program. After the end no handler runs.
    void run(const std::function<void()> &handler) noexcept;

private:
    void report(const RuntimeError &error) noexcept;
    void end() noexcept;
    void throwIfEnded() const;

    Clock &m_clock;
    RandomSource &m_random;
    MessageBoxes &m_boxes;
    Ending &m_ending;
    std::function<void()> m_atEnd;
    QString m_appPath;
    Timers m_timers;
    bool m_ended = false;
    // An error is being reported: the report's box is the last thing the program does.
    bool m_failing = false;
};
