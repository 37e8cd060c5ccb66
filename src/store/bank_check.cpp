#include "bank_check.h"

#include "counted.h"
#include "database.h"
#include "journal.h"
#include "rules.h"
#include "runtime_error.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The problems found, each with the question it concerns (0: the whole bank).
class Found final
{
public:
    explicit Found(BankInspection &result) : m_result(result) {}
    void add(const QString &problem, int questionId = 0)
    {
        m_result.problems.push_back(problem);
        m_result.problemQuestions.push_back(questionId);
    }

private:
    BankInspection &m_result;
};

using Rules::LargestBank;
using Rules::TestLength;

// True when the value compares as a number without a type mismatch.
bool readsAsNumber(const FieldValue &value)
{
    return value.isNull() || numberOf(value).has_value();
}

// The one value of a select that yields one, a Null read as 0.
double single(Database &basa, const QString &sql)
{
    const FieldValue value = basa.Rows(sql).front().front();
    return value.isNull() ? 0 : value.asNumber();
}

// An id that is not the whole number wanted, in a problem's words. A blob is read as a text, so
// `kindSelect` tells the two apart: shown as a text, a blob would look like the number its bytes
// spell.
QString shownId(Database &basa, const FieldValue &id, const QString &kindSelect, bool lastRow)
{
    if (id.kind() == FieldValue::Kind::Text) {
        Recordset kinds = basa.OpenRecordset(kindSelect);
        if (lastRow)
            kinds.MoveLast();
        if (equalsText(kinds.Fields(QStringLiteral("kind")), QStringLiteral("blob")))
            return QStringLiteral("хранится как двоичные данные, а не как число");
        return QStringLiteral("«%1» хранится как текст, а не как число").arg(id.asText());
    }
    return QStringLiteral("«%1»").arg(id.isNull() ? QStringLiteral("пусто")
                                                  : textOf(id, QStringLiteral("id")));
}

// Triggers on the tables could change the bank or the record when the attempt is recorded, after
// the check, or silently drop the journal's row.
void checkTriggers(Database &basa, Found &problems)
{
    const auto rows = basa.Rows(
        QStringLiteral("select tbl_name, name from sqlite_master where type = 'trigger' and "
                       "lower(tbl_name) in ('questions', 'users', 'attempts', 'answers') "
                       "order by tbl_name, name"));
    for (const auto &row : rows)
        problems.add(QStringLiteral("на таблице %1 есть триггер «%2»: он может изменить "
                                    "банк во время экзамена; в банке вопросов триггеров "
                                    "быть не должно")
                         .arg(row[0].asText(), row[1].asText()));
}

// The journal, where there is one, must take the rows the program writes: every column it names,
// and an id the engine numbers itself, by which the result finds its attempt's row.
void checkJournal(Database &basa, Found &problems)
{
    if (!basa.HasTable(Journal::Table))
        return;
    const QStringList present = basa.Columns(Journal::Table);
    for (const QString &column : Journal::Columns)
        if (!present.contains(column))
            problems.add(QStringLiteral("в журнале попыток (таблица attempts) нет столбца "
                                        "%1, а программа его записывает")
                             .arg(column));
    // Only an INTEGER PRIMARY KEY is numbered by the engine when a row is added.
    const auto key = basa.Rows(
        QStringLiteral("select upper(type), (select count(*) from pragma_table_info('attempts') "
                       "where pk > 0), (select count(*) from sqlite_master where type = 'table' "
                       "and lower(name) = 'attempts' and lower(sql) like '%without rowid%') "
                       "from pragma_table_info('attempts') where lower(name) = 'id' and pk = 1"));
    if (present.contains(QStringLiteral("id")) &&
        (key.empty() || !equalsText(key.front()[0], QStringLiteral("INTEGER")) ||
         !equalsNumber(key.front()[1], 1) || !equalsNumber(key.front()[2], 0)))
        problems.add(QStringLiteral("в журнале попыток (таблица attempts) столбец id должен "
                                    "быть объявлен INTEGER PRIMARY KEY: иначе у записей "
                                    "журнала не будет номеров и результат не найдёт свою "
                                    "запись"));
}

