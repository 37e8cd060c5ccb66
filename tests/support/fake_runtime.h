#pragma once

#include "screens/runtime.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <stdexcept>
#include <vector>

// A message box as the program asked for it.
struct AskedBox
{
    QString prompt;
    int style = 0;
    QString title;
};

// Answers boxes from a script and keeps every box asked. A box with no scripted answer fails the
// test and is answered No (or OK), so a forgotten box never hangs a test.
class ScriptedBoxes final : public MessageBoxes
{
public:
    int ask(const QString &prompt, int style, const QString &title) override;

    void answer(int reply) { m_answers.push_back(reply); }
    // Runs while the box is open, before it is answered: what a person may do meanwhile.
    void whileOpen(std::function<void()> action) { m_whileOpen = std::move(action); }

    const std::vector<AskedBox> &asked() const { return m_asked; }
    int unanswered() const { return static_cast<int>(m_answers.size()); }

private:
    std::deque<int> m_answers;
    std::vector<AskedBox> m_asked;
    std::function<void()> m_whileOpen;
};

class FixedClock final : public Clock
{
public:
    FixedClock() : m_now(QDate(2026, 12, 9), QTime(10, 0, 0)) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &now) { m_now = now; }
    void advance(int seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now;
};

// Gives a fixed sequence of numbers, over and over; re-seeding is counted, not acted on.
class SequenceRandom final : public RandomSource
{
public:
    explicit SequenceRandom(std::vector<double> values = {0.5}) : m_values(std::move(values)) {}
    void randomize() override { ++m_seeds; }
    // A draw that never ends (a question more than the bank holds) fails the test at once
    // instead of hanging it until the test runner gives up.
    double next() override
    {
        if (++m_calls > 1'000'000)
            throw std::logic_error("a million random numbers: a draw that never ends");
        return m_values[m_position++ % m_values.size()];
    }
    void set(std::vector<double> values)
    {
        m_values = std::move(values);
        m_position = 0;
    }
    int seeds() const { return m_seeds; }
    int calls() const { return m_calls; }

private:
    std::vector<double> m_values;
    std::size_t m_position = 0;
    int m_seeds = 0;
    int m_calls = 0;
};

class RecordingEnding final : public Ending
{
public:
    void end() override { ++m_ends; }
    int ends() const { return m_ends; }

private:
    int m_ends = 0;
};

// A runtime whose services are all fakes, with manual timers. The program's folder (where it
// looks for pictures/) is the build's program folder unless a test gives its own.
struct FakeRuntime
{
    explicit FakeRuntime(QString appPath = QStringLiteral(QUORVANE_TEST_APP_PATH))
        : runtime(clock, random, boxes, ending, std::move(appPath), Runtime::Timers::Manual)
    {}

    ScriptedBoxes boxes;
    FixedClock clock;
    SequenceRandom random;
    RecordingEnding ending;
    Runtime runtime;

    bool ended() const { return ending.ends() > 0; }
};
