// upgrade BANK: the results journal's tables a bank made before them lacks, added in place.
#include "command_line.h"

#include "store/bank_save.h"

int upgradeCommand(const QStringList &arguments, Console &console)
{
    CommandLine line(
        QStringLiteral("upgrade"), {QStringLiteral("БАНК")},
        QStringLiteral(
            "Добавляет в БАНК недостающие таблицы журнала: журнал попыток (attempts) и ответы "
            "экзаменуемых (answers), пустыми, такими, какие получает банк, собранный сейчас "
            "командой make или import. Вопросы, запись о последнем экзаменуемом (users) и уже "
            "записанные попытки остаются как были; таблицы добавляются в самом файле, одной "
            "транзакцией, так что у файла остаются владелец, группа и права (запечатанный банк "
            "остаётся запечатанным), а экзамен, записывающий в это время результат, записывает "
            "его в этот же файл. Банк, в который этой учётной записи писать нельзя, не "
            "меняется.\nКод завершения 0, когда все таблицы журнала в банке есть (добавлены "
            "или были), иначе 1."));
    if (const auto status = line.parse(arguments, console))
        return *status;
    const QString bank = line.argument(0);
    QStringList added;
    try {
        added = addJournalTables(bank);
    } catch (const std::exception &error) {
        console.err << QString::fromUtf8(error.what()) << Qt::endl;
        return ExitCode::Refused;
    }
    if (added.isEmpty())
        console.out << QStringLiteral("%1: все таблицы журнала в банке уже есть, ничего не "
                                      "изменено")
                           .arg(bank)
                    << Qt::endl;
    else
        console.out << QStringLiteral("%1: добавлены таблицы %2; вопросы, запись о последнем "
                                      "экзаменуемом и попытки остались как были")
                           .arg(bank, added.join(QStringLiteral(", ")))
                    << Qt::endl;
    return ExitCode::Done;
}
