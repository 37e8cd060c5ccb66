#pragma once

#include "console.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDate>
#include <QList>
#include <QStringList>

#include <optional>

// One sub-command's command line: its arguments by name, its options, and its help in Russian.
class CommandLine final
{
public:
    // `arguments` names the positional arguments, all required; a last name ending in "…" takes
    // one or more. `description` follows the usage line in the help.
    CommandLine(QString command, QStringList arguments, QString description,
                QList<QCommandLineOption> options = {});

    // Parses the arguments after the command's name. Returns the exit status when the command
    // should stop here: 0 after the help, 2 on wrong usage (told on `err`).
    std::optional<int> parse(const QStringList &arguments, Console &console);

    QString argument(int index) const { return m_parser.positionalArguments().at(index); }
    // The arguments from `index` on: those the repeated last name took.
    QStringList arguments(int index) const { return m_parser.positionalArguments().mid(index); }
    bool isSet(const QString &option) const { return m_parser.isSet(option); }
    QString value(const QString &option) const { return m_parser.value(option); }
    QStringList values(const QString &option) const { return m_parser.values(option); }

    QString help() const;

    // The day an option such as --since names (ГГГГ-ММ-ДД) into `day`, none when it is not given.
    // Returns the exit status of wrong usage, told on `err`, when it names no day.
    std::optional<int> day(const QString &option, std::optional<QDate> &day,
                           Console &console) const;

    // The --pictures folder, or pictures/ beside `file` when the option is not given.
    QString picturesBeside(const QString &file) const;
    // True, with the reason told, when anything (a link too) is at `bank` and --replace was not
    // given: a bank holds the record of the last examinee.
    bool keepsExistingBank(const QString &bank, Console &console) const;

private:
    QString m_command;
    QStringList m_arguments;
    QString m_description;
    QList<QCommandLineOption> m_options;
    QCommandLineParser m_parser;
};

// The options several commands share.
QCommandLineOption picturesOption(const QString &whatDefault);
QCommandLineOption replaceOption();
// --since and --until: attempts started on that day or after it, or on it or before it.
QCommandLineOption sinceOption();
QCommandLineOption untilOption();
