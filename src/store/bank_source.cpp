#include "bank_source.h"

#include <QStringList>

#include <stdexcept>

namespace {

constexpr int Weights[4] = {1, 4, 8, 16};

[[noreturn]] void fail(int line, const QString &problem)
{
    throw std::runtime_error(QStringLiteral("строка %1: %2").arg(line).arg(problem).toStdString());
}

int wholeNumber(const QString &text, int line, const QString &what)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 0)
        fail(line, QStringLiteral("%1 «%2» — не целое неотрицательное число").arg(what, text));
    return value;
}

class Parser final
{
public:
    std::vector<BankQuestion> run(const QString &text)
    {
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i)
            take(lines[i].trimmed(), i + 1);
        finish(static_cast<int>(lines.size()));
        return std::move(m_questions);
    }

private:
    void take(const QString &line, int number)
    {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            return;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            finish(number);
            const int id = wholeNumber(line.mid(1, line.size() - 2), number, "номер вопроса");
            if (id != static_cast<int>(m_questions.size()) + 1)
                fail(number, QStringLiteral("номер вопроса %1, ожидался %2")
                                 .arg(id)
                                 .arg(m_questions.size() + 1));
            m_current = BankQuestion{};
            m_current->id = id;
            m_answers = 0;
            m_startLine = number;
            m_hasType = false;
            return;
        }
        if (!m_current)
            fail(number, QStringLiteral("строка вне блока вопроса"));
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0)
            fail(number, QStringLiteral("нет двоеточия после имени поля"));
        const QString key = line.left(colon).trimmed();
        const QString value = line.mid(colon + 1).trimmed();
        if (key == QLatin1String("type")) {
            m_current->type = wholeNumber(value, number, "вид вопроса");
            if (m_current->type > 1)
                fail(number, QStringLiteral("вид вопроса должен быть 0 или 1"));
            m_hasType = true;
        } else if (key == QLatin1String("picture")) {
            m_current->picture = wholeNumber(value, number, "номер рисунка");
            if (*m_current->picture > 32767)
                fail(number, QStringLiteral("номер рисунка %1 больше 32767").arg(value.trimmed()));
        } else if (key == QLatin1String("question")) {
            m_current->question = value;
        } else if (key == QLatin1String("answer") || key == QLatin1String("answer*")) {
            if (m_answers == 4)
                fail(number, QStringLiteral("больше четырёх ответов"));
            m_current->answers[m_answers] = value;
            m_current->right[m_answers] = key.endsWith(QLatin1Char('*'));
            ++m_answers;
        } else {
            fail(number, QStringLiteral("неизвестное поле «%1»").arg(key));
        }
    }

    void finish(int number)
    {
        if (!m_current)
            return;
        const BankQuestion &q = *m_current;
        const QString where = QStringLiteral("вопрос %1 (с строки %2)").arg(q.id).arg(m_startLine);
        if (!m_hasType)
            fail(number, where + QStringLiteral(": нет поля type"));
        if (q.question.isEmpty())
            fail(number, where + QStringLiteral(": нет текста вопроса"));
        if (m_answers != 4)
            fail(number, where + QStringLiteral(": ответов %1, нужно 4").arg(m_answers));
        for (const QString &answer : q.answers)
            if (answer.isEmpty())
                fail(number, where + QStringLiteral(": пустой ответ"));
        const int rightCount = static_cast<int>(std::count(q.right.begin(), q.right.end(), true));
        if (q.type == 0 && rightCount != 1)
            fail(number, where + QStringLiteral(": у вопроса с одним ответом отмечено верных: %1")
                                     .arg(rightCount));
        if (q.type == 1 && rightCount == 0)
            fail(number, where + QStringLiteral(": не отмечен ни один верный ответ"));
        m_questions.push_back(q);
        m_current.reset();
    }

    std::vector<BankQuestion> m_questions;
    std::optional<BankQuestion> m_current;
    int m_answers = 0;
    int m_startLine = 0;
    bool m_hasType = false;
};

} // namespace

int BankQuestion::ball() const
{
    int code = 0;
    for (int k = 0; k < 4; ++k)
        if (right[k])
            code += Weights[k];
    return code;
}

std::vector<BankQuestion> parseBank(const QString &text)
{
    return Parser().run(text);
}
