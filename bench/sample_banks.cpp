#include "sample_banks.h"

#include "store/bank_source.h"

#include <QFile>

#include <stdexcept>

namespace {
constexpr int LargestBank = 32767;
}

BankTables sampleBankTables()
{
    QFile file(QStringLiteral(QUORVANE_SOURCE_DIR "/data/bank/questions.txt"));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read data/bank/questions.txt");
    BankSource source = parseBankSource(file.readAll());
    if (!source.problems.empty())
        throw std::runtime_error("data/bank/questions.txt: " +
                                 source.problems.front().message.toStdString());
    return source.tables;
}

BankTables largestBank(const BankTables &sample)
{
    BankTables bank;
    bank.questions.reserve(LargestBank);
    for (int id = 1; id <= LargestBank; ++id) {
        QuestionRow question = sample.questions[std::size_t(id - 1) % sample.questions.size()];
        question.id = qlonglong(id);
        bank.questions.push_back(std::move(question));
    }
    return bank;
}

BankTables largestDistinctBank(const BankTables &sample)
{
    BankTables bank = largestBank(sample);
    for (QuestionRow &question : bank.questions) {
        const QString number = question.id.toString();
        if (!question.question.isNull())
            question.question = question.question.toString() + QStringLiteral(" (%1)").arg(number);
        for (QVariant &answer : question.answers)
            if (!answer.isNull())
                answer = answer.toString() + QLatin1Char(' ') + number;
    }
    return bank;
}
