#include "command_run.h"
#include "store/question_stats.h"
#include "support/bank_fixture.h"
#include "support/journal_builder.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

QDateTime at(int day, int hour, int minute)
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute), QTimeZone(3 * 3600));
}

// The CSV's rows by the id in their first field, the headings left out.
QMultiHash<QString, QStringList> csvRows(const QString &out)
{
    QMultiHash<QString, QStringList> rows;
    QStringList lines = out.mid(1).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    lines.removeFirst();
    for (const QString &line : lines) {
        const QStringList fields = line.split(u';');
        rows.insert(fields.front(), fields);
    }
    return rows;
}

double number(const QString &field)
{
    return QString(field).replace(u',', u'.').toDouble();
}

// The fields of a CSV row.
enum Field { Id, Text, Answered, Facility, Discrimination, Ticked1, Seconds = 9, Flags };

class StatsCommand : public ::testing::Test
{
protected:
    QString bank(const QString &name, int questions)
    {
        const QString path = dir.filePath(name);
        writeBankFile(path, BankFixture::questions(questions));
        return path;
    }
    // 40 answers of `builder`'s bank, questions 1..40, each right where `right` says so, else
    // unanswered.
    static std::vector<GivenAnswer> answers(JournalBuilder &builder,
                                            const std::function<bool(int)> &right)
    {
        std::vector<GivenAnswer> given;
        for (int id = 1; id <= 40; ++id)
            given.push_back(right(id) ? builder.right(id) : builder.answer(id, 0));
        return given;
    }

    QTemporaryDir dir;
};

