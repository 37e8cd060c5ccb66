#include "question_list_model.h"

#include "answer_ticks.h"
#include "bank_document.h"
#include "store/question_digest.h"

namespace {

// The kind as a mark the list has room for: the answers' own boxes, a dash for none.
QString kindText(QuestionKind kind)
{
    switch (kind) {
    case QuestionKind::OptionButtons:
        return QStringLiteral("○");
    case QuestionKind::CheckBoxes:
        return QStringLiteral("☐");
    case QuestionKind::NoAnswers:
        break;
    }
    return QStringLiteral("—");
}

// The kind as the form names it, for the mark's tooltip.
QString kindDescription(QuestionKind kind)
{
    switch (kind) {
    case QuestionKind::OptionButtons:
        return QStringLiteral("Один ответ (переключатели)");
    case QuestionKind::CheckBoxes:
        return QStringLiteral("Несколько ответов (флажки)");
    case QuestionKind::NoAnswers:
        break;
    }
    return QStringLiteral("Без ответов");
}

QString idText(const QVariant &id)
{
    if (id.isNull())
        return {};
    if (id.typeId() == QMetaType::Bool)
        return id.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return id.toString();
}

} // namespace

QString firstWords(const QString &text, int length)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    if (line.size() <= length)
        return line;
    int cut = line.lastIndexOf(QLatin1Char(' '), length);
    // A word longer than the whole line is cut where the line ends.
    if (cut <= 0)
        cut = length;
    return line.left(cut) + QStringLiteral("…");
}

QuestionListModel::QuestionListModel(const BankDocument &document, QObject *parent)
    : QAbstractTableModel(parent), m_document(document)
{
    // Rows that come, go or move take their digests along only by being worked out again.
    connect(&document, &BankDocument::resetting, this, [this] {
        m_digests.clear();
        beginResetModel();
    });
    connect(&document, &BankDocument::reset, this, &QuestionListModel::endResetModel);
    connect(&document, &BankDocument::questionChanged, this, [this](int row) {
        if (std::size_t(row) < m_digests.size())
            m_digests[std::size_t(row)].clear();
        emitRowChanged(row, row, 0, ColumnCount - 1);
    });
    connect(&document, &BankDocument::rowsInserting, this, [this](int first, int last) {
        m_digests.clear();
        beginInsertRows({}, first, last);
    });
    connect(&document, &BankDocument::rowsInserted, this, &QuestionListModel::endInsertRows);
    connect(&document, &BankDocument::rowsRemoving, this, [this](int first, int last) {
        m_digests.clear();
        beginRemoveRows({}, first, last);
    });
    connect(&document, &BankDocument::rowsRemoved, this, &QuestionListModel::endRemoveRows);
    // The model names the row before which the moved one lands, counted before the move.
    connect(&document, &BankDocument::rowMoving, this, [this](int from, int to) {
        m_digests.clear();
        beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    });
    connect(&document, &BankDocument::rowMoved, this, &QuestionListModel::endMoveRows);
    // Marks are keyed by id, so a renumbered row may get another one.
    connect(&document, &BankDocument::idsChanged, this, [this](int first, int last) {
        emitRowChanged(first, last, NumberColumn, NumberColumn);
        emitRowChanged(first, last, MarkColumn, MarkColumn);
    });
}

int QuestionListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_document.rowCount();
}

int QuestionListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant QuestionListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const QuestionRow &question = m_document.questions()[std::size_t(index.row())];
    const int column = index.column();
    if (role == Qt::TextAlignmentRole && column == NumberColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::TextAlignmentRole && column == KindColumn)
        return QVariant::fromValue(Qt::AlignCenter);
    if (column == FacilityColumn || column == DiscriminationColumn)
        return figureData(figuresOf(index.row()), column, role);
    if (role == SortRole && column == NumberColumn && question.id.typeId() == QMetaType::LongLong)
        return question.id;
    if (role == SortRole)
        return data(index, Qt::DisplayRole);
    if (column == MarkColumn) {
        const QuestionFindings *findings = findingsOf(index.row());
        if (!findings)
            return {};
        if (role == Qt::DisplayRole)
            return findings->severity == QuestionFindings::Severity::Problem ? QStringLiteral("✖")
                                                                             : QStringLiteral("⚠");
        if (role == Qt::ToolTipRole)
            return findings->texts.join(QLatin1Char('\n'));
        return {};
    }
    // The list shows the first words; the whole text is a pointer's rest away.
    if (role == Qt::ToolTipRole && column == TextColumn)
        return question.question.toString();
    if (role == Qt::ToolTipRole && column == KindColumn)
        return kindDescription(kindOf(question.type));
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case NumberColumn:
        return idText(question.id);
    case KindColumn:
        return kindText(kindOf(question.type));
    case TextColumn:
        return firstWords(question.question.toString());
    }
    return {};
}

