#include "runtime.h"

#include "store/runtime_error.h"
#include "time_text.h"

#include <QCoreApplication>

#include <cstdio>
#include <new>

Runtime::Runtime(Clock &clock, RandomSource &random, MessageBoxes &boxes, Ending &ending,
                 QString appPath, Timers timers)
    : m_clock(clock), m_random(random), m_boxes(boxes), m_ending(ending),
      m_appPath(std::move(appPath)), m_timers(timers)
{}

int Runtime::MsgBox(const QString &prompt, int style, const QString &title)
{
    throwIfEnded();
    const int answer = m_boxes.ask(prompt, style, title.isEmpty() ? Runtime::title() : title);
    // The box may have run an ending handler while it was open.
    throwIfEnded();
    return answer;
}

void Runtime::DoEvents()
{
    throwIfEnded();
    QCoreApplication::processEvents();
    throwIfEnded();
}

void Runtime::End()
{
    end();
    throw ProgramEnded{};
}

void Runtime::end() noexcept
{
    if (m_ended)
        return;
    m_ended = true;
    if (m_atEnd) {
        try {
            m_atEnd();
        } catch (...) {
            // Ending goes on: the process stops whatever closing a file said.
        }
    }
    m_ending.end();
}

double Runtime::Time() const
{
    return timeOfDay(m_clock.now().time());
}

double Runtime::Date() const
{
    return dayCount(m_clock.now().date());
}

void Runtime::run(const std::function<void()> &handler) noexcept
{
    // While an error's box is open, the timers and clicks it lets through must not go on with the
    // run: a countdown would score and record a question whose answers were never shown.
    if (m_ended || m_failing)
        return;
    try {
        handler();
    } catch (const ProgramEnded &) {
    } catch (const RuntimeError &error) {
        report(error);
    } catch (const std::bad_alloc &) {
        report(RuntimeError(7, QStringLiteral("Недостаточно памяти")));
    } catch (const std::exception &error) {
        report(RuntimeError(
            51, QStringLiteral("Внутренняя ошибка: %1").arg(QString::fromLocal8Bit(error.what()))));
    }
}

void Runtime::report(const RuntimeError &error) noexcept
{
    if (m_ended || m_failing)
        return;
    m_failing = true;
    try {
        QString logged =
            QStringLiteral("quorvane: ошибка %1: %2").arg(error.number()).arg(error.description());
        if (!error.detail().isEmpty())
            logged += QStringLiteral(" [%1]").arg(error.detail());
        std::fprintf(stderr, "%s\n", logged.toLocal8Bit().constData());
        m_boxes.ask(QStringLiteral("Ошибка выполнения %1:\r\n\r\n%2")
                        .arg(error.number())
                        .arg(error.description()),
                    vbCritical, title());
        End();
    } catch (...) {
        // Ended, or the report itself failed: either way nothing more runs.
        end();
    }
}

void Runtime::throwIfEnded() const
{
    if (m_ended)
        throw ProgramEnded{};
}