// Forty examinees: the strong twenty get 30 of the 36 other questions right, the weak 10 (two of
// them 9). Question 2 everyone gets right; question 4 nobody; question 6 the strong and not the
// weak; question 1's key is wrong: the strong tick answers 2 and 4, and only two weak ones tick
// the key's 1 and 3. The other questions have a rest score that is 31 for the strong and 11 for
// the weak (see the sums below).
TEST_F(StatsCommand, FiguresOfAJournalBuiltByHandAreThoseWorkedOutForIt)
{
    const QString path = bank("data.mdb", 41);
    JournalBuilder builder(path);
    const QList<int> others = [] {
        QList<int> ids{3, 5};
        for (int id = 7; id <= 40; ++id)
            ids.push_back(id);
        return ids;
    }();
    for (int k = 0; k < 40; ++k) {
        const bool strong = k >= 20;
        const int fillers = strong ? 30 : k < 2 ? 9 : 10;
        std::vector<GivenAnswer> given;
        for (int i = 0; i < others.size(); ++i)
            given.push_back(i < fillers ? builder.right(others[i]) : builder.answer(others[i], 0));
        given.push_back(builder.right(2, strong ? 20 : 10));
        given.push_back(builder.answer(4, strong ? 1 : 0));
        given.push_back(strong ? builder.right(6) : builder.answer(6, k % 2 ? 1 : 8));
        given.push_back(builder.answer(1, strong ? 20 : k < 2 ? 9 : 0));
        builder.finished(QStringLiteral("Экзаменуемый %1").arg(k), at(9, 9, k), given);
    }
    // Not first under its name, and not finished: neither counts by default.
    builder.finished(QStringLiteral("Экзаменуемый 0"), at(10, 9, 0),
                     answers(builder, [](int) { return true; }));
    builder.unfinished(QStringLiteral("Ушедший"), at(10, 10, 0),
                       answers(builder, [](int) { return true; }));

    const CommandRun run = runCommand(statsCommand, {"--csv", path});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const auto rows = csvRows(run.out);
    ASSERT_EQ(rows.size(), 41);
    const QStringList always = rows.value("2"), never = rows.value("4"), telling = rows.value("6"),
                      wrongKey = rows.value("1"), unasked = rows.value("41");

    EXPECT_EQ(always[Answered], "40");
    EXPECT_EQ(always[Facility], "1,0000");
    EXPECT_EQ(always[Discrimination], "") << "no spread of the score";
    EXPECT_EQ(always[Ticked1 + 1], "1,0000");
    EXPECT_EQ(always[Seconds], "15,0");
    EXPECT_EQ(always[Flags],
              "слишком лёгкий, ответ 1 не выбирают, ответ 3 не выбирают, ответ 4 не выбирают");

    EXPECT_EQ(never[Facility], "0,0000");
    // Unanswered by the weak half, answer 1 by the strong: in the same denominator.
    EXPECT_EQ(never[Ticked1], "0,5000");
    EXPECT_EQ(never[Flags],
              "слишком трудный, проверьте ключ, ответ 3 не выбирают, ответ 4 не выбирают");

    // Score 1 with rest 31, score 0 with rest 11: a perfect correlation.
    EXPECT_EQ(telling[Facility], "0,5000");
    EXPECT_EQ(telling[Discrimination], "1,0000");
    EXPECT_EQ(telling.mid(Ticked1, 4), QStringList({"0,2500", "0,5000", "0,2500", "0,0000"}));
    EXPECT_EQ(telling[Flags], "ответ 4 не выбирают");

    // x: 1 for two attempts with rest 10; 0 for 20 with rest 32 and 18 with rest 11.
    // n = 40, Σx = 2, Σx² = 2, Σy = 858, Σy² = 22858, Σxy = 20:
    // r = (40·20 − 2·858) / √((40·2 − 2²)(40·22858 − 858²)) = −916 / √(76 · 178156).
    EXPECT_NEAR(number(wrongKey[Discrimination]), -916 / std::sqrt(76.0 * 178156.0), 5e-5);
    EXPECT_EQ(wrongKey[Facility], "0,0500");
    EXPECT_EQ(wrongKey.mid(Ticked1, 4), QStringList({"0,0500", "0,5000", "0,0500", "0,5000"}));
    EXPECT_EQ(wrongKey[Flags], "слишком трудный, проверьте ключ, обратная связь");

    EXPECT_EQ(unasked[Answered], "0");
    EXPECT_EQ(unasked.mid(Facility, 7), QStringList(7, QString()));

    // The table: shares as percentages, «—» where there is no figure.
    const CommandRun table = runCommand(statsCommand, {path});
    ASSERT_EQ(table.status, 0) << table.err.toStdString();
    const auto line = [&](const QString &text) {
        return table.out.split(u'\n').filter(text + u' ').value(0);
    };
    EXPECT_TRUE(line("Вопрос 1").contains(QRegularExpression(" 5,0 % +-0,25 +5,0 % +50,0 %")))
        << line("Вопрос 1").toStdString();
    EXPECT_TRUE(line("Вопрос 2").contains(QRegularExpression(" 100,0 % +— +0,0 % +100,0 %")))
        << line("Вопрос 2").toStdString();

    // Every finished attempt, then only the days asked for, the first under its name there.
    const auto question4 = [&](const QStringList &options) {
        const CommandRun run =
            runCommand(statsCommand, QStringList{"--csv"} + options + QStringList{path});
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        const QStringList row = csvRows(run.out).value("4");
        return row.mid(Answered, 2).join(u' ');
    };
    EXPECT_EQ(question4({"--all-attempts"}), "41 0,0244");
    EXPECT_EQ(question4({"--all-attempts", "--until", "2026-12-09"}), "40 0,0000");
    EXPECT_EQ(question4({"--since", "2026-12-10"}), "1 1,0000");
    const CommandRun wrong = runCommand(statsCommand, {"--until", "2026-12-32", path});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_TRUE(wrong.err.contains("--until: «2026-12-32» — не дата ГГГГ-ММ-ДД"))
        << wrong.err.toStdString();
}