// The answers, where the journal keeps them, must take the rows the result writes: every column
// it names, and no other that a row must fill (a key the engine numbers fills itself).
void checkAnswers(Database &basa, Found &problems)
{
    if (!basa.HasTable(Journal::AnswersTable))
        return;
    const QStringList present = basa.Columns(Journal::AnswersTable);
    for (const QString &column : Journal::AnswerColumns)
        if (!present.contains(column))
            problems.add(QStringLiteral("в таблице ответов (answers) нет столбца %1, а программа "
                                        "его записывает")
                             .arg(column));
    const auto required = basa.Rows(QStringLiteral(
        "select name from pragma_table_info('answers') where \"notnull\" and dflt_value is null "
        "and not (pk = 1 and upper(type) = 'INTEGER' and (select count(*) from "
        "pragma_table_info('answers') where pk > 0) = 1) order by cid"));
    for (const auto &row : required)
        if (!Journal::AnswerColumns.contains(row[0].asText().toLower()))
            problems.add(QStringLiteral("в таблице ответов (answers) столбец %1 нельзя оставить "
                                        "пустым, а программа его не записывает")
                             .arg(row[0].asText()));
}

// The draw may pick any id from 1 to N, the id of the last row, so each must find its question
// as the question's select looks it up: a whole number equal to the id. Rows with other ids are
// never asked and do no harm.
void checkIds(Database &basa, int lastId, const QString &asked, Found &problems)
{
    if (lastId < TestLength)
        problems.add(QStringLiteral("в нём %1 (номер последнего — %2), а для теста нужно не "
                                    "меньше %3")
                         .arg(counted(lastId, Nouns::Question))
                         .arg(lastId)
                         .arg(TestLength));
    if (single(basa, QStringLiteral("select count(distinct id) from questions where ") + asked) ==
        lastId)
        return;
    // The first number of each run of missing ones.
    const auto missing = basa.Rows(
        QStringLiteral("select n from (select 1 as n union select id + 1 from questions where "
                       "%1) where n <= %2 and n not in (select id from questions where %1) "
                       "order by n")
            .arg(asked)
            .arg(lastId));
    for (const auto &row : missing)
        problems.add(QStringLiteral("номера вопросов должны идти подряд от 1 до %1, "
                                    "номера последнего вопроса, без пропусков; номера %2 "
                                    "нет")
                         .arg(lastId)
                         .arg(plainDecimal(row[0].asNumber())));
}

void checkTexts(Database &basa, const QString &asked, Found &problems)
{
    // The rows with a text kind or code, or a missing text: only those need a closer look. A
    // value is at least the empty text only when it is a text (or a blob, which reads as one).
    const auto rows = basa.Rows(
        QStringLiteral(
            "select id, type, question, answ1, answ2, answ3, answ4, ball from questions where (%1) "
            "and (type >= '' or ball >= '' or question is null or answ1 is null or answ2 is null "
            "or "
            "answ3 is null or answ4 is null) order by id")
            .arg(asked));
    for (const auto &row : rows) {
        const QString id = plainDecimal(row[0].asNumber());
        const int question = int(row[0].asNumber());
        const bool typeIsNumber = readsAsNumber(row[1]);
        if (!typeIsNumber)
            problems.add(
                QStringLiteral("у вопроса %1 вид вопроса «%2» — не число").arg(id, row[1].asText()),
                question);
        if (row[2].isNull())
            problems.add(QStringLiteral("у вопроса %1 нет текста вопроса").arg(id), question);
        if (typeIsNumber && showsAnswers(row[1]))
            for (int k = 0; k < 4; ++k)
                if (row[3 + k].isNull())
                    problems.add(
                        QStringLiteral("у вопроса %1 нет текста ответа %2").arg(id).arg(k + 1),
                        question);
        // The code is the key: the refusal names where it is wrong, never what it holds, since
        // the keeper passes this text on to the examinee's window.
        if (!readsAsNumber(row[7]))
            problems.add(QStringLiteral("у вопроса %1 код правильного ответа — не число").arg(id),
                         question);
    }
}

// One picture value of the bank: a whole number from 0 to 32767. Empty when it is sound.
QString pictureValueProblem(const BankPicture &picture)
{
    qint16 number = -1;
    try {
        number = int16Of(picture.value, QStringLiteral("picture"));
        if (!equalsNumber(picture.value, number))
            number = -1;
    } catch (const RuntimeError &) {
    }
    if (number >= 0)
        return {};
    return QStringLiteral("у вопроса %1 номер рисунка «%2» — не целое число от 0 до "
                          "32767")
        .arg(picture.firstId)
        .arg(textOf(picture.value, QStringLiteral("picture")));
}

// Where the picture files are and how they are read; none where the files are not looked at.
struct PictureFiles
{
    const QString &folder;
    const PictureReadable &readable;
};

