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
    const bool wide = m_foldedSearch.isEmpty() || folded.isEmpty();
    m_foldedSearch = folded;
    // From every row to a few, or back: the list is laid out anew at once, which is far quicker
    // than telling the view of each run of rows that goes or comes.
    if (wide)
        invalidate();
    else
        invalidateRowsFilter();
}

bool QuestionFilter::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    return m_foldedSearch.isEmpty() ||
           m_document.searchText(sourceRow).contains(m_foldedSearch, Qt::CaseSensitive);
}
