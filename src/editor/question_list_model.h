#pragma once

#include "store/question_stats.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <vector>

class BankDocument;

// What a check found in one question, for the mark in the list.
struct QuestionFindings
{
    enum class Severity { Warning, Problem }; // a Problem: the program would refuse the bank
    Severity severity = Severity::Warning;
    QStringList texts;
};

// The document's questions as a list: number, kind, the first words of the text, a mark for
// what a check found, and the facility and discrimination the exams' answers give the question's
// text. Follows the document row by row, so a keystroke redraws one row.
class QuestionListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuestionListModel)

public:
    enum Column {
        NumberColumn,
        KindColumn,
        TextColumn,
        MarkColumn,
        FacilityColumn,
        DiscriminationColumn,
        ColumnCount
    };
    // A value each column sorts by: numbers as numbers, a question never asked first.
    static constexpr int SortRole = Qt::UserRole + 1;

    explicit QuestionListModel(const BankDocument &document, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Keyed by question id, as the check names the questions.
    void setFindings(QHash<int, QuestionFindings> findings);
    // Keyed by the digest of the text they were counted for (QuestionDigest), so that a question
    // changed since shows none, and one renumbered keeps its own.
    void setFigures(QHash<QByteArray, QuestionStats::Figures> figures);
    // The figures of the row's text as it is now; none when it was never asked.
    const QuestionStats::Figures *figuresOf(int row) const;

private:
    void emitRowChanged(int first, int last, int firstColumn, int lastColumn);
    const QuestionFindings *findingsOf(int row) const;

    const QByteArray &digestOf(int row) const;
    QVariant figureData(const QuestionStats::Figures *figures, int column, int role) const;

    const BankDocument &m_document;
    QHash<int, QuestionFindings> m_findings;
    QHash<QByteArray, QuestionStats::Figures> m_figures;
    // The rows' digests, worked out when first asked for: empty where not yet or changed since.
    mutable std::vector<QByteArray> m_digests;
};

// The question's text on one line: line breaks as spaces, cut after about `length` characters at
// a word's end.
QString firstWords(const QString &text, int length = 80);
