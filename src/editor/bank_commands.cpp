#include "bank_commands.h"

#include <utility>

namespace {

// The id of typing commands: only they merge.
constexpr int TypingCommandId = 1;

} // namespace

SetFieldCommand::SetFieldCommand(BankDocument &document, int row, QuestionField field,
                                 QVariant value, QUndoCommand *parent)
    : QUndoCommand(parent), m_document(document), m_row(row), m_field(field),
      m_before(fieldOf(document.questions().at(std::size_t(row)), field)), m_after(std::move(value))
{
    setText(QStringLiteral("Правка %1 вопроса %2").arg(fieldName(field)).arg(row + 1));
}

void SetFieldCommand::redo()
{
    m_document.applyField(m_row, m_field, m_after);
}

void SetFieldCommand::undo()
{
    m_document.applyField(m_row, m_field, m_before);
}

int SetFieldCommand::id() const
{
    return isTypedField(m_field) ? TypingCommandId : -1;
}

bool SetFieldCommand::mergeWith(const QUndoCommand *other)
{
    const auto *next = static_cast<const SetFieldCommand *>(other);
    if (next->m_row != m_row || next->m_field != m_field)
        return false;
    m_after = next->m_after;
    return true;
}

void RenumberingCommand::redo()
{
    change();
    m_ids = m_document.renumber();
}

void RenumberingCommand::undo()
{
    m_document.restoreIds(m_ids);
    revert();
}

InsertRowsCommand::InsertRowsCommand(BankDocument &document, int at, std::vector<QuestionRow> rows)
    : RenumberingCommand(document), m_at(at), m_rows(std::move(rows))
{}

void InsertRowsCommand::change()
{
    m_document.putRows(m_at, m_rows);
}

void InsertRowsCommand::revert()
{
    m_document.takeRows(m_at, int(m_rows.size()));
}

RemoveRowsCommand::RemoveRowsCommand(BankDocument &document, std::vector<int> ascendingRows)
    : RenumberingCommand(document)
{
    for (std::size_t k = 0; k < ascendingRows.size();) {
        std::size_t end = k + 1;
        while (end < ascendingRows.size() && ascendingRows[end] == ascendingRows[end - 1] + 1)
            ++end;
        m_runs.push_back(Run{ascendingRows[k], int(end - k), {}});
        k = end;
    }
}

void RemoveRowsCommand::change()
{
    // From the last run back, so the earlier runs keep their places.
    for (auto run = m_runs.rbegin(); run != m_runs.rend(); ++run)
        run->rows = m_document.takeRows(run->first, run->count);
}

void RemoveRowsCommand::revert()
{
    for (Run &run : m_runs)
        m_document.putRows(run.first, std::exchange(run.rows, {}));
}

MoveRowCommand::MoveRowCommand(BankDocument &document, int from, int to)
    : RenumberingCommand(document), m_from(from), m_to(to)
{}

void MoveRowCommand::change()
{
    m_document.shiftRow(m_from, m_to);
}

void MoveRowCommand::revert()
{
    m_document.shiftRow(m_to, m_from);
}
