#include "editor_rows.h"

#include "editor/bank_document.h"
#include "editor/question_filter.h"
#include "editor/question_list_model.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using Field = BankDocument::Field;

std::vector<QuestionRow> numberedBank(int count)
{
    std::vector<QuestionRow> rows;
    for (int k = 1; k <= count; ++k)
        rows.push_back(storedRow(qlonglong(k), QStringLiteral("вопрос %1").arg(k)));
    return rows;
}

// Counts what QAbstractItemModelTester reports: a model that tells its views one thing and
// holds another.
class ModelWarnings final
{
public:
    ModelWarnings() { s_count = 0, m_previous = qInstallMessageHandler(&ModelWarnings::take); }
    ~ModelWarnings() { qInstallMessageHandler(m_previous); }
    int count() const { return s_count; }

private:
    static void take(QtMsgType type, const QMessageLogContext &, const QString &message)
    {
        if (type != QtDebugMsg) {
            ++s_count;
            ADD_FAILURE() << message.toStdString();
        }
    }
    static inline int s_count = 0;
    QtMessageHandler m_previous;
};

QString cell(const QAbstractItemModel &model, int row, int column, int role = Qt::DisplayRole)
{
    return model.data(model.index(row, column), role).toString();
}

TEST(QuestionListModelTest, ShowsNumberKindFirstWordsAndMarks)
{
    std::vector<QuestionRow> rows = numberedBank(4);
    rows[1].type = qlonglong(1);
    rows[2].type = qlonglong(3);
    rows[3].id = QStringLiteral("x4");
    rows[0].question = QStringLiteral("Какой размер\r\nшрифта\nпринят\rдля сносок?");
    rows[1].question = QString(30, QLatin1Char('a')) + QLatin1Char(' ') +
                       QString(45, QLatin1Char('b')) + QLatin1Char(' ') +
                       QString(20, QLatin1Char('c'));
    BankDocument document;
    document.load(rows);
    QuestionListModel model(document);

    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(cell(model, 0, QuestionListModel::NumberColumn), QStringLiteral("1"));
    EXPECT_EQ(cell(model, 3, QuestionListModel::NumberColumn), QStringLiteral("x4"));
    EXPECT_EQ(cell(model, 0, QuestionListModel::KindColumn), QStringLiteral("○"));
    EXPECT_EQ(cell(model, 1, QuestionListModel::KindColumn), QStringLiteral("☐"));
    EXPECT_EQ(cell(model, 2, QuestionListModel::KindColumn), QStringLiteral("—"));
    EXPECT_EQ(cell(model, 0, QuestionListModel::TextColumn),
              QStringLiteral("Какой размер шрифта принят для сносок?"));
    // Cut at the last word that ends within 80 characters.
    EXPECT_EQ(cell(model, 1, QuestionListModel::TextColumn),
              QString(30, QLatin1Char('a')) + QLatin1Char(' ') + QString(45, QLatin1Char('b')) +
                  QStringLiteral("…"));
    EXPECT_EQ(firstWords(QString(100, QLatin1Char('d'))), QString(80, QLatin1Char('d')) + "…");
    // Cut in the list, whole under the pointer.
    EXPECT_EQ(cell(model, 1, QuestionListModel::TextColumn, Qt::ToolTipRole),
              rows[1].question.toString());

    QHash<int, QuestionFindings> findings;
    findings.insert(2, {QuestionFindings::Severity::Problem, {"нет текста ответа 3"}});
    findings.insert(3, {QuestionFindings::Severity::Warning, {"пустой вопрос", "код 2"}});
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setFindings(findings);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(cell(model, 0, QuestionListModel::MarkColumn), QString());
    EXPECT_EQ(cell(model, 1, QuestionListModel::MarkColumn), QStringLiteral("✖"));
    EXPECT_EQ(cell(model, 2, QuestionListModel::MarkColumn), QStringLiteral("⚠"));
    EXPECT_EQ(cell(model, 2, QuestionListModel::MarkColumn, Qt::ToolTipRole),
              QStringLiteral("пустой вопрос\nкод 2"));

    // After a move the marks follow the ids, which the check named.
    document.moveQuestion(1, +1);
    EXPECT_EQ(cell(model, 1, QuestionListModel::MarkColumn), QStringLiteral("✖"));
    EXPECT_EQ(cell(model, 1, QuestionListModel::TextColumn), QStringLiteral("вопрос 3"));
}

