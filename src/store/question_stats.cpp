#include "question_stats.h"

#include "bank_file.h"
#include "counted.h"
#include "field_value.h"
#include "problem.h"
#include "question_digest.h"
#include "runtime_error.h"
#include "sqlite.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>

namespace QuestionStats {

namespace {

const QStringList AnswerColumns{"attempt", "place",   "question", "code",
                                "scored",  "seconds", "shown"};

// Every place of an exam, one bit each.
constexpr quint64 AllPlaces = (quint64(1) << Rules::TestLength) - 1;
// Ids the engine keeps exactly in a double.
constexpr qint64 LargestId = qint64(1) << 53;

template <class Work> auto fromEngine(Work work)
{
    try {
        return work();
    } catch (const RuntimeError &error) {
        throwProblem(error.description());
    }
}

std::optional<qint64> wholeNumber(const FieldValue &value, qint64 lowest, qint64 highest)
{
    if (value.kind() != FieldValue::Kind::Number)
        return std::nullopt;
    const double number = value.asNumber();
    if (number != std::trunc(number) || number < double(lowest) || number > double(highest))
        return std::nullopt;
    return qint64(number);
}

// A cell as a problem names it.
QString cellText(const FieldValue &value)
{
    switch (value.kind()) {
    case FieldValue::Kind::Null:
        return QStringLiteral("пусто");
    case FieldValue::Kind::Text:
        return QStringLiteral("«%1»").arg(value.asText());
    case FieldValue::Kind::Number:
        return plainDecimal(value.asNumber());
    case FieldValue::Kind::Boolean:
        break;
    }
    return value.asBoolean() ? QStringLiteral("True") : QStringLiteral("False");
}

// The kind as the exam reads a stored type.
int kindOf(const QVariant &type)
{
    const std::optional<double> number = numberOf(readValue(type));
    if (number == double(Rules::OptionButtons))
        return Rules::OptionButtons;
    if (number == double(Rules::CheckBoxes))
        return Rules::CheckBoxes;
    return -1;
}

QString attemptText(qint64 attempt)
{
    return QStringLiteral("попытка %1 (id в таблице attempts), таблица answers").arg(attempt);
}

} // namespace

struct Tally::Bank
{
    struct Question
    {
        QString id;
        qint64 number;
        QString text;
        int textIndex;
        int type;
        std::optional<Rules::Ticks> key;
    };
    // A finished attempt in the days selected.
    struct Attempt
    {
        qint64 id;
        QString username;
        QDateTime started;
        int right;
    };
    struct Answer
    {
        qint64 attempt;
        double seconds;
        int textIndex;
        qint8 place;
        qint8 code;
        bool scored;
    };
    // What the rows of one attempt add up to, and what was wrong in them.
    struct Given
    {
        int count = 0;
        int right = 0;
        quint64 places = 0;
        QStringList problems;
    };

