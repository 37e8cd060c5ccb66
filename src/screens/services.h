#pragma once

#include <QDateTime>
#include <QString>

// What the program asks of the world outside it. Production versions are in system_services.h;
// tests give their own, so that boxes are answered, the end is caught, the time is set and the
// random sequence is fixed.

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class RandomSource
{
public:
    virtual ~RandomSource() = default;
    // Re-seeds from the system timer.
    virtual void randomize() = 0;
    // The next number, 0 <= r < 1.
    virtual double next() = 0;
};

// Message box styles and answers, with the values the program's code uses.
enum MsgBoxStyle : int { vbOKOnly = 0, vbYesNo = 4, vbCritical = 16, vbInformation = 64 };
enum MsgBoxResult : int { vbOK = 1, vbYes = 6, vbNo = 7 };

class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // A modal box; returns the answer (vbOK, vbYes or vbNo). The title is never empty here.
    virtual int ask(const QString &prompt, int style, const QString &title) = 0;
};

class Ending
{
public:
    virtual ~Ending() = default;
    // Ends the process. The production version does not return; a test's version records the
    // end and returns, after which the runtime unwinds the handler.
    virtual void end() = 0;
};
