#include "answers_check.h"

#include "database.h"
#include "journal.h"
#include "rules.h"

namespace {

// Shown in full up to this many; past it the count says the rest.
constexpr int ShownExamples = 5;

QString where(const QString &problem)
{
    return QStringLiteral("ответы (таблица answers): ") + problem;
}

// Rows a condition picks out: their count and the first few, as `attempt`, `place` literals.
QString rowsWhere(Database &basa, const QString &condition, const QString &problem)
{
    const auto rows = basa.Rows(
        QStringLiteral("select quote(attempt), quote(place), count(*) over () from answers "
                       "where %1 order by rowid limit %2")
            .arg(condition)
            .arg(ShownExamples));
    if (rows.empty())
        return {};
    QStringList shown;
    for (const auto &row : rows)
        shown.push_back(
            QStringLiteral("attempt %1, place %2").arg(row[0].asText(), row[1].asText()));
    const qint64 count = qint64(rows.front()[2].asNumber());
    return where(QStringLiteral("%1 — строк: %2 (%3%4)")
                     .arg(problem)
                     .arg(count)
                     .arg(shown.join(QStringLiteral("; ")),
                          count > ShownExamples ? QStringLiteral("; …") : QString()));
}

} // namespace

QStringList answersProblems(Database &basa)
{
    if (!basa.HasTable(Journal::AnswersTable))
        return {};
    const QStringList present = basa.Columns(Journal::AnswersTable);
    for (const QString &column : Journal::AnswerColumns)
        if (!present.contains(column))
            return {};
    const bool journal = basa.HasTable(Journal::Table);

    QStringList problems;
    auto add = [&](const QString &problem) {
        if (!problem.isEmpty())
            problems.push_back(problem);
    };
    add(rowsWhere(
        basa,
        QStringLiteral("typeof(place) <> 'integer' or place not between 1 and %1")
            .arg(Rules::TestLength),
        QStringLiteral("место (place) не целое число от 1 до %1").arg(Rules::TestLength)));
    add(rowsWhere(basa,
                  QStringLiteral("typeof(question) <> 'integer' or question not between 1 and %1")
                      .arg(Rules::LargestBank),
                  QStringLiteral("номер вопроса (question) не целое число от 1 до %1")
                      .arg(Rules::LargestBank)));
    add(rowsWhere(basa,
                  QStringLiteral("typeof(code) <> 'integer' or code not between 0 and %1")
                      .arg(Rules::HighestAnswerCode),
                  QStringLiteral("код ответа (code) не целое число от 0 до %1")
                      .arg(Rules::HighestAnswerCode)));
    add(rowsWhere(basa, QStringLiteral("typeof(scored) <> 'integer' or scored not in (0, 1)"),
                  QStringLiteral("зачёт (scored) не 0 и не 1")));
    add(rowsWhere(basa, QStringLiteral("typeof(seconds) not in ('integer', 'real') or seconds < 0"),
                  QStringLiteral("время ответа (seconds) не число секунд от 0")));
    add(rowsWhere(basa, QStringLiteral("typeof(shown) <> 'blob' or length(shown) <> 32"),
                  QStringLiteral("отпечаток вопроса (shown) не 32 байта")));
    add(rowsWhere(basa,
                  journal ? QStringLiteral("attempt not in (select id from attempts)")
                          : QStringLiteral("1"),
                  QStringLiteral("попытки (attempt) нет в журнале попыток")));
    if (!journal)
        return problems;
    add(rowsWhere(basa,
                  QStringLiteral("attempt in (select id from attempts where finished is null)"),
                  QStringLiteral("попытка (attempt) не закончена, а ответы записываются только "
                                 "с её результатом")));

    // A finished attempt's answers: 40 of them, each question once, as many scored as it had
    // right.
    const auto attempts = basa.Rows(
        QStringLiteral("select id, rows, rows <> %1, questions <> rows, scored is not right, "
                       "scored, right, count(*) over () from (select a.id, count(*) as rows, "
                       "count(distinct n.question) as questions, total(n.scored = 1) as scored, "
                       "a.right_answers as right from answers n join attempts a on a.id = "
                       "n.attempt where a.finished is not null group by a.id) where rows <> %1 or "
                       "questions <> rows or scored is not right order by id limit %2")
            .arg(Rules::TestLength)
            .arg(ShownExamples));
    for (const auto &row : attempts) {
        QStringList wrong;
        if (row[2].asNumber() != 0)
            wrong.push_back(QStringLiteral("ответов %1, а не %2")
                                .arg(plainDecimal(row[1].asNumber()))
                                .arg(Rules::TestLength));
        if (row[3].asNumber() != 0)
            wrong.push_back(QStringLiteral("вопрос повторяется"));
        if (row[4].asNumber() != 0)
            wrong.push_back(QStringLiteral("засчитано ответов %1, а в журнале правильных %2")
                                .arg(plainDecimal(row[5].asNumber()),
                                     row[6].isNull() ? QStringLiteral("нет")
                                                     : QStringLiteral("«%1»").arg(textOf(
                                                           row[6], QStringLiteral("right")))));
        problems.push_back(where(
            QStringLiteral("у попытки %1 %2")
                .arg(textOf(row[0], QStringLiteral("id")), wrong.join(QStringLiteral(", ")))));
    }
    if (!attempts.empty() && attempts.front()[7].asNumber() > ShownExamples)
        problems.push_back(
            where(QStringLiteral("и ещё таких попыток: %1")
                      .arg(plainDecimal(attempts.front()[7].asNumber() - ShownExamples))));
    return problems;
}
