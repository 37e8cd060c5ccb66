// protocol --pdf FILE BANK…: the commission's protocol of the attempts `results` lists, as an A4
// PDF to print and sign.
#include "attempt_list.h"
#include "command_line.h"
#include "protocol_document.h"
#include "store/bank_file.h"
#include "store/question_digest.h"
#include "store/rules.h"
#include "store/safe_file.h"

#include <QCryptographicHash>
#include <QFile>
#include <QPdfWriter>

namespace {

const QString Description = QStringLiteral(
    "Записывает протокол экзамена для комиссии — PDF формата A4 — по журналам попыток одного или "
    "нескольких банков (файлов data.mdb разных рабочих мест): организация, «Протокол экзамена» с "
    "номером и датой (сегодняшней), специальность, форма экзамена (компьютерный тест, 40 вопросов, "
    "проходной балл «32 из 40»), банки (файл, число вопросов, SHA-256 вопросов — по нему видно, "
    "что на всех рабочих местах были одни и те же вопросы), даты попыток; таблица попыток в том "
    "порядке, в каком их выводит quorvane-bank results (№, экзаменуемый, начало, окончание, "
    "правильных из 40, результат, рабочее место), с теми же отметками о повторных попытках; итог "
    "«сдали N из M»; строки для подписей председателя и членов комиссии с их именами под "
    "строкой. На каждой странице — заголовок протокола, заголовки столбцов и «стр. K из N». "
    "Шрифты встроены в файл, текст можно найти поиском. Банки только читаются.\n\n"
    "Файл записывается целиком или не записывается вовсе; уже существующий PDF заменяется, любой "
    "другой файл — нет (так протокол не затрёт банк). Файл доступен только вам.\n\n"
    "Если банк не читается, протокол не записывается (в нём не хватало бы попыток), банк "
    "называется в потоке ошибок, код завершения — 1. Если в журнале есть ячейки, которые "
    "программа так не записывает, протокол всё равно записывается, эти ячейки в нём — "
    "«повреждено», его первая страница называет такие строки, в потоке ошибок они названы, как "
    "их называет results, а код завершения — 1.");

constexpr qsizetype LongestOrganisation = 300;
constexpr qsizetype LongestNumber = 40;
constexpr qsizetype MostMembers = 12;

// The bank's questions as the exam takes them, ids included, so that the same digest on two
// workstations says they gave the same test; the attempts journal beside them does not count.
QString questionsDigest(const BankTables &tables)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QuestionRow &row : tables.questions) {
        QVariantList values{row.id, row.question, row.type};
        for (const QVariant &answer : row.answers)
            values.push_back(answer);
        values.push_back(row.ball);
        values.push_back(row.picture);
        hash.addData(QuestionDigest::of(values));
    }
    return QString::fromLatin1(hash.result().toHex());
}

// The texts given for the heading and the signatures, refused when too long to lay out.
std::optional<QString> tooLong(const Protocol &protocol)
{
    const auto over = [](const QString &what, const QString &text, qsizetype most) {
        return text.size() > most
                   ? std::optional(QStringLiteral("%1: длиннее %2 символов").arg(what).arg(most))
                   : std::nullopt;
    };
    if (auto problem = over(QStringLiteral("--org"), protocol.organisation, LongestOrganisation))
        return problem;
    if (auto problem = over(QStringLiteral("--number"), protocol.number, LongestNumber))
        return problem;
    if (auto problem = over(QStringLiteral("--chair"), protocol.chair, Rules::LongestFullName))
        return problem;
    for (const QString &member : protocol.members)
        if (auto problem = over(QStringLiteral("--member"), member, Rules::LongestFullName))
            return problem;
    if (protocol.members.size() > MostMembers)
        return QStringLiteral("--member: больше %1 членов комиссии").arg(MostMembers);
    return std::nullopt;
}

// Only a PDF is replaced: a bank named by mistake keeps its journal.
bool replacesOnlyAPdf(const QString &file, Console &console)
{
    if (!somethingAt(file))
        return true;
    try {
        if (readFileStart(file, 5) == "%PDF-")
            return true;
    } catch (const std::exception &) {
    }
    console.err << QStringLiteral("%1: файл уже есть, и это не PDF; протокол заменяет только "
                                  "прежний PDF — укажите другой файл")
                       .arg(file)
                << Qt::endl;
    return false;
}

} // namespace