    QString name;
    std::vector<Question> questions;
    std::vector<Attempt> attempts;
    std::vector<Answer> answers;
    QHash<qint64, Given> given;
    QStringList problems; // rows that name no attempt
};

std::optional<double> Figures::facility() const
{
    if (answered == 0)
        return std::nullopt;
    return double(right) / answered;
}

std::optional<double> Figures::tickedShare(int answer) const
{
    if (answered == 0)
        return std::nullopt;
    return double(ticks[std::size_t(answer)]) / answered;
}

std::optional<double> Figures::meanSeconds() const
{
    if (answered == 0)
        return std::nullopt;
    return seconds / answered;
}

QStringList flagsOf(const Figures &f)
{
    QStringList flags;
    const qint64 n = f.answered;
    if (n < FewestForFlags)
        return flags;
    // Shares compared as whole numbers: 27 of 30 is 0.9, whatever a division rounds it to.
    const qint64 right = f.right;
    if (10 * right >= 9 * n)
        flags.push_back(QStringLiteral("слишком лёгкий"));
    if (5 * right <= n)
        flags.push_back(QStringLiteral("слишком трудный"));
    // Below what ticking at random scores: one of four buttons, one of sixteen sets of boxes.
    if ((f.type == Rules::OptionButtons && 4 * right < n) ||
        (f.type == Rules::CheckBoxes && 16 * right < n))
        flags.push_back(QStringLiteral("проверьте ключ"));
    if (f.discrimination && *f.discrimination < 0.2 && 5 * right > n && 10 * right < 9 * n)
        flags.push_back(QStringLiteral("не различает"));
    if (f.discrimination && *f.discrimination < 0)
        flags.push_back(QStringLiteral("обратная связь"));
    if (f.key)
        for (int k = 0; k < 4; ++k)
            if (!(*f.key)[std::size_t(k)] && 20 * qint64(f.ticks[std::size_t(k)]) < n)
                flags.push_back(QStringLiteral("ответ %1 не выбирают").arg(k + 1));
    return flags;
}

QString earlierTextNote(qint64 answers)
{
    if (answers == 0)
        return {};
    const bool one = nounAfter(answers, Nouns::Answer) == Nouns::Answer.one;
    return QStringLiteral("%1 на прежний текст не %2")
        .arg(counted(answers, Nouns::Answer),
             one ? QStringLiteral("учтён") : QStringLiteral("учтены"));
}

QString decimalText(double value, int decimals)
{
    return QString::number(value, 'f', decimals).replace(u'.', u',');
}

QString percentText(double share)
{
    return decimalText(share * 100, 1) + QStringLiteral(" %");
}

Tally::Tally(Selection selection) : m_selection(std::move(selection))
{}

Tally::~Tally() = default;

int Tally::textIndex(const QString &shownHex)
{
    const auto found = m_textIndex.constFind(shownHex);
    if (found != m_textIndex.cend())
        return *found;
    const int index = int(m_textIndex.size());
    m_textIndex.insert(shownHex, index);
    return index;
}

std::vector<Tally::DamagedEntry> Tally::addBank(Database &db, const QString &name)
{
    Bank bank;
    bank.name = name;
    std::vector<Journal::Entry> journal = readJournal(db);
    const QStringList present = fromEngine([&] { return db.Columns(Table); });
    if (present.isEmpty())
        throwProblem(QStringLiteral("в банке нет таблицы answers: ответы экзаменов в нём не "
                                    "хранятся"));
    QStringList missing;
    for (const QString &column : AnswerColumns)
        if (!present.contains(column))
            missing.push_back(column);
    if (!missing.isEmpty())
        throwProblem(QStringLiteral("в таблице answers нет столбцов: %1").arg(missing.join(", ")));

    // The values digested, in QuestionDigest::Columns' order, follow the id.
    const std::vector<QVariantList> questions = fromEngine([&] {
        return db.StoredRows(
            QStringLiteral("SELECT id, %1 FROM questions").arg(QuestionDigest::Columns));
    });
    std::vector<int> textsOfQuestions;
    for (const QVariantList &row : questions) {
        const QVariantList values = row.mid(1);
        const int type = kindOf(values[1]);
        const std::optional<double> ball = numberOf(readValue(values[6]));
        const std::optional<double> id = numberOf(readValue(row[0]));
        bank.questions.push_back(
            {row[0].toString(),
             id && std::fabs(*id) < double(LargestId) ? qint64(*id)
                                                      : std::numeric_limits<qint64>::max(),
             values[0].toString(),
             textIndex(QString::fromLatin1(QuestionDigest::of(values).toHex().toUpper())), type,
             ball ? Rules::ticksGiving(type, *ball) : std::nullopt});
    }

    std::vector<DamagedEntry> damaged;
    for (std::size_t k = 0; k < journal.size(); ++k) {
        Journal::Entry &entry = journal[k];
        // The workstation's own day, as `results` takes it; a damaged start is in every range.
        if (!entry.started.damaged()) {
            const QDate day = entry.started.value().date();
            if ((m_selection.since && day < *m_selection.since) ||
                (m_selection.until && day > *m_selection.until))
                continue;
        }
        if (!entry.damages().empty()) {
            damaged.push_back({k, std::move(entry)});
            continue;
        }
        if (entry.finished.value() && entry.rightAnswers.value())
            bank.attempts.push_back({entry.id.value(), entry.username.value(),
                                     entry.started.value(), *entry.rightAnswers.value()});
    }

    fromEngine([&] {
        db.ForEachRow(
            QStringLiteral("SELECT attempt, place, code, scored, seconds, typeof(shown) = 'blob' "
                           "AND length(shown) = 32, hex(shown) FROM answers"),
            [&](const std::vector<FieldValue> &row) {
                const std::optional<qint64> attempt = wholeNumber(row[0], -LargestId, LargestId);
                if (!attempt) {
                    bank.problems.push_back(
                        QStringLiteral("таблица answers, столбец attempt: %1 — не номер попытки")
                            .arg(cellText(row[0])));
                    return;
                }
                Bank::Given &given = bank.given[*attempt];
                ++given.count;
                const std::optional<qint64> place = wholeNumber(row[1], 1, Rules::TestLength);
                // Worded only for a row refused: most rows are sound.
                const auto refuse = [&](const QString &column, const QString &problem) {
                    const QString where =
                        QStringLiteral("%1, место %2")
                            .arg(attemptText(*attempt),
                                 place ? QString::number(*place) : cellText(row[1]));
                    given.problems.push_back(
                        QStringLiteral("%1, столбец %2: %3").arg(where, column, problem));
                };
                const std::optional<qint64> code = wholeNumber(row[2], 0, Rules::HighestAnswerCode);
                const std::optional<qint64> scored = wholeNumber(row[3], 0, 1);
                const bool seconds = row[4].kind() == FieldValue::Kind::Number &&
                                     std::isfinite(row[4].asNumber()) && row[4].asNumber() >= 0;
                const bool shown = wholeNumber(row[5], 1, 1).has_value();
                if (!place)
                    refuse(QStringLiteral("place"),
                           QStringLiteral("не место вопроса в экзамене (целое от 1 до %1)")
                               .arg(Rules::TestLength));
                else if (given.places & (quint64(1) << (*place - 1)))
                    refuse(QStringLiteral("place"), QStringLiteral("это место уже занято"));
                if (!code)
                    refuse(QStringLiteral("code"),
                           QStringLiteral("%1 — не код ответа (целое от 0 до %2)")
                               .arg(cellText(row[2]))
                               .arg(Rules::HighestAnswerCode));
                if (!scored)
                    refuse(QStringLiteral("scored"),
                           QStringLiteral("%1 — не 0 и не 1").arg(cellText(row[3])));
                if (!seconds)
                    refuse(QStringLiteral("seconds"),
                           QStringLiteral("%1 — не число секунд").arg(cellText(row[4])));
                if (!shown)
                    refuse(QStringLiteral("shown"),
                           QStringLiteral("не отпечаток вопроса (32 байта)"));
                if (!place || !code || !scored || !seconds || !shown)
                    return;
                given.places |= quint64(1) << (*place - 1);
                given.right += int(*scored);
                bank.answers.push_back({*attempt, row[4].asNumber(), textIndex(row[6].asText()),
                                        qint8(*place), qint8(*code), *scored == 1});
            });
    });
    m_banks.push_back(std::move(bank));
    return damaged;
}

Result Tally::result() const
{
    Result result;

    // One figure per text the banks hold now; the ids a text has, each once.
    std::vector<int> figureOf(std::size_t(m_textIndex.size()), -1);
    std::vector<QByteArray> digests(std::size_t(m_textIndex.size()));
    for (auto it = m_textIndex.cbegin(); it != m_textIndex.cend(); ++it)
        digests[std::size_t(*it)] = QByteArray::fromHex(it.key().toLatin1());
    for (const Bank &bank : m_banks)
        for (const Bank::Question &question : bank.questions) {
            int &figure = figureOf[std::size_t(question.textIndex)];
            if (figure < 0) {
                figure = int(result.questions.size());
                Figures figures;
                figures.firstId = question.number;
                figures.text = question.text;
                figures.shown = digests[std::size_t(question.textIndex)];
                figures.type = question.type;
                figures.key = question.key;
                result.questions.push_back(std::move(figures));
            }
            QStringList &ids = result.questions[std::size_t(figure)].ids;
            if (!ids.contains(question.id))
                ids.push_back(question.id);
        }

    // The attempts that count, by bank: the first under each full name, by the moment it
    // started, unless every attempt counts.
    std::vector<QHash<qint64, int>> counted(m_banks.size());
    {
        struct Candidate
        {
            std::size_t bank;
            const Bank::Attempt *attempt;
        };
        std::vector<Candidate> candidates;
        for (std::size_t b = 0; b < m_banks.size(); ++b)
            for (const Bank::Attempt &attempt : m_banks[b].attempts)
                candidates.push_back({b, &attempt});
        if (!m_selection.allAttempts)
            std::stable_sort(candidates.begin(), candidates.end(),
                             [](const Candidate &a, const Candidate &b) {
                                 return a.attempt->started < b.attempt->started;
                             });
        QSet<QString> named;
        for (const Candidate &candidate : candidates) {
            if (!m_selection.allAttempts) {
                if (named.contains(candidate.attempt->username))
                    continue;
                named.insert(candidate.attempt->username);
            }
            counted[candidate.bank].insert(candidate.attempt->id, candidate.attempt->right);
        }
    }

    // An attempt whose rows are not the whole exam as it was scored is left out whole: its
    // figures would describe an exam nobody sat.
    for (std::size_t b = 0; b < m_banks.size(); ++b) {
        const Bank &bank = m_banks[b];
        for (const QString &problem : bank.problems)
            result.problems.push_back(bank.name + QStringLiteral(": ") + problem);
        QSet<qint64> refused;
        const auto refuse = [&](qint64 attempt, const QString &problem) {
            result.problems.push_back(bank.name + QStringLiteral(": ") + problem);
            refused.insert(attempt);
        };
        for (const Bank::Attempt &attempt : bank.attempts) {
            if (!counted[b].contains(attempt.id))
                continue;
            const auto found = bank.given.constFind(attempt.id);
            if (found == bank.given.cend())
                continue; // kept before its answers were
            const Bank::Given &given = *found;
            for (const QString &problem : given.problems)
                refuse(attempt.id, problem);
            if (!given.problems.isEmpty())
                continue;
            if (given.count != Rules::TestLength || given.places != AllPlaces)
                refuse(attempt.id, QStringLiteral("%1: ответов %2, а в экзамене их %3")
                                       .arg(attemptText(attempt.id))
                                       .arg(given.count)
                                       .arg(Rules::TestLength));
            else if (given.right != attempt.right)
                refuse(attempt.id,
                       QStringLiteral("%1: правильных ответов %2, а в таблице attempts — %3")
                           .arg(attemptText(attempt.id))
                           .arg(given.right)
                           .arg(attempt.right));
        }
        for (const Bank::Answer &answer : bank.answers) {
            if (!counted[b].contains(answer.attempt) || refused.contains(answer.attempt))
                continue;
            const int figure = figureOf[std::size_t(answer.textIndex)];
            if (figure < 0 || answer.code == 0)
                continue;
            const int type = result.questions[std::size_t(figure)].type;
            if (!Rules::ticksGiving(type, answer.code))
                refuse(answer.attempt,
                       QStringLiteral("%1, место %2, столбец code: %3 — такого кода не дают "
                                      "отметки вопроса этого вида")
                           .arg(attemptText(answer.attempt))
                           .arg(answer.place)
                           .arg(answer.code));
        }
        counted[b].removeIf([&](const auto &attempt) { return refused.contains(attempt.key()); });
    }

    // One pass over the answers; the correlation from sums of whole numbers, exact.
    struct Sums
    {
        qint64 x = 0, y = 0, xx = 0, yy = 0, xy = 0;
    };
    std::vector<Sums> sums(result.questions.size());
    for (std::size_t b = 0; b < m_banks.size(); ++b)
        for (const Bank::Answer &answer : m_banks[b].answers) {
            const auto attempt = counted[b].constFind(answer.attempt);
            if (attempt == counted[b].cend())
                continue;
            const int figure = figureOf[std::size_t(answer.textIndex)];
            if (figure < 0) {
                ++result.earlierText;
                continue;
            }
            Figures &f = result.questions[std::size_t(figure)];
            ++f.answered;
            f.seconds += answer.seconds;
            // Code 0, nothing ticked, counts in the denominators all the same.
            if (const std::optional<Rules::Ticks> ticks = Rules::ticksGiving(f.type, answer.code))
                for (std::size_t k = 0; k < 4; ++k)
                    f.ticks[k] += (*ticks)[k] ? 1 : 0;
            const qint64 x = answer.scored ? 1 : 0;
            const qint64 y = *attempt - x;
            f.right += int(x);
            Sums &s = sums[std::size_t(figure)];
            s.x += x;
            s.y += y;
            s.xx += x * x;
            s.yy += y * y;
            s.xy += x * y;
        }
    for (std::size_t i = 0; i < result.questions.size(); ++i) {
        Figures &f = result.questions[i];
        const Sums &s = sums[i];
        const qint64 n = f.answered;
        const qint64 spreadX = n * s.xx - s.x * s.x;
        const qint64 spreadY = n * s.yy - s.y * s.y;
        if (n >= 2 && spreadX > 0 && spreadY > 0)
            f.discrimination =
                double(n * s.xy - s.x * s.y) / std::sqrt(double(spreadX) * double(spreadY));
        f.flags = flagsOf(f);
    }
    std::stable_sort(result.questions.begin(), result.questions.end(),
                     [](const Figures &a, const Figures &b) { return a.firstId < b.firstId; });
    return result;
}

} // namespace QuestionStats
