#include "question_values.h"

#include "bank_warnings.h"
#include "database.h"

const std::array<const char *, 7> QuestionValues::Columns = {"question", "type",  "answ1",  "answ2",
                                                             "answ3",    "answ4", "picture"};

QuestionValues QuestionValues::fromRecord(const Recordset &question)
{
    const auto field = [&question](const char *column) {
        return question.Fields(QLatin1String(column));
    };
    QuestionValues values;
    values.question = field("question");
    values.type = field("type");
    for (std::size_t k = 0; k < values.answers.size(); ++k)
        values.answers[k] = field(Columns[k + 2]);
    values.picture = field("picture");
    return values;
}

QuestionValues QuestionValues::fromRow(const QuestionRow &row)
{
    const AskedQuestion asked = AskedQuestion::fromRow(row);
    return {asked.question, asked.type, asked.answers, asked.picture};
}
