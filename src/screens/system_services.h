#pragma once

#include "services.h"

#include <cstdint>

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// Re-seeding mixes a nanosecond clock into the generator's state, so two seeds taken within the
// same tick of a coarse timer still give different sequences.
class SystemRandom final : public RandomSource
{
public:
    SystemRandom();
    void randomize() override;
    double next() override;

private:
    std::uint64_t m_state;
};

// Modal boxes with Russian buttons; Yes is the default, Escape answers No.
class DialogBoxes final : public MessageBoxes
{
public:
    int ask(const QString &prompt, int style, const QString &title) override;
};

class ProcessEnding final : public Ending
{
public:
    [[noreturn]] void end() override;
};