void checkPictures(Database &basa, const QString &asked, const PictureFiles *files,
                   BankInspection &result)
{
    const auto rows = basa.Rows(
        QStringLiteral("select min(id), picture from questions where picture is not null and "
                       "(%1) group by picture order by min(id)")
            .arg(asked));
    for (const auto &row : rows) {
        if (equalsText(row[1], QString()))
            continue;
        const BankPicture picture{static_cast<int>(row[0].asNumber()), row[1]};
        QString problem = pictureValueProblem(picture);
        if (problem.isEmpty() && files)
            problem = pictureFileProblem(picture, files->folder, files->readable);
        if (problem.isEmpty())
            result.pictures.push_back(picture);
        else
            Found(result).add(problem, picture.firstId);
    }
}

BankInspection inspect(Database &basa, const FieldValue &lastRowId, const PictureFiles *files)
{
    BankInspection result;
    Found problems(result);
    checkTriggers(basa, problems);
    checkJournal(basa, problems);
    checkAnswers(basa, problems);
    if (lastRowId.kind() != FieldValue::Kind::Number || lastRowId.asNumber() < 1 ||
        lastRowId.asNumber() > LargestBank || lastRowId.asNumber() != int(lastRowId.asNumber())) {
        problems.add(
            QStringLiteral("номер последнего вопроса %1%2 от 1 до %3")
                .arg(shownId(basa, lastRowId,
                             QStringLiteral("select typeof(id) as kind from questions"), true),
                     lastRowId.kind() == FieldValue::Kind::Text
                         ? QString()
                         : QStringLiteral(" — не целое число"))
                .arg(LargestBank));
        return result;
    }
    result.lastId = static_cast<int>(lastRowId.asNumber());
    const QString asked =
        QStringLiteral("id between 1 and %1 and id = round(id)").arg(result.lastId);
    checkIds(basa, result.lastId, asked, problems);
    checkTexts(basa, asked, problems);
    checkPictures(basa, asked, files, result);
    return result;
}

} // namespace

BankInspection inspectBank(Database &basa, const FieldValue &lastRowId,
                           const QString &picturesFolder, const PictureReadable &readable)
{
    const PictureFiles files{picturesFolder, readable};
    return inspect(basa, lastRowId, &files);
}

BankInspection inspectBankValues(Database &basa, const FieldValue &lastRowId)
{
    return inspect(basa, lastRowId, nullptr);
}

QString pictureFileProblem(const BankPicture &picture, const QString &picturesFolder,
                           const PictureReadable &readable)
{
    const QString number = QString::number(int16Of(picture.value, QStringLiteral("picture")));
    const QString path = QDir(picturesFolder).filePath(number + ".bmp");
    if (!QFileInfo(path).isFile())
        return QStringLiteral("нет файла рисунка %1 для вопроса %2").arg(path).arg(picture.firstId);
    // Read as the question will read it: a damaged file must not end an exam midway.
    if (!readable(path))
        return QStringLiteral("файл рисунка %1 для вопроса %2 не читается как точечный рисунок")
            .arg(path)
            .arg(picture.firstId);
    return {};
}

RuntimeError bankRefusal(const QString &bankPath, const QString &problem)
{
    return RuntimeError(3000, QStringLiteral("Банк вопросов «%1» непригоден для тестирования: %2")
                                  .arg(bankPath, problem));
}

int checkBank(Database &basa, const FieldValue &lastRowId, const QString &picturesFolder,
              const PictureReadable &readable)
{
    const BankInspection inspection = inspectBank(basa, lastRowId, picturesFolder, readable);
    if (!inspection.problems.isEmpty())
        throw bankRefusal(basa.path(), inspection.problems.front());
    return inspection.lastId;
}

bool showsAnswers(const FieldValue &type)
{
    const std::optional<double> kind = numberOf(type);
    return kind && (*kind == Rules::OptionButtons || *kind == Rules::CheckBoxes);
}

QString attemptRecordProblem(Database &basa, const FieldValue &firstRowId)
{
    bool isOne = false;
    try {
        isOne = equalsNumber(firstRowId, 1);
    } catch (const RuntimeError &) {
    }
    if (isOne)
        return {};
    const QString shown =
        shownId(basa, firstRowId, QStringLiteral("select typeof(id) as kind from users"), false);
    return QStringLiteral("первая строка таблицы users должна иметь id 1, а у неё id %1")
        .arg(shown);
}

void checkAttemptRecord(Database &basa, const FieldValue &firstRowId)
{
    const QString problem = attemptRecordProblem(basa, firstRowId);
    if (!problem.isEmpty())
        throw RuntimeError(3000,
                           QStringLiteral("Запись о последнем экзаменуемом в «%1» непригодна: %2")
                               .arg(basa.path(), problem));
}

bool recordsPass(const FieldValue &chek)
{
    return !chek.isNull() && !equalsNumber(chek, 0);
}
