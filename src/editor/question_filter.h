#pragma once

#include <QSortFilterProxyModel>

class BankDocument;

// Keeps the questions whose text or answers hold the search text, whatever its letter case.
// Looks in the document's case-folded texts, so a keystroke costs one search per question.
class QuestionFilter final : public QSortFilterProxyModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuestionFilter)

public:
    // The source model must show the document's rows in its own order.
    explicit QuestionFilter(const BankDocument &document, QObject *parent = nullptr);

    void setSearchText(const QString &text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    const BankDocument &m_document;
    QString m_foldedSearch;
};
