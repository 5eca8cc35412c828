#include "termlist/mistakeentries.h"

#include "deffiles/termlistmodel.h"

#include <algorithm>

MistakeEntries::MistakeEntries(const TermListModel &list)
{
    connect(&list, &TermListModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
        inserted(first, last);
    });
    connect(&list, &TermListModel::rowsRemoved, this, [this](const QModelIndex &, int first, int last) {
        removed(first, last);
    });
    connect(&list,
            &TermListModel::dataChanged,
            this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                changed(topLeft.row(), bottomRight.row());
            });
    connect(&list, &TermListModel::modelReset, this, [this] { m_entries.clear(); });
}

void MistakeEntries::set(std::vector<int> entries)
{
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    m_entries = std::move(entries);
}

void MistakeEntries::inserted(int first, int last)
{
    for (auto it = std::lower_bound(m_entries.begin(), m_entries.end(), first); it != m_entries.end(); ++it)
        *it += last - first + 1;
}

void MistakeEntries::removed(int first, int last)
{
    const auto from = std::lower_bound(m_entries.begin(), m_entries.end(), first);
    if (from != m_entries.end() && *from <= last) {
        m_entries.clear();
        return;
    }
    for (auto it = from; it != m_entries.end(); ++it)
        *it -= last - first + 1;
}

void MistakeEntries::changed(int first, int last)
{
    const auto from = std::lower_bound(m_entries.begin(), m_entries.end(), first);
    if (from != m_entries.end() && *from <= last)
        m_entries.clear();
}

QString practiseMistakesText(int count)
{
    if (count <= 0)
        return QStringLiteral("Practise the Last Test's Mistakes");
    if (count == 1)
        return QStringLiteral("Practise the Mistake of the Last Test");
    return QStringLiteral("Practise the %1 Mistakes of the Last Test").arg(count);
}
