#include "question_filter.h"

#include "bank_document.h"

QuestionFilter::QuestionFilter(const BankDocument &document, QObject *parent)
    : QSortFilterProxyModel(parent), m_document(document)
{
    // An edited row is looked at again, so it leaves or joins the list as it is typed.
    setDynamicSortFilter(true);
}

void QuestionFilter::setSearchText(const QString &text)
{
    const QString folded = text.toCaseFolded();
    if (folded == m_foldedSearch)
        return;
    m_foldedSearch = folded;
    invalidateRowsFilter();
}

bool QuestionFilter::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    return m_foldedSearch.isEmpty() ||
           m_document.searchText(sourceRow).contains(m_foldedSearch, Qt::CaseSensitive);
}
