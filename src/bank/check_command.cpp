// check BANK: the program's own opening check, every problem, then what would hurt an examinee.
#include "bank_report.h"
#include "command_line.h"

int checkCommand(const QStringList &arguments, Console &console)
{
    CommandLine line(
        QStringLiteral("check"), {QStringLiteral("БАНК")},
        QStringLiteral(
            "Проверяет банк так, как его проверит программа при регистрации экзаменуемого, "
            "вместе с записью о последнем экзаменуемом, и сообщает обо всех проблемах (в поток "
            "ошибок, по одной в строке). Журнал попыток читается, как его читает команда "
            "results: журнал, который не читается (файл повреждён), — проблема, ячейка не с тем, "
            "что туда пишет программа, — предупреждение; так же и ответы экзаменуемых (таблица "
            "answers): строки не с тем, что пишет экзамен, и законченные попытки, ответы которых "
            "не сходятся с журналом (не 40, вопрос повторяется, засчитано не столько, сколько "
            "правильных). Затем предупреждает (в обычный вывод) о "
            "том, что помешает экзаменуемому, хотя экзамен пройдёт: текст вопроса не помещается "
            "в свою надпись, ответ шире своей строки (измеряется шрифтами окна экзамена), рисунок "
            "больше отведённого ему места в окне экзамена, код правильного ответа нельзя набрать "
            "ответами его вида, вид вопроса не 0 и не 1 — у вопроса не показываются ответы (их "
            "число — и в последней строке), рисунок в папке не нужен ни одному вопросу.\nКод "
            "завершения 0, "
            "когда программа примет банк (предупреждения его не меняют), иначе 1."),
        {picturesOption(QStringLiteral("pictures/ рядом с банком, где она есть, иначе pictures/ "
                                       "в папке программы"))});
    if (const auto status = line.parse(arguments, console))
        return *status;
    const QString bank = line.argument(0);
    const QString pictures = line.isSet(QStringLiteral("pictures"))
                                 ? line.value(QStringLiteral("pictures"))
                                 : picturesOfBank(bank, console.programPictures());
    const BankReport report = inspectBankFile(bank, pictures);
    printReport(bank, pictures, report, console);
    return report.accepted() ? ExitCode::Done : ExitCode::Refused;
}
