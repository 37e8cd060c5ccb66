#include "editor_rows.h"

#include "editor/bank_document.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Field = BankDocument::Field;

// A bank as another tool may have left it: a gap in the ids, a text id, a question that shows
// no answers and has Null ones, a picture, a code stored as text.
std::vector<QuestionRow> oddBank()
{
    std::vector<QuestionRow> rows{
        storedRow(qlonglong(1), QStringLiteral("Что такое кегль?")),
        storedRow(qlonglong(2), QStringLiteral("Что такое интерлиньяж?")),
        storedRow(qlonglong(5), QStringLiteral("Что такое кернинг?")),
        storedRow(QStringLiteral("7"), QStringLiteral("Что такое гарнитура?")),
        storedRow(qlonglong(3), QStringLiteral("Что такое полоса набора?")),
    };
    rows[1].type = qlonglong(2);
    rows[1].answers[2] = QVariant();
    rows[2].picture = QStringLiteral("12");
    rows[3].ball = QStringLiteral("4");
    rows[4].type = qlonglong(1);
    rows[4].ball = qlonglong(13);
    return rows;
}

std::vector<QuestionRow> numberedBank(int count)
{
    std::vector<QuestionRow> rows;
    for (int k = 1; k <= count; ++k)
        rows.push_back(storedRow(qlonglong(k), QStringLiteral("вопрос %1").arg(k)));
    return rows;
}

QStringList questionTexts(const BankDocument &document)
{
    QStringList texts;
    for (const QuestionRow &row : document.questions())
        texts << row.question.toString();
    return texts;
}

QString numberedIds(int count)
{
    QStringList ids;
    for (int k = 1; k <= count; ++k)
        ids << QString::number(k);
    return ids.join(QLatin1Char(' '));
}

TEST(BankDocumentTest, UndoingEveryKindOfChangeGivesBackTheOpenedRows)
{
    BankDocument document;
    const std::vector<QuestionRow> opened = oddBank();
    document.load(opened);
    EXPECT_EQ(idsOf(document.questions()), QStringLiteral("1 2 5 «7» 3")) << "opening renumbered";
    EXPECT_FALSE(document.isModified());

    struct Step
    {
        const char *label;
        bool renumbers;
        std::function<void()> edit;
    };
    const Step script[] = {
        {"type a question", false,
         [&] { document.setField(0, Field::Question, QStringLiteral("Кегль")); }},
        {"tick a second answer", false,
         [&] {
             document.setFields(4, {{Field::Type, qlonglong(1)}, {Field::Ball, qlonglong(5)}});
         }},
        {"clear a picture", false, [&] { document.setField(2, Field::Picture, QVariant()); }},
        {"insert after the second", true, [&] { document.insertQuestion(1); }},
        {"insert before the first", true, [&] { document.insertQuestion(-1); }},
        {"duplicate the text id's row", true, [&] { document.duplicateQuestion(5); }},
        {"move down", true, [&] { document.moveQuestion(1, +1); }},
        {"move up", true, [&] { document.moveQuestion(5, -1); }},
        {"remove two apart and two together", true,
         [&] {
             document.removeQuestions({6, 0, 3, 2});
         }},
        {"type an answer", false,
         [&] { document.setField(1, Field::Answer3, QStringLiteral("да")); }},
    };
    for (const Step &step : script) {
        SCOPED_TRACE(step.label);
        const int steps = document.undoStack()->count();
        const QString ids = idsOf(document.questions());
        step.edit();
        EXPECT_EQ(document.undoStack()->count(), steps + 1);
        EXPECT_TRUE(document.isModified());
        EXPECT_EQ(idsOf(document.questions()),
                  step.renumbers ? numberedIds(document.rowCount()) : ids);
    }
    const std::vector<QuestionRow> edited = document.questions();

    while (document.undoStack()->canUndo())
        document.undoStack()->undo();
    EXPECT_EQ(rowDifferences(opened, document.questions()), QString());
    EXPECT_FALSE(document.isModified());

    while (document.undoStack()->canRedo())
        document.undoStack()->redo();
    EXPECT_EQ(rowDifferences(edited, document.questions()), QString());
}

