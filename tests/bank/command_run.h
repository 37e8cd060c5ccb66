#pragma once

#include "bank/console.h"
#include "store/journal.h"
#include "support/file_bytes.h"

#include <QByteArray>
#include <QDateTime>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A sub-command run in-process, with what it wrote.
struct CommandRun
{
    int status = -1;
    QString out;
    QString err;
};

// Runs a command as `quorvane-bank NAME arguments…` would, the program's folder being
// `programFolder`.
CommandRun runCommand(CommandFunction command, const QStringList &arguments,
                      const QString &programFolder = QString());

// A source of n sound questions in today's form, question 2 with picture 1.
QByteArray sourceText(int questions);
// Bitmaps n.bmp in `folder`, small unless told.
void makePictures(const QString &folder, QList<int> numbers = {1}, QSize size = {40, 20});

// A moment of December 2026 at a workstation `offsetHours` east of UTC.
QDateTime at(int day, int hour, int minute, int offsetHours);

// An attempt as the program journals it: its row at registration and, when `right` is given,
// its result 40 minutes later.
struct Taken
{
    Journal::Attempt attempt;
    std::optional<int> right;
};

// Writes a bank of no questions at `path` whose journal holds `attempts`; returns `path`.
QString journalBank(const QString &path, const std::vector<Taken> &attempts);
// Changes a bank's journal as another program or a hand edit might.
void alterBank(const QString &bank, const QStringList &statements);
