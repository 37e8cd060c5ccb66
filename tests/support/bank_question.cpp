#include "bank_question.h"

#include "store/bank_file.h"
#include "store/rules.h"

int BankQuestion::ball() const
{
    return Rules::codeOfTicks(right);
}

QuestionRow BankQuestion::row() const
{
    QuestionRow row;
    row.id = qlonglong(id);
    row.question = question;
    for (int k = 0; k < 4; ++k)
        row.answers[k] = answers[k];
    row.ball = qlonglong(ball());
    if (picture)
        row.picture = QString::number(*picture);
    row.type = qlonglong(type);
    return row;
}

void writeBankFile(const QString &path, const std::vector<BankQuestion> &questions)
{
    BankTables tables;
    for (const BankQuestion &question : questions)
        tables.questions.push_back(question.row());
    writeBankTables(path, tables);
}