// Two workstations' banks. Question 3 is corrected in both after five first attempts, question 5
// in the second only; one more exam follows there.
TEST_F(StatsCommand, BanksMergeByTheTextShownAndAnswersToAnEarlierTextAreLeftOut)
{
    const QString first = bank("first.mdb", 40), second = bank("second.mdb", 40);
    {
        JournalBuilder one(first), two(second);
        for (int k = 0; k < 2; ++k)
            one.finished(QStringLiteral("Первый %1").arg(k), at(9, 9, k),
                         answers(one, [](int) { return true; }));
        for (int k = 0; k < 3; ++k)
            two.finished(QStringLiteral("Второй %1").arg(k), at(9, 10, k),
                         answers(two, [](int) { return false; }));
        // Sat at the second workstation first: that attempt is the one that counts.
        two.finished(QStringLiteral("Первый 0"), at(9, 8, 0),
                     answers(two, [](int) { return false; }));
        const QString corrected = QStringLiteral("UPDATE questions SET question = ? WHERE id = ?");
        one.run(corrected, {QStringLiteral("Вопрос 3, исправленный"), 3});
        two.run(corrected, {QStringLiteral("Вопрос 3, исправленный"), 3});
        two.run(corrected, {QStringLiteral("Вопрос 5 на втором месте"), 5});
        two.finished(QStringLiteral("Третий"), at(9, 11, 0),
                     answers(two, [](int) { return true; }));
    }
    const CommandRun run = runCommand(statsCommand, {"--csv", first, second});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const auto rows = csvRows(run.out);
    EXPECT_EQ(rows.size(), 41);
    EXPECT_EQ(rows.value("1").mid(Answered, 2), QStringList({"6", "0,3333"}));
    EXPECT_EQ(rows.values("3").size(), 1);
    EXPECT_EQ(rows.value("3").mid(Text, 3), QStringList({"Вопрос 3, исправленный", "1", "1,0000"}));
    // Still the first bank's text: its answers, the second's before the change among them.
    QStringList fifth;
    for (const QStringList &row : rows.values("5"))
        fifth.push_back(row.mid(Text, 3).join(u'|'));
    fifth.sort();
    EXPECT_EQ(fifth, QStringList({"Вопрос 5 на втором месте|1|1,0000", "Вопрос 5|5|0,2000"}));
    EXPECT_EQ(run.err, "5 ответов на прежний текст не учтены\n");

    const CommandRun table = runCommand(statsCommand, {first, second});
    EXPECT_TRUE(table.out.endsWith("\n5 ответов на прежний текст не учтены\n"))
        << table.out.right(200).toStdString();
}

TEST_F(StatsCommand, IdsRenumberedByAnInsertKeepTheirFigures)
{
    const QString path = bank("data.mdb", 40);
    JournalBuilder builder(path);
    // Neighbours differ: question q is right in attempt a where q mod 4 > a.
    for (int a = 0; a < 3; ++a)
        builder.finished(QStringLiteral("Экзаменуемый %1").arg(a), at(9, 9, a),
                         answers(builder, [a](int q) { return q % 4 > a; }));
    const auto figures = [&] {
        const CommandRun run = runCommand(statsCommand, {"--csv", path});
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        QHash<QString, QString> byText;
        for (const QStringList &row : csvRows(run.out))
            byText.insert(row[Text], row.mid(Answered).join(u';'));
        return byText;
    };
    const QHash<QString, QString> before = figures();
    EXPECT_NE(before.value("Вопрос 3"), before.value("Вопрос 4"));

    // As the editor numbers them after an insert before the first question.
    builder.run(QStringLiteral("UPDATE questions SET id = -id"));
    builder.run(QStringLiteral("UPDATE questions SET id = 1 - id"));
    builder.run(QStringLiteral("INSERT INTO questions VALUES (1, 'Новый', 'а', 'б', 'в', 'г', 1, "
                               "NULL, 0)"));
    QHash<QString, QString> after = figures();
    EXPECT_EQ(after.take("Новый").section(u';', 0, 1), "0;");
    EXPECT_EQ(after, before);
}