QVariant QuestionListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case NumberColumn:
        return QStringLiteral("№");
    case KindColumn:
        return QStringLiteral("Вид");
    case TextColumn:
        return QStringLiteral("Вопрос");
    case FacilityColumn:
        return QStringLiteral("Лёгк.");
    case DiscriminationColumn:
        return QStringLiteral("Дискр.");
    }
    return {};
}

void QuestionListModel::setFindings(QHash<int, QuestionFindings> findings)
{
    m_findings = std::move(findings);
    if (m_document.rowCount() > 0)
        emitRowChanged(0, m_document.rowCount() - 1, MarkColumn, MarkColumn);
}

void QuestionListModel::setFigures(QHash<QByteArray, QuestionStats::Figures> figures)
{
    m_figures = std::move(figures);
    if (m_document.rowCount() > 0)
        emitRowChanged(0, m_document.rowCount() - 1, FacilityColumn, DiscriminationColumn);
}

const QuestionStats::Figures *QuestionListModel::figuresOf(int row) const
{
    if (m_figures.isEmpty())
        return nullptr;
    const auto found = m_figures.constFind(digestOf(row));
    return found == m_figures.cend() || found->answered == 0 ? nullptr : &*found;
}

const QByteArray &QuestionListModel::digestOf(int row) const
{
    m_digests.resize(std::size_t(m_document.rowCount()));
    QByteArray &digest = m_digests[std::size_t(row)];
    if (digest.isEmpty()) {
        const QuestionRow &q = m_document.questions()[std::size_t(row)];
        // The values in QuestionDigest::Columns' order.
        digest = QuestionDigest::of({q.question, q.type, q.answers[0], q.answers[1], q.answers[2],
                                     q.answers[3], q.ball, q.picture});
    }
    return digest;
}

QVariant QuestionListModel::figureData(const QuestionStats::Figures *figures, int column,
                                       int role) const
{
    const bool facility = column == FacilityColumn;
    switch (role) {
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    case SortRole:
        // Below any figure: never asked, then asked without a discrimination.
        if (!figures)
            return -3.0;
        if (facility)
            return *figures->facility();
        return figures->discrimination ? *figures->discrimination : -2.0;
    case Qt::DisplayRole:
        if (!figures)
            return {};
        // Whole percents: the list's room belongs to the text; the tooltip has the tenths.
        if (facility)
            return QStringLiteral("%1 %").arg(qRound(*figures->facility() * 100));
        return figures->discrimination ? QuestionStats::decimalText(*figures->discrimination, 2)
                                       : QStringLiteral("—");
    case Qt::ToolTipRole:
        if (!figures)
            return QStringLiteral("На этот текст вопроса в банке ответов нет");
        return (facility ? QStringLiteral("Лёгкость (доля правильных ответов): %1")
                               .arg(QuestionStats::percentText(*figures->facility()))
                         : QStringLiteral("Дискриминация (корреляция ответа с остальными "
                                          "правильными ответами попытки)")) +
               QStringLiteral("; ответов на этот текст: %1").arg(figures->answered);
    }
    return {};
}

void QuestionListModel::emitRowChanged(int first, int last, int firstColumn, int lastColumn)
{
    emit dataChanged(index(first, firstColumn), index(last, lastColumn));
}

const QuestionFindings *QuestionListModel::findingsOf(int row) const
{
    const QVariant &id = m_document.questions()[std::size_t(row)].id;
    if (id.isNull() || id.typeId() != QMetaType::LongLong)
        return nullptr;
    const auto found = m_findings.constFind(int(id.toLongLong()));
    return found == m_findings.cend() ? nullptr : &*found;
}