TEST(QuestionListModelTest, TellsViewsOnlyTheRowsThatChanged)
{
    BankDocument document;
    document.load(numberedBank(8));
    QuestionListModel model(document);
    ModelWarnings warnings;
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    document.setField(5, Field::Question, QStringLiteral("в"));
    document.setField(5, Field::Question, QStringLiteral("вв"));
    ASSERT_EQ(changed.count(), 2);
    for (const QList<QVariant> &signal : changed) {
        EXPECT_EQ(signal[0].toModelIndex().row(), 5);
        EXPECT_EQ(signal[1].toModelIndex().row(), 5);
    }

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    document.insertQuestion(2);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 3);
    EXPECT_EQ(inserted[0][2].toInt(), 3);
    EXPECT_EQ(cell(model, 8, QuestionListModel::NumberColumn), QStringLiteral("9"));

    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    document.removeQuestions({0, 1, 6});
    EXPECT_EQ(removed.count(), 2) << "one signal for each run of neighbouring rows";
    EXPECT_EQ(model.rowCount(), 6);

    QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
    document.moveQuestion(0, +1);
    document.moveQuestion(5, -1);
    // The destination is the row the moved one goes before, counted before the move.
    ASSERT_EQ(moved.count(), 2);
    EXPECT_EQ(moved[0][1].toInt(), 0);
    EXPECT_EQ(moved[0][4].toInt(), 2);
    EXPECT_EQ(moved[1][1].toInt(), 5);
    EXPECT_EQ(moved[1][4].toInt(), 4);
    EXPECT_EQ(cell(model, 0, QuestionListModel::TextColumn), QString());
    EXPECT_EQ(cell(model, 1, QuestionListModel::TextColumn), QStringLiteral("вопрос 3"));
    EXPECT_EQ(cell(model, 4, QuestionListModel::TextColumn), QStringLiteral("вопрос 8"));

    while (document.undoStack()->canUndo())
        document.undoStack()->undo();
    EXPECT_EQ(model.rowCount(), 8);
    EXPECT_EQ(cell(model, 5, QuestionListModel::TextColumn), QStringLiteral("вопрос 6"));
    document.load(numberedBank(3));
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(warnings.count(), 0);
}

TEST(QuestionFilterTest, FindsTextInQuestionsAndAnswersInAnyLetterCase)
{
    std::vector<QuestionRow> rows = numberedBank(4);
    rows[0].answers[2] = QStringLiteral("Лазерный ПРИНТЕР");
    rows[1].question = QStringLiteral("Где стоит принтер?");
    rows[2].question = QStringLiteral("Ёмкость кассы");
    rows[3].question = QStringLiteral("Текст заканчивается на при");
    rows[3].answers[0] = QStringLiteral("нтер в начале ответа");
    BankDocument document;
    document.load(rows);
    QuestionListModel model(document);
    QuestionFilter filter(document);
    filter.setSourceModel(&model);
    const auto shownNumbers = [&filter] {
        QStringList numbers;
        for (int row = 0; row < filter.rowCount(); ++row)
            numbers << cell(filter, row, QuestionListModel::NumberColumn);
        return numbers.join(QLatin1Char(' '));
    };

    EXPECT_EQ(shownNumbers(), QStringLiteral("1 2 3 4"));
    filter.setSearchText(QStringLiteral("Принтер"));
    EXPECT_EQ(shownNumbers(), QStringLiteral("1 2")) << "no match across two fields";
    filter.setSearchText(QStringLiteral("ЁМКОСТЬ"));
    EXPECT_EQ(shownNumbers(), QStringLiteral("3"));

    filter.setSearchText(QStringLiteral("принтер"));
    document.setField(1, Field::Question, QStringLiteral("Где стоит сканер?"));
    EXPECT_EQ(shownNumbers(), QStringLiteral("1"));
    document.setField(2, Field::Answer4, QStringLiteral("у принтера"));
    EXPECT_EQ(shownNumbers(), QStringLiteral("1 3"));
    document.undoStack()->undo();
    document.undoStack()->undo();
    EXPECT_EQ(shownNumbers(), QStringLiteral("1 2"));

    document.insertQuestion(-1);
    document.setField(0, Field::Answer2, QStringLiteral("принтер"));
    EXPECT_EQ(shownNumbers(), QStringLiteral("1 2 3"));
    document.removeQuestions({1});
    EXPECT_EQ(shownNumbers(), QStringLiteral("1 2"));
    EXPECT_EQ(cell(filter, 1, QuestionListModel::TextColumn), QStringLiteral("Где стоит принтер?"));
    document.moveQuestion(1, +1);
    EXPECT_EQ(shownNumbers(), QStringLiteral("1 3"));
    EXPECT_EQ(cell(filter, 1, QuestionListModel::TextColumn), QStringLiteral("Где стоит принтер?"));

    filter.setSearchText(QString());
    EXPECT_EQ(filter.rowCount(), document.rowCount());
}

} // namespace
