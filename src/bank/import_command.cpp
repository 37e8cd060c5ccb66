// import OLD.mdb BANK: a bank kept in an Access/Jet file, written as the program's bank.
#include "bank_report.h"
#include "command_line.h"
#include "jet_reader.h"
#include "store/bank_file.h"
#include "store/counted.h"
#include "store/safe_file.h"

#include <QDir>
#include <QFileInfo>

int importCommand(const QStringList &arguments, Console &console)
{
    const QCommandLineOption codepage(
        QStringLiteral("codepage"),
        QStringLiteral("кодовая страница текста базы Access 97 (Jet 3), например CP1251; по "
                       "умолчанию та, что записана в файле"),
        QStringLiteral("КОДИРОВКА"));
    CommandLine line(
        QStringLiteral("import"), {QStringLiteral("СТАРЫЙ.mdb"), QStringLiteral("БАНК")},
        QStringLiteral(
            "Переводит банк из базы Access/Jet (Access 97, 2000–2003, .accdb) в банк программы "
            "значение в значение: таблицы questions и users, пустые значения остаются пустыми, "
            "chek — логический столбец. Старый файл только читается. Затем проверяет новый банк, "
            "как команда check, с рисунками из ПАПКИ, и в конце говорит, сколько в нём вопросов "
            "без ответов (вид вопроса не 0 и не 1: так читается и повреждённое описание таблицы)."
            "\nКод завершения: 0 — банк записан и "
            "программа его примет; 1 — старая база отвергнута, ничего не записано; 3 — банк "
            "записан, но программа его не примет (в отчёте сказано, что исправить)."),
        {codepage, picturesOption(QStringLiteral("pictures/ рядом со старым файлом")),
         replaceOption()});
    if (const auto status = line.parse(arguments, console))
        return *status;
    const QString oldPath = line.argument(0);
    const QString bankPath = line.argument(1);
    const QString pictures = line.picturesBeside(oldPath);

    if (QFileInfo::exists(bankPath) &&
        QFileInfo(bankPath).canonicalFilePath() == QFileInfo(oldPath).canonicalFilePath()) {
        console.err
            << QStringLiteral("%1: новый банк нельзя записать на место старой базы").arg(bankPath)
            << Qt::endl;
        return ExitCode::Refused;
    }
    if (line.keepsExistingBank(bankPath, console))
        return ExitCode::Refused;
    BankTables tables;
    try {
        requireRegularFile(oldPath);
        tables = readJetBank(oldPath, line.value(QStringLiteral("codepage")));
    } catch (const std::exception &error) {
        console.err << oldPath << QStringLiteral(": ") << QString::fromUtf8(error.what())
                    << Qt::endl;
        return ExitCode::Refused;
    }
    try {
        writeBankTables(bankPath, tables, line.isSet(QStringLiteral("replace")));
    } catch (const std::exception &error) {
        console.err << bankPath << QStringLiteral(": ") << QString::fromUtf8(error.what())
                    << Qt::endl;
        return ExitCode::Refused;
    }
    console.out << QStringLiteral("%1: записан банк, вопросов: %2, строк users: %3")
                       .arg(bankPath)
                       .arg(tables.questions.size())
                       .arg(tables.users.size())
                << Qt::endl;
    const BankReport report = inspectBankFile(bankPath, pictures);
    printReport(bankPath, pictures, report, console);
    // Said last, where it is seen: a damaged description of the old table reads as questions
    // without a kind, and such a bank passes the check.
    if (report.withoutAnswers > 0)
        console.out << QStringLiteral("%1: без ответов (вид вопроса не 0 и не 1) — %2 из %3; на "
                                      "экзамене отметить в таких вопросах нечего. Если в старой "
                                      "базе ответы у вопросов есть, её описание таблицы "
                                      "questions, видимо, повреждено: откройте её в Access и "
                                      "проверьте вид и ответы.")
                           .arg(bankPath, counted(report.withoutAnswers, Nouns::Question))
                           .arg(report.lastId)
                    << Qt::endl;
    return report.accepted() ? ExitCode::Done : ExitCode::WrittenButRefused;
}
