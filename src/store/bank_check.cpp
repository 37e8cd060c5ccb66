#include "bank_check.h"

#include "database.h"
#include "screens/pictures.h"
#include "screens/runtime_error.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr int TestLength = 40;
constexpr int LargestBank = 32767;

[[noreturn]] void refuse(const Database &basa, const QString &problem)
{
    throw RuntimeError(3000, QStringLiteral("Банк вопросов «%1» непригоден для тестирования: %2")
                                 .arg(basa.path(), problem));
}

// True when the value compares as a number without a type mismatch.
bool readsAsNumber(const FieldValue &value)
{
    try {
        equalsNumber(value, 0);
        return true;
    } catch (const RuntimeError &) {
        return false;
    }
}

bool showsAnswers(const FieldValue &type)
{
    return equalsNumber(type, 0) || equalsNumber(type, 1);
}

// The one value of a select that yields one, a Null read as 0.
double single(Database &basa, const QString &sql)
{
    const FieldValue value = basa.Rows(sql).front().front();
    return value.isNull() ? 0 : value.asNumber();
}

// The draw may pick any id from 1 to N, the id of the last row, so each must find its question
// as the question's select looks it up: a whole number equal to the id. Rows with other ids are
// never asked and do no harm.
void checkIds(Database &basa, int lastId)
{
    if (lastId < TestLength)
        refuse(basa, QStringLiteral("в нём %1 вопросов (номер последнего — %1), а для теста "
                                    "нужно не меньше %2")
                         .arg(lastId)
                         .arg(TestLength));
    const QString asked = QStringLiteral("id between 1 and %1 and id = round(id)").arg(lastId);
    if (single(basa, QStringLiteral("select count(distinct id) from questions where ") + asked) ==
        lastId)
        return;
    const double missing = single(
        basa, QStringLiteral("select min(n) from (select 1 as n union all select id + 1 from "
                             "questions where %1) where n <= %2 and n not in (select id from "
                             "questions where %1)")
                  .arg(asked)
                  .arg(lastId));
    refuse(basa, QStringLiteral("номера вопросов (id) должны идти подряд от 1 до %1, номера "
                                "последнего вопроса, без пропусков; номера %2 нет")
                     .arg(lastId)
                     .arg(plainDecimal(missing)));
}

void checkTexts(Database &basa)
{
    static const char *const answers[] = {"answ1", "answ2", "answ3", "answ4"};
    // The rows with a text kind or code, or a missing text: only those need a closer look. A
    // value is at least the empty text only when it is a text (or a blob, which reads as one).
    const auto rows = basa.Rows(QStringLiteral(
        "select id, type, question, answ1, answ2, answ3, answ4, ball from questions where "
        "type >= '' or ball >= '' or question is null or answ1 is null or answ2 is null or "
        "answ3 is null or answ4 is null order by id"));
    for (const auto &row : rows) {
        const QString id = plainDecimal(row[0].asNumber());
        if (!readsAsNumber(row[1]))
            refuse(
                basa,
                QStringLiteral("у вопроса %1 вид (type) «%2» — не число").arg(id, row[1].asText()));
        if (row[2].isNull())
            refuse(basa, QStringLiteral("у вопроса %1 нет текста (question)").arg(id));
        if (showsAnswers(row[1]))
            for (int k = 0; k < 4; ++k)
                if (row[3 + k].isNull())
                    refuse(basa, QStringLiteral("у вопроса %1 нет текста ответа %2 (%3)")
                                     .arg(id)
                                     .arg(k + 1)
                                     .arg(QLatin1String(answers[k])));
        if (!readsAsNumber(row[7]))
            refuse(basa, QStringLiteral("у вопроса %1 код правильного ответа (ball) «%2» — "
                                        "не число")
                             .arg(id, row[7].asText()));
    }
}

// One picture value of the bank: a whole number from 0 to 32767 whose file is a readable bitmap.
// `id` names a question that has it.
void checkPicture(Database &basa, const FieldValue &picture, const QString &id,
                  const QString &picturesFolder)
{
    if (equalsText(picture, QString()))
        return;
    const QString shown = textOf(picture, QStringLiteral("picture"));
    qint16 number = -1;
    try {
        number = int16Of(picture, QStringLiteral("picture"));
        if (!equalsNumber(picture, number))
            number = -1;
    } catch (const RuntimeError &) {
    }
    if (number < 0)
        refuse(basa, QStringLiteral("у вопроса %1 номер рисунка (picture) «%2» — не целое "
                                    "число от 0 до 32767")
                         .arg(id, shown));
    const QString path = QDir(picturesFolder).filePath(QString::number(number) + ".bmp");
    if (!QFileInfo(path).isFile())
        refuse(basa, QStringLiteral("нет файла рисунка %1 для вопроса %2").arg(path, id));
    // Read as the question will read it: a damaged file must not end an exam midway.
    if (!isReadablePicture(path))
        refuse(basa, QStringLiteral("файл рисунка %1 для вопроса %2 не читается как "
                                    "точечный рисунок")
                         .arg(path, id));
}

void checkPictures(Database &basa, const QString &picturesFolder)
{
    const auto rows = basa.Rows(QStringLiteral(
        "select min(id), picture from questions where picture is not null group by picture"));
    for (const auto &row : rows)
        checkPicture(basa, row[1], plainDecimal(row[0].asNumber()), picturesFolder);
}

} // namespace

int checkBank(Database &basa, const FieldValue &lastRowId, const QString &picturesFolder)
{
    if (lastRowId.kind() != FieldValue::Kind::Number || lastRowId.asNumber() < 1 ||
        lastRowId.asNumber() > LargestBank || lastRowId.asNumber() != int(lastRowId.asNumber()))
        refuse(basa, QStringLiteral("номер последнего вопроса (id) «%1» — не целое число от 1 до "
                                    "%2")
                         .arg(lastRowId.isNull() ? QStringLiteral("пусто")
                                                 : textOf(lastRowId, QStringLiteral("id")))
                         .arg(LargestBank));
    const int lastId = static_cast<int>(lastRowId.asNumber());
    checkIds(basa, lastId);
    checkTexts(basa);
    checkPictures(basa, picturesFolder);
    return lastId;
}

void checkAttemptRecord(const Database &basa, const FieldValue &firstRowId)
{
    bool isOne = false;
    try {
        isOne = equalsNumber(firstRowId, 1);
    } catch (const RuntimeError &) {
    }
    if (!isOne)
        throw RuntimeError(
            3000,
            QStringLiteral("Запись о последнем экзаменуемом в «%1» непригодна: первая "
                           "строка таблицы users должна иметь id 1, а у неё id «%2»")
                .arg(basa.path(), firstRowId.isNull() ? QStringLiteral("пусто")
                                                      : textOf(firstRowId, QStringLiteral("id"))));
}
