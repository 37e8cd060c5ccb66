#include "command_line.h"

#include "store/safe_file.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QCommandLineOption HelpOption({QStringLiteral("h"), QStringLiteral("help")},
                                    QStringLiteral("показать эту справку"));

QString optionNames(const QCommandLineOption &option)
{
    QStringList names;
    for (const QString &name : option.names())
        names.push_back((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    QString text = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        text += QLatin1Char(' ') + option.valueName();
    return text;
}

// The parser's own messages, in Russian.
QString russian(QString error)
{
    static const std::pair<const char *, const char *> words[] = {
        {"Unknown options: ", "неизвестные ключи: "},
        {"Unknown option ", "неизвестный ключ "},
        {"Missing value after ", "нет значения после "},
        {"Unexpected value after ", "лишнее значение после "},
    };
    for (const auto &[english, translation] : words)
        error.replace(QLatin1String(english), QString::fromUtf8(translation));
    if (error.endsWith(QLatin1Char('.')))
        error.chop(1);
    return error;
}

} // namespace

CommandLine::CommandLine(QString command, QStringList arguments, QString description,
                         QList<QCommandLineOption> options)
    : m_command(std::move(command)), m_arguments(std::move(arguments)),
      m_description(std::move(description)), m_options(std::move(options))
{
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(HelpOption);
    m_parser.addOptions(m_options);
}

std::optional<int> CommandLine::parse(const QStringList &arguments, Console &console)
{
    const QString usage = QStringLiteral("; справка: quorvane-bank %1 --help").arg(m_command);
    if (!m_parser.parse(QStringList{m_command} + arguments)) {
        console.err << QStringLiteral("quorvane-bank %1: ").arg(m_command)
                    << russian(m_parser.errorText()) << usage << Qt::endl;
        return ExitCode::Usage;
    }
    if (m_parser.isSet(HelpOption)) {
        console.out << help() << Qt::flush;
        return ExitCode::Done;
    }
    const qsizetype given = m_parser.positionalArguments().size();
    const bool repeatsLast =
        !m_arguments.isEmpty() && m_arguments.back().endsWith(QChar(u'\u2026'));
    if (given < m_arguments.size() || (given > m_arguments.size() && !repeatsLast)) {
        console.err << QStringLiteral("quorvane-bank %1: ").arg(m_command)
                    << (given < m_arguments.size()
                            ? QStringLiteral("не хватает аргумента %1").arg(m_arguments[given])
                            : QStringLiteral("лишний аргумент «%1»")
                                  .arg(m_parser.positionalArguments()[m_arguments.size()]))
                    << usage << Qt::endl;
        return ExitCode::Usage;
    }
    return std::nullopt;
}

QString CommandLine::help() const
{
    QList<QCommandLineOption> all;
    for (const QCommandLineOption &option : m_options)
        if (!(option.flags() & QCommandLineOption::HiddenFromHelp))
            all.push_back(option);
    QString text = QStringLiteral("Использование: quorvane-bank %1").arg(m_command);
    for (const QCommandLineOption &option : all)
        text += QStringLiteral(" [%1]").arg(optionNames(option));
    for (const QString &argument : m_arguments)
        text += QLatin1Char(' ') + argument;
    text += QStringLiteral("\n\n") + m_description + QStringLiteral("\n\nКлючи:\n");
    all.push_back(HelpOption);
    for (const QCommandLineOption &option : all)
        text += QStringLiteral("  %1\n      %2\n").arg(optionNames(option), option.description());
    return text;
}

QCommandLineOption picturesOption(const QString &whatDefault)
{
    return QCommandLineOption(
        QStringLiteral("pictures"),
        QStringLiteral("папка с рисунками вопросов (по умолчанию %1)").arg(whatDefault),
        QStringLiteral("ПАПКА"));
}

QCommandLineOption replaceOption()
{
    return QCommandLineOption(QStringLiteral("replace"),
                              QStringLiteral("заменить уже существующий файл банка (в нём запись "
                                             "о последнем экзаменуемом)"));
}

QCommandLineOption sinceOption()
{
    return QCommandLineOption(
        QStringLiteral("since"),
        QStringLiteral("только попытки, начатые в этот день или позже (ГГГГ-ММ-ДД, по местной "
                       "дате рабочего места)"),
        QStringLiteral("ДАТА"));
}

QCommandLineOption untilOption()
{
    return QCommandLineOption(
        QStringLiteral("until"),
        QStringLiteral("только попытки, начатые в этот день или раньше (ГГГГ-ММ-ДД, по местной "
                       "дате рабочего места)"),
        QStringLiteral("ДАТА"));
}

std::optional<int> CommandLine::day(const QString &option, std::optional<QDate> &day,
                                    Console &console) const
{
    day.reset();
    if (!isSet(option))
        return std::nullopt;
    const QString text = value(option);
    static const QRegularExpression dateForm(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    const QDate read = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!dateForm.match(text).hasMatch() || !read.isValid()) {
        console.err << QStringLiteral("quorvane-bank %1: --%2: «%3» — не дата ГГГГ-ММ-ДД; "
                                      "справка: quorvane-bank %1 --help")
                           .arg(m_command, option, text)
                    << Qt::endl;
        return ExitCode::Usage;
    }
    day = read;
    return std::nullopt;
}

QString CommandLine::picturesBeside(const QString &file) const
{
    if (isSet(QStringLiteral("pictures")))
        return value(QStringLiteral("pictures"));
    return QFileInfo(file).dir().filePath(QStringLiteral("pictures"));
}

bool CommandLine::keepsExistingBank(const QString &bank, Console &console) const
{
    // A link counts as the file it names, even one leading nowhere: it is replaced, not followed.
    if (isSet(QStringLiteral("replace")) || !somethingAt(bank))
        return false;
    console.err << QStringLiteral("%1: файл уже есть, и в нём запись о последнем экзаменуемом; "
                                  "чтобы заменить его, добавьте --replace")
                       .arg(bank)
                << Qt::endl;
    return true;
}
