// export BANK SOURCE: a bank as its text source, from which make builds the same questions.
#include "command_line.h"
#include "store/bank_file.h"
#include "store/bank_source.h"
#include "store/safe_file.h"

int exportCommand(const QStringList &arguments, Console &console)
{
    CommandLine line(QStringLiteral("export"), {QStringLiteral("БАНК"), QStringLiteral("ИСТОЧНИК")},
                     QStringLiteral("Записывает вопросы банка текстовым источником в UTF-8. "
                                    "quorvane-bank make из этого источника даёт таблицу "
                                    "questions, равную исходной значение в значение (пустые "
                                    "значения тоже). Банк не меняется. Уже существующий "
                                    "источник заменяется, только если дан --replace."),
                     {QCommandLineOption(QStringLiteral("replace"),
                                         QStringLiteral("заменить уже существующий источник"))});
    if (const auto status = line.parse(arguments, console))
        return *status;
    const QString bank = line.argument(0);
    const QString sourcePath = line.argument(1);
    const bool replace = line.isSet(QStringLiteral("replace"));
    // A link counts as a file, even one leading nowhere: it is replaced, not followed.
    if (!replace && somethingAt(sourcePath)) {
        console.err << QStringLiteral("%1: файл уже есть; чтобы заменить его, добавьте --replace")
                           .arg(sourcePath)
                    << Qt::endl;
        return ExitCode::Refused;
    }
    BankTables tables;
    try {
        tables = readBankTables(bank);
    } catch (const std::exception &error) {
        console.err << bank << QStringLiteral(": ") << QString::fromUtf8(error.what()) << Qt::endl;
        return ExitCode::Refused;
    }
    QStringList problems;
    const QString text = bankSourceText(tables, problems);
    if (!problems.isEmpty()) {
        for (const QString &problem : problems)
            console.err << bank << QStringLiteral(": ") << problem << Qt::endl;
        console.err << QStringLiteral("%1: источник не записан").arg(sourcePath) << Qt::endl;
        return ExitCode::Refused;
    }
    try {
        FileReplacement file(sourcePath);
        file.write(text.toUtf8());
        file.commit(replace);
    } catch (const std::exception &error) {
        console.err << sourcePath << QStringLiteral(": ") << QString::fromUtf8(error.what())
                    << Qt::endl;
        return ExitCode::Refused;
    }
    console.out << QStringLiteral("%1: записан источник, вопросов: %2")
                       .arg(sourcePath)
                       .arg(tables.questions.size())
                << Qt::endl;
    return ExitCode::Done;
}
