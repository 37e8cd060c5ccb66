#pragma once

#include "bank/console.h"
#include "support/file_bytes.h"

#include <QByteArray>
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
