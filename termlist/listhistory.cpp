#include "termlist/listhistory.h"

#include "deffiles/defmanager.h"

#include <memory>

ListHistory::ListHistory(DefManager &defs)
    : m_defs(defs)
{ }

void ListHistory::add(const TermEntry &entry)
{
    TermListModel &list = m_defs.list();
    list.pushStep(
        QStringLiteral("Add"),
        [&list, entry] { list.append(entry); },
        [&list] { list.removeAt(list.count() - 1); });
}

void ListHistory::remove(int position)
{
    TermListModel &list = m_defs.list();
    const TermEntry entry{list.termAt(position), list.definitionAt(position)};
    list.pushStep(
        QStringLiteral("Remove"),
        [&list, position] { list.removeAt(position); },
        [&list, position, entry] { list.insertAt(position, entry); });
}

void ListHistory::swapWith(TermStore &entries, QString &fileName)
{
    entries = m_defs.list().exchange(std::move(entries));
    const QString current = m_defs.GetFileName();
    m_defs.setFileName(fileName);
    fileName = current;
}

void ListHistory::replaceWith(TermStore entries, const QString &fileName, const QString &text)
{
    // The step keeps the other list: undo and redo trade whole stores, never entry by entry.
    auto other = std::make_shared<std::pair<TermStore, QString>>(std::move(entries), fileName);
    const auto swap = [this, other] {
        swapWith(other->first, other->second);
    };
    m_defs.list().pushStep(text, swap, swap);
}

void ListHistory::clear()
{
    replaceWith(TermStore(), m_defs.GetFileName(), QStringLiteral("Clear"));
}

void ListHistory::replace(TermStore entries, const QString &path, bool fromSeveralFiles)
{
    replaceWith(std::move(entries), fileNameFromPath(path, m_defs.GetFileName()), QStringLiteral("Load"));
    if (!fromSeveralFiles)
        m_defs.list().history().setClean();
}

void ListHistory::restore(TermStore entries, const QString &fileName)
{
    replaceWith(std::move(entries), fileName, QStringLiteral("Restore"));
}
