#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>

class BankDocument;

// What a check found in one question, for the mark in the list.
struct QuestionFindings
{
    enum class Severity { Warning, Problem }; // a Problem: the program would refuse the bank
    Severity severity = Severity::Warning;
    QStringList texts;
};

// The document's questions as a list: number, kind, the first words of the text and a mark for
// what a check found. Follows the document row by row, so a keystroke redraws one row.
class QuestionListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuestionListModel)

public:
    enum Column { NumberColumn, KindColumn, TextColumn, MarkColumn, ColumnCount };

    explicit QuestionListModel(const BankDocument &document, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Keyed by question id, as the check names the questions.
    void setFindings(QHash<int, QuestionFindings> findings);

private:
    void emitRowChanged(int first, int last, int firstColumn, int lastColumn);
    const QuestionFindings *findingsOf(int row) const;

    const BankDocument &m_document;
    QHash<int, QuestionFindings> m_findings;
};

// The question's text on one line: line breaks as spaces, cut after about `length` characters at
// a word's end.
QString firstWords(const QString &text, int length = 80);
