#pragma once

#include "bank_document.h"

#include <QUndoCommand>

#include <vector>

// One field of one row. Keystrokes into the same typed field of the same row merge.
class SetFieldCommand final : public QUndoCommand
{
public:
    SetFieldCommand(BankDocument &document, int row, QuestionField field, QVariant value,
                    QUndoCommand *parent = nullptr);

    void redo() override;
    void undo() override;
    int id() const override;
    bool mergeWith(const QUndoCommand *other) override;

private:
    BankDocument &m_document;
    int m_row;
    QuestionField m_field;
    QVariant m_before;
    QVariant m_after;
};

// A change of the list's rows that numbers the ids anew; undo restores the ids it replaced before
// it undoes the change, so every row gets its own id back.
class RenumberingCommand : public QUndoCommand
{
public:
    void redo() final;
    void undo() final;

protected:
    explicit RenumberingCommand(BankDocument &document) : m_document(document) {}
    virtual void change() = 0;
    virtual void revert() = 0;

    BankDocument &m_document;

private:
    BankDocument::IdChange m_ids;
};

class InsertRowsCommand final : public RenumberingCommand
{
public:
    InsertRowsCommand(BankDocument &document, int at, std::vector<QuestionRow> rows);

private:
    void change() override;
    void revert() override;

    int m_at;
    std::vector<QuestionRow> m_rows;
};

// Removes rows given in ascending order, a run of neighbouring rows at a time.
class RemoveRowsCommand final : public RenumberingCommand
{
public:
    RemoveRowsCommand(BankDocument &document, std::vector<int> ascendingRows);

private:
    struct Run
    {
        int first;
        int count;
        std::vector<QuestionRow> rows; // while removed
    };

    void change() override;
    void revert() override;

    std::vector<Run> m_runs;
};

class MoveRowCommand final : public RenumberingCommand
{
public:
    MoveRowCommand(BankDocument &document, int from, int to);

private:
    void change() override;
    void revert() override;

    int m_from;
    int m_to;
};
