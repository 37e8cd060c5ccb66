#pragma once

#include "question_field.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <vector>

// The questions of a bank being edited. Every change goes through the undo stack; after a row is
// added, removed or moved, the ids are numbered 1..N in list order again, and undoing it gives
// every id back exactly as it was. Opening a bank numbers nothing.
class BankDocument final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BankDocument)

public:
    using Field = QuestionField;

    explicit BankDocument(QObject *parent = nullptr);
    ~BankDocument() override;

    // Replaces the questions, forgets the undo history and counts as saved.
    void load(std::vector<QuestionRow> questions);
    const std::vector<QuestionRow> &questions() const { return m_questions; }
    int rowCount() const { return int(m_questions.size()); }

    // Consecutive changes of the same typed field of the same row are one undo step. Setting the
    // value a field already has changes nothing.
    void setField(int row, Field field, const QVariant &value);
    // Several fields of one row as one undo step (a tick that changes the code, a change of kind).
    void setFields(int row, const std::vector<std::pair<Field, QVariant>> &values);

    // Each returns the row the new question has. `row` -1 inserts before the first question.
    int insertQuestion(int row);
    int duplicateQuestion(int row);
    // Removes the rows given, in any order, as one undo step.
    void removeQuestions(std::vector<int> rows);
    // Moves a row one place up (-1) or down (+1); returns false at either end.
    bool moveQuestion(int row, int step);

    QUndoStack *undoStack() { return &m_undoStack; }
    bool isModified() const { return !m_undoStack.isClean(); }
    void markSaved() { m_undoStack.setClean(); }

    // The question and its answers, case-folded in one text, kept up to date for the search.
    const QString &searchText(int row) const { return m_searchTexts[std::size_t(row)]; }

    // The ids a renumbering replaced: those of rows first.. in list order.
    struct IdChange
    {
        int first = 0;
        std::vector<QVariant> ids;
    };

signals:
    void resetting();
    void reset();
    void questionChanged(int row);
    void rowsInserting(int first, int last);
    void rowsInserted(int first, int last);
    void rowsRemoving(int first, int last);
    void rowsRemoved(int first, int last);
    void rowMoving(int from, int to);
    void rowMoved(int from, int to);
    void idsChanged(int first, int last);

private:
    // What the undo commands do and undo; each emits the signals the views follow.
    friend class SetFieldCommand;
    friend class RenumberingCommand;
    friend class InsertRowsCommand;
    friend class RemoveRowsCommand;
    friend class MoveRowCommand;

    bool holds(int row, Field field, const QVariant &value) const;
    void applyField(int row, Field field, const QVariant &value);
    void putRows(int at, std::vector<QuestionRow> rows);
    std::vector<QuestionRow> takeRows(int first, int count);
    void shiftRow(int from, int to);
    IdChange renumber();
    void restoreIds(const IdChange &change);

    void emitIdsChanged(int first, int last);
    static QString searchTextOf(const QuestionRow &row);

    std::vector<QuestionRow> m_questions;
    std::vector<QString> m_searchTexts;
    QUndoStack m_undoStack;
};
