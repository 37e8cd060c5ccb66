#pragma once

#include <QString>
#include <QTextStream>

// Where a command writes and which program it prepares banks for: people's output on `out`,
// problems on `err`, one a line; `programFolder` is the folder of the installed program, whose
// pictures/ the exam reads.
struct Console
{
    QTextStream &out;
    QTextStream &err;
    QString programFolder;

    QString programPictures() const;
};

namespace ExitCode {
constexpr int Done = 0;
constexpr int Refused = 1;
constexpr int Usage = 2;
// import: the bank was written, but the program would refuse it.
constexpr int WrittenButRefused = 3;
} // namespace ExitCode

// A sub-command: its name, a line for the tool's help, and what it runs. `measuresText` asks for
// a graphical application object, to measure texts in the exam's fonts.
using CommandFunction = int (*)(const QStringList &arguments, Console &console);
struct Command
{
    const char *name;
    const char *summary;
    bool measuresText;
    CommandFunction run;
};

int makeCommand(const QStringList &arguments, Console &console);
int checkCommand(const QStringList &arguments, Console &console);
int exportCommand(const QStringList &arguments, Console &console);
int importCommand(const QStringList &arguments, Console &console);
int prepareCommand(const QStringList &arguments, Console &console);
int resultsCommand(const QStringList &arguments, Console &console);
int upgradeCommand(const QStringList &arguments, Console &console);
int protocolCommand(const QStringList &arguments, Console &console);
int statsCommand(const QStringList &arguments, Console &console);
