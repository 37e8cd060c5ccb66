#include "bank_warnings.h"

#include "bank_check.h"
#include "bank_tables.h"
#include "database.h"
#include "rules.h"
#include "sqlite.h"

namespace {

bool isBlank(const FieldValue &value)
{
    return value.kind() == FieldValue::Kind::Text && value.asText().trimmed().isEmpty();
}

QString codeWarning(const AskedQuestion &question)
{
    const FieldValue &ball = question.ball;
    if (ball.isNull())
        return QStringLiteral("код правильного ответа пуст: ни один ответ не засчитается");
    if (ball.kind() == FieldValue::Kind::Boolean)
        return QStringLiteral("код правильного ответа программа читает как логическое "
                              "значение %1 (столбец ball объявлен как BOOLEAN): ни один набор "
                              "ответов его не даст")
            .arg(ball.asBoolean() ? QStringLiteral("True") : QStringLiteral("False"));
    const std::optional<double> code = numberOf(ball);
    if (!code)
        return {}; // refused by the opening check
    const int type = question.showsCheckBoxes() ? Rules::CheckBoxes : Rules::OptionButtons;
    if (Rules::ticksCanGive(type, *code))
        return {};
    return type == Rules::OptionButtons
               ? QStringLiteral("код правильного ответа %1 нельзя набрать одним ответом "
                                "(переключателями): возможны только 1, 4, 8, 16")
                     .arg(plainDecimal(*code))
               : QStringLiteral("код правильного ответа %1 нельзя набрать флажками: возможны "
                                "суммы весов 1, 4, 8, 16")
                     .arg(plainDecimal(*code));
}

// A kind that shows no answers: what the examinee can tick is nothing, whatever the code. Empty
// for a kind that is no number, which the opening check refuses.
QString kindWarning(const AskedQuestion &question)
{
    const QString scored = QStringLiteral("ответы не показываются, экзаменуемому нечего "
                                          "отметить: вопрос засчитается всем, если код "
                                          "правильного ответа равен 0, и никому при другом коде");
    if (question.type.isNull())
        return QStringLiteral("вид вопроса пуст: ") + scored;
    if (!numberOf(question.type))
        return {};
    return QStringLiteral("вид вопроса %1 — не 0 (переключатели) и не 1 (флажки): ")
               .arg(textOf(question.type, {})) +
           scored;
}

} // namespace

AskedQuestion AskedQuestion::fromRow(const QuestionRow &row)
{
    AskedQuestion asked;
    asked.id = row.id.toInt();
    asked.type = readValue(row.type);
    asked.question = readValue(row.question);
    for (int k = 0; k < 4; ++k)
        asked.answers[k] = readValue(row.answers[k]);
    asked.ball = readValue(row.ball);
    asked.picture = readValue(row.picture);
    return asked;
}

bool AskedQuestion::showsAnswers() const
{
    return ::showsAnswers(type);
}

bool AskedQuestion::showsCheckBoxes() const
{
    return numberOf(type) == double(Rules::CheckBoxes);
}

void forEachAskedQuestion(Database &basa, int lastId,
                          const std::function<void(const AskedQuestion &)> &take)
{
    double previous = 0;
    basa.ForEachRow(
        QStringLiteral("select id, type, question, answ1, answ2, answ3, answ4, ball, picture "
                       "from questions where id between 1 and %1 and id = round(id) order by id")
            .arg(lastId),
        [&](const std::vector<FieldValue> &row) {
            const std::optional<double> id = numberOf(row[0]);
            if (!id || *id == previous)
                return;
            previous = *id;
            AskedQuestion question;
            question.id = int(*id);
            question.type = row[1];
            question.question = row[2];
            for (int k = 0; k < 4; ++k)
                question.answers[k] = row[3 + k];
            question.ball = row[7];
            question.picture = row[8];
            take(question);
        });
}

QStringList valueWarnings(const AskedQuestion &question)
{
    QStringList warnings;
    if (isBlank(question.question))
        warnings.push_back(QStringLiteral("текст вопроса пуст: экзаменуемый увидит "
                                          "пустой вопрос"));
    if (!question.showsAnswers()) {
        const QString kind = kindWarning(question);
        if (!kind.isEmpty())
            warnings.push_back(kind);
        return warnings;
    }
    for (int k = 0; k < 4; ++k)
        if (isBlank(question.answers[k]))
            warnings.push_back(
                QStringLiteral("ответ %1 пуст: экзаменуемый увидит пустую строку ответа")
                    .arg(k + 1));
    const QString code = codeWarning(question);
    if (!code.isEmpty())
        warnings.push_back(code);
    return warnings;
}
