#include "bank_document.h"

#include "bank_commands.h"

#include <algorithm>

namespace {

// Between the fields of a search text, so that a search never matches across two of them.
constexpr QChar FieldSeparator = QChar(0x1F);

QuestionRow newQuestion()
{
    QuestionRow row;
    row.question = QStringLiteral("");
    for (QVariant &answer : row.answers)
        answer = QStringLiteral("");
    row.ball = qlonglong(1);
    row.type = qlonglong(0);
    return row;
}

bool isNumbered(const QVariant &id, int row)
{
    return !id.isNull() && id.typeId() == QMetaType::LongLong && id.toLongLong() == row + 1;
}

} // namespace

BankDocument::BankDocument(QObject *parent) : QObject(parent)
{}

BankDocument::~BankDocument()
{
    // The commands refer to this document: they go before the rows they change.
    m_undoStack.clear();
}

void BankDocument::load(std::vector<QuestionRow> questions)
{
    emit resetting();
    m_undoStack.clear();
    m_questions = std::move(questions);
    m_searchTexts.clear();
    m_searchTexts.reserve(m_questions.size());
    for (const QuestionRow &row : m_questions)
        m_searchTexts.push_back(searchTextOf(row));
    emit reset();
}

bool BankDocument::holds(int row, Field field, const QVariant &value) const
{
    const QVariant &current = fieldOf(m_questions.at(std::size_t(row)), field);
    return current.typeId() == value.typeId() && current.isNull() == value.isNull() &&
           current == value;
}

void BankDocument::setField(int row, Field field, const QVariant &value)
{
    if (!holds(row, field, value))
        m_undoStack.push(new SetFieldCommand(*this, row, field, value));
}

void BankDocument::setFields(int row, const std::vector<std::pair<Field, QVariant>> &values)
{
    // An unchanged question leaves no empty step to undo.
    if (std::all_of(values.begin(), values.end(),
                    [&](const auto &change) { return holds(row, change.first, change.second); }))
        return;
    m_undoStack.beginMacro(QStringLiteral("Правка вопроса %1").arg(row + 1));
    for (const auto &[field, value] : values)
        setField(row, field, value);
    m_undoStack.endMacro();
}

int BankDocument::insertQuestion(int row)
{
    const int at = row + 1;
    std::vector<QuestionRow> rows{newQuestion()};
    auto *command = new InsertRowsCommand(*this, at, std::move(rows));
    command->setText(QStringLiteral("Новый вопрос"));
    m_undoStack.push(command);
    return at;
}

int BankDocument::duplicateQuestion(int row)
{
    const int at = row + 1;
    std::vector<QuestionRow> rows{m_questions.at(std::size_t(row))};
    auto *command = new InsertRowsCommand(*this, at, std::move(rows));
    command->setText(QStringLiteral("Копия вопроса %1").arg(at));
    m_undoStack.push(command);
    return at;
}

void BankDocument::removeQuestions(std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty())
        return;
    auto *command = new RemoveRowsCommand(*this, rows);
    command->setText(rows.size() == 1 ? QStringLiteral("Удаление вопроса %1").arg(rows[0] + 1)
                                      : QStringLiteral("Удаление вопросов (%1)").arg(rows.size()));
    m_undoStack.push(command);
}

bool BankDocument::moveQuestion(int row, int step)
{
    const int to = row + step;
    if (row < 0 || row >= rowCount() || to < 0 || to >= rowCount() || step == 0)
        return false;
    auto *command = new MoveRowCommand(*this, row, to);
    command->setText(QStringLiteral("Перемещение вопроса %1").arg(row + 1));
    m_undoStack.push(command);
    return true;
}

void BankDocument::applyField(int row, Field field, const QVariant &value)
{
    QuestionRow &question = m_questions.at(std::size_t(row));
    fieldOf(question, field) = value;
    if (isSearchedField(field))
        m_searchTexts[std::size_t(row)] = searchTextOf(question);
    emit questionChanged(row);
}

void BankDocument::putRows(int at, std::vector<QuestionRow> rows)
{
    const int count = int(rows.size());
    emit rowsInserting(at, at + count - 1);
    std::vector<QString> texts;
    texts.reserve(rows.size());
    for (const QuestionRow &row : rows)
        texts.push_back(searchTextOf(row));
    m_questions.insert(m_questions.begin() + at, std::make_move_iterator(rows.begin()),
                       std::make_move_iterator(rows.end()));
    m_searchTexts.insert(m_searchTexts.begin() + at, std::make_move_iterator(texts.begin()),
                         std::make_move_iterator(texts.end()));
    emit rowsInserted(at, at + count - 1);
}

std::vector<QuestionRow> BankDocument::takeRows(int first, int count)
{
    emit rowsRemoving(first, first + count - 1);
    const auto begin = m_questions.begin() + first;
    std::vector<QuestionRow> taken(std::make_move_iterator(begin),
                                   std::make_move_iterator(begin + count));
    m_questions.erase(begin, begin + count);
    m_searchTexts.erase(m_searchTexts.begin() + first, m_searchTexts.begin() + first + count);
    emit rowsRemoved(first, first + count - 1);
    return taken;
}

void BankDocument::shiftRow(int from, int to)
{
    emit rowMoving(from, to);
    const auto rotate = [from, to](auto &items) {
        const auto source = items.begin() + from;
        const auto target = items.begin() + to;
        if (from < to)
            std::rotate(source, source + 1, target + 1);
        else
            std::rotate(target, source, source + 1);
    };
    rotate(m_questions);
    rotate(m_searchTexts);
    emit rowMoved(from, to);
}

BankDocument::IdChange BankDocument::renumber()
{
    IdChange change;
    int first = 0;
    while (first < rowCount() && isNumbered(m_questions[std::size_t(first)].id, first))
        ++first;
    int last = rowCount() - 1;
    while (last > first && isNumbered(m_questions[std::size_t(last)].id, last))
        --last;
    change.first = first;
    for (int row = first; row <= last; ++row) {
        QVariant &id = m_questions[std::size_t(row)].id;
        change.ids.push_back(id);
        id = qlonglong(row + 1);
    }
    emitIdsChanged(first, last);
    return change;
}

void BankDocument::restoreIds(const IdChange &change)
{
    for (std::size_t k = 0; k < change.ids.size(); ++k)
        m_questions[std::size_t(change.first) + k].id = change.ids[k];
    emitIdsChanged(change.first, change.first + int(change.ids.size()) - 1);
}

void BankDocument::emitIdsChanged(int first, int last)
{
    if (first <= last)
        emit idsChanged(first, last);
}

QString BankDocument::searchTextOf(const QuestionRow &row)
{
    QString text = row.question.toString();
    for (const QVariant &answer : row.answers)
        text += FieldSeparator + answer.toString();
    return text.toCaseFolded();
}