int protocolCommand(const QStringList &arguments, Console &console)
{
    const QCommandLineOption pdf(QStringLiteral("pdf"),
                                 QStringLiteral("файл протокола PDF (обязателен)"),
                                 QStringLiteral("ФАЙЛ"));
    const QCommandLineOption org(QStringLiteral("org"),
                                 QStringLiteral("организация для заголовка протокола"),
                                 QStringLiteral("ТЕКСТ"));
    const QCommandLineOption number(QStringLiteral("number"),
                                    QStringLiteral("номер протокола (без него — пустая строка)"),
                                    QStringLiteral("ТЕКСТ"));
    const QCommandLineOption chair(QStringLiteral("chair"), QStringLiteral("председатель комиссии"),
                                   QStringLiteral("ИМЯ"));
    const QCommandLineOption member(QStringLiteral("member"),
                                    QStringLiteral("член комиссии; ключ повторяется для каждого"),
                                    QStringLiteral("ИМЯ"));
    CommandLine line(QStringLiteral("protocol"), {QStringLiteral("БАНК…")}, Description,
                     {pdf, sinceOption(), untilOption(), org, number, chair, member});
    if (const auto status = line.parse(arguments, console))
        return *status;
    const std::optional<AttemptDays> days = attemptDays(line, console);
    if (!days)
        return ExitCode::Usage;
    const QString file = line.value(QStringLiteral("pdf"));
    if (file.isEmpty()) {
        console.err << QStringLiteral("quorvane-bank protocol: не указан --pdf ФАЙЛ; справка: "
                                      "quorvane-bank protocol --help")
                    << Qt::endl;
        return ExitCode::Usage;
    }

    Protocol protocol;
    protocol.organisation = line.value(QStringLiteral("org")).simplified();
    protocol.number = line.value(QStringLiteral("number")).simplified();
    protocol.chair = line.value(QStringLiteral("chair")).simplified();
    for (const QString &name : line.values(QStringLiteral("member")))
        protocol.members.push_back(name.simplified());
    protocol.date = QDate::currentDate();
    protocol.days = *days;
    if (const std::optional<QString> problem = tooLong(protocol)) {
        console.err << QStringLiteral("quorvane-bank protocol: ") << *problem << Qt::endl;
        return ExitCode::Usage;
    }

    const QStringList banks = line.arguments(0);
    AttemptList list = listAttempts(banks, *days, console);
    if (list.unreadBanks > 0)
        return ExitCode::Refused;
    for (const QString &bank : banks) {
        try {
            const BankTables tables = readBankTables(bank);
            protocol.banks.push_back({bank, int(tables.questions.size()), questionsDigest(tables)});
        } catch (const std::exception &error) {
            console.err << bank << QStringLiteral(": ") << QString::fromUtf8(error.what())
                        << Qt::endl;
            return ExitCode::Refused;
        }
    }
    protocol.rows = std::move(list.rows);
    if (!replacesOnlyAPdf(file, console))
        return ExitCode::Refused;

    try {
        FileReplacement replacement(file);
        {
            QPdfWriter writer(replacement.path());
            if (drawProtocol(protocol, writer) == 0)
                throw std::runtime_error(
                    QStringLiteral("%1: PDF не записывается").arg(file).toStdString());
        }
        // The writer tells of no failure once it has begun (a full disk): the file must end as
        // a PDF ends.
        QFile written(replacement.path());
        if (!written.open(QIODevice::ReadOnly) || written.size() < 6 ||
            !written.seek(written.size() - 6) || !written.read(6).contains("%%EOF"))
            throw std::runtime_error(
                QStringLiteral("%1: PDF записан не полностью").arg(file).toStdString());
        replacement.commit(true);
    } catch (const std::exception &error) {
        console.err << QString::fromUtf8(error.what()) << Qt::endl;
        return ExitCode::Refused;
    }
    return list.damaged ? ExitCode::Refused : ExitCode::Done;
}