TEST(BankDocumentTest, TypingIntoOneFieldIsOneUndoStep)
{
    BankDocument document;
    document.load(numberedBank(3));
    QString typed;
    for (const QChar letter : QStringLiteral("Шрифтовой")) {
        typed += letter;
        document.setField(1, Field::Question, typed);
    }
    EXPECT_EQ(document.undoStack()->count(), 1);

    document.setField(1, Field::Answer1, QStringLiteral("а"));
    document.setField(1, Field::Answer1, QStringLiteral("ан"));
    EXPECT_EQ(document.undoStack()->count(), 2) << "another field is another step";
    document.setField(2, Field::Answer1, QStringLiteral("б"));
    EXPECT_EQ(document.undoStack()->count(), 3) << "another row is another step";
    document.setField(2, Field::Answer1, QStringLiteral("б"));
    EXPECT_EQ(document.undoStack()->count(), 3) << "the same value is no change";
    document.setFields(2, {{Field::Ball, qlonglong(1)}, {Field::Type, qlonglong(0)}});
    EXPECT_EQ(document.undoStack()->count(), 3) << "the same values are no change";

    document.undoStack()->undo();
    document.undoStack()->undo();
    EXPECT_EQ(document.questions()[1].question.toString(), QStringLiteral("Шрифтовой"));
    EXPECT_EQ(document.questions()[1].answers[0].toString(), QStringLiteral("вопрос 2: ответ 1"));
    document.undoStack()->undo();
    EXPECT_EQ(document.questions()[1].question.toString(), QStringLiteral("вопрос 2"));

    // Each tick is a step of its own, however quickly they come.
    document.setField(0, Field::Ball, qlonglong(4));
    document.setField(0, Field::Ball, qlonglong(8));
    document.undoStack()->undo();
    EXPECT_EQ(document.questions()[0].ball.toLongLong(), 4);
}

TEST(BankDocumentTest, EachFieldLandsInItsColumn)
{
    BankDocument document;
    document.load(numberedBank(1));
    document.setField(0, Field::Question, QStringLiteral("в"));
    document.setField(0, Field::Answer1, QStringLiteral("о1"));
    document.setField(0, Field::Answer2, QStringLiteral("о2"));
    document.setField(0, Field::Answer3, QStringLiteral("о3"));
    document.setField(0, Field::Answer4, QStringLiteral("о4"));
    document.setField(0, Field::Ball, qlonglong(12));
    document.setField(0, Field::Picture, QStringLiteral("7"));
    document.setField(0, Field::Type, qlonglong(1));
    QuestionRow expected;
    expected.id = qlonglong(1);
    expected.question = QStringLiteral("в");
    expected.answers = {QStringLiteral("о1"), QStringLiteral("о2"), QStringLiteral("о3"),
                        QStringLiteral("о4")};
    expected.ball = qlonglong(12);
    expected.picture = QStringLiteral("7");
    expected.type = qlonglong(1);
    EXPECT_EQ(rowDifferences({expected}, document.questions()), QString());
}

TEST(BankDocumentTest, RowsAreNumberedInListOrderAfterEachChange)
{
    BankDocument document;
    document.load(numberedBank(5));

    EXPECT_EQ(document.insertQuestion(1), 2);
    EXPECT_EQ(idsOf(document.questions()), numberedIds(6));
    const QuestionRow &fresh = document.questions()[2];
    EXPECT_EQ(fresh.question.typeId(), QMetaType::QString);
    EXPECT_TRUE(fresh.question.toString().isEmpty());
    EXPECT_EQ(fresh.ball, QVariant(qlonglong(1)));
    EXPECT_EQ(fresh.type, QVariant(qlonglong(0)));
    EXPECT_TRUE(fresh.picture.isNull());
    for (const QVariant &answer : fresh.answers)
        EXPECT_EQ(answer, QVariant(QString()));

    EXPECT_EQ(document.duplicateQuestion(3), 4);
    EXPECT_EQ(questionTexts(document), QStringList({"вопрос 1", "вопрос 2", "", "вопрос 3",
                                                    "вопрос 3", "вопрос 4", "вопрос 5"}));
    EXPECT_EQ(idsOf(document.questions()), numberedIds(7));

    document.removeQuestions({6, 0, 2});
    EXPECT_EQ(questionTexts(document),
              QStringList({"вопрос 2", "вопрос 3", "вопрос 3", "вопрос 4"}));
    EXPECT_EQ(idsOf(document.questions()), numberedIds(4));

    EXPECT_TRUE(document.moveQuestion(0, +1));
    EXPECT_TRUE(document.moveQuestion(3, -1));
    EXPECT_EQ(questionTexts(document),
              QStringList({"вопрос 3", "вопрос 2", "вопрос 4", "вопрос 3"}));
    EXPECT_EQ(idsOf(document.questions()), numberedIds(4));

    // A text id that reads as its row's number is still text: it is numbered like any other.
    std::vector<QuestionRow> texts = numberedBank(3);
    texts[2].id = QStringLiteral("3");
    document.load(texts);
    document.insertQuestion(2);
    EXPECT_EQ(idsOf(document.questions()), numberedIds(4));

    const int steps = document.undoStack()->count();
    EXPECT_FALSE(document.moveQuestion(0, -1));
    EXPECT_FALSE(document.moveQuestion(3, +1));
    EXPECT_EQ(document.undoStack()->count(), steps);
}

TEST(BankDocumentTest, OpeningForgetsTheHistory)
{
    BankDocument document;
    document.load(numberedBank(2));
    document.setField(0, Field::Question, QStringLiteral("новый"));
    document.load(numberedBank(1));
    EXPECT_FALSE(document.isModified());
    EXPECT_FALSE(document.undoStack()->canUndo());
}

} // namespace