TEST_F(StatsCommand, DamagedAttemptsAndAnswersAreNamedAndLeftOut)
{
    const QString path = bank("data.mdb", 40);
    JournalBuilder builder(path);
    const qint64 sound =
        builder.finished("Целый", at(9, 9, 0), answers(builder, [](int) { return true; }));
    const qint64 damagedResult =
        builder.finished("Второй", at(9, 9, 1), answers(builder, [](int) { return true; }));
    const qint64 badScore =
        builder.finished("Третий", at(9, 9, 2), answers(builder, [](int) { return true; }));
    const qint64 miscounted =
        builder.finished("Четвёртый", at(9, 9, 3), answers(builder, [](int) { return true; }));
    const qint64 shortOne =
        builder.finished("Пятый", at(9, 9, 4), answers(builder, [](int) { return true; }));
    const qint64 badCode =
        builder.finished("Шестой", at(9, 9, 5), answers(builder, [](int) { return true; }));
    builder.run("UPDATE attempts SET right_answers = 'много' WHERE id = ?", {damagedResult});
    builder.run("UPDATE answers SET scored = 2 WHERE attempt = ? AND place = 7", {badScore});
    builder.run("UPDATE attempts SET right_answers = 39 WHERE id = ?", {miscounted});
    builder.run("DELETE FROM answers WHERE attempt = ? AND place = 40", {shortOne});
    // Question 2 has option buttons, which never give 5: two answers ticked.
    builder.run("UPDATE answers SET code = 5 WHERE attempt = ? AND question = 2", {badCode});

    const CommandRun run = runCommand(statsCommand, {"--csv", path});
    EXPECT_EQ(run.status, 1);
    const QStringList err = run.err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(err.size(), 5) << run.err.toStdString();
    const QString where = QStringLiteral("%1: попытка %2 (id в таблице attempts)");
    EXPECT_TRUE(err[0].startsWith(where.arg(path).arg(damagedResult) + ", столбец right_answers"));
    EXPECT_EQ(err[1], where.arg(path).arg(badScore) +
                          ", таблица answers, место 7, столбец scored: 2 — не 0 и не 1");
    EXPECT_EQ(err[2], where.arg(path).arg(miscounted) +
                          ", таблица answers: правильных ответов 40, а в таблице attempts — 39");
    EXPECT_EQ(err[3],
              where.arg(path).arg(shortOne) + ", таблица answers: ответов 39, а в экзамене их 40");
    EXPECT_TRUE(err[4].startsWith(where.arg(path).arg(badCode) +
                                  ", таблица answers, место 2, столбец code: 5"))
        << err[4].toStdString();
    // Only the sound attempt counts.
    EXPECT_EQ(csvRows(run.out).value("1")[Answered], "1");
    EXPECT_GT(sound, 0);
}

// The flags' thresholds, each at its edge.
TEST(QuestionStatsFlags, AreRaisedFromThirtyAnswersAtTheirThresholds)
{
    struct Case
    {
        int type, answered, right;
        std::optional<double> discrimination;
        std::array<int, 4> ticks;
        QStringList flags;
    };
    const Rules::Ticks second{false, true, false, false};
    const std::array<int, 4> chosen{9, 9, 9, 9};
    const Case cases[] = {
        {Rules::OptionButtons, 29, 29, 0.5, chosen, {}},
        {Rules::OptionButtons, 30, 27, 0.5, chosen, {"слишком лёгкий"}},
        {Rules::OptionButtons, 30, 26, 0.5, chosen, {}},
        {Rules::OptionButtons, 30, 7, 0.5, chosen, {"проверьте ключ"}},
        {Rules::OptionButtons, 30, 8, 0.5, chosen, {}},
        {Rules::OptionButtons, 30, 6, 0.5, chosen, {"слишком трудный", "проверьте ключ"}},
        {Rules::CheckBoxes, 32, 1, 0.5, chosen, {"слишком трудный", "проверьте ключ"}},
        {Rules::CheckBoxes, 32, 2, 0.5, chosen, {"слишком трудный"}},
        {Rules::OptionButtons, 30, 15, 0.19, chosen, {"не различает"}},
        {Rules::OptionButtons, 30, 15, 0.2, chosen, {}},
        {Rules::OptionButtons, 30, 27, 0.1, chosen, {"слишком лёгкий"}},
        {Rules::OptionButtons, 30, 6, 0.1, chosen, {"слишком трудный", "проверьте ключ"}},
        {Rules::OptionButtons, 30, 15, -0.01, chosen, {"не различает", "обратная связь"}},
        {Rules::OptionButtons, 30, 27, -0.01, chosen, {"слишком лёгкий", "обратная связь"}},
        {Rules::OptionButtons, 30, 15, std::nullopt, chosen, {}},
        // Under 5 % of 40 answers is one; the key's own answer is never flagged.
        {Rules::OptionButtons, 40, 20, 0.5, {1, 0, 2, 9}, {"ответ 1 не выбирают"}},
    };
    for (const Case &c : cases) {
        QuestionStats::Figures figures;
        figures.type = c.type;
        figures.key = second;
        figures.answered = c.answered;
        figures.right = c.right;
        figures.discrimination = c.discrimination;
        figures.ticks = c.ticks;
        EXPECT_EQ(QuestionStats::flagsOf(figures), c.flags)
            << c.type << " " << c.answered << " " << c.right;
    }
}

} // namespace
