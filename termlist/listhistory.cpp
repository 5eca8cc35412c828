#include "termlist/listhistory.h"

#include "deffiles/defmanager.h"

#include <QUndoCommand>

#include <memory>

namespace {
class Step : public QUndoCommand
{
public:
    Step(const QString &text, std::function<void()> redo, std::function<void()> undo)
        : QUndoCommand(text)
        , m_redo(std::move(redo))
        , m_undo(std::move(undo))
    { }

    void redo() override { m_redo(); }

    void undo() override { m_undo(); }

private:
    std::function<void()> m_redo;
    std::function<void()> m_undo;
};
} // namespace

ListHistory::ListHistory(DefManager &defs)
    : m_defs(defs)
{
    m_stack.setUndoLimit(stepsKept);
    // Every step, done or undone, decides afresh: the list is up to date exactly at the saved point.
    const auto follow = [this] {
        m_defs.setModified(!m_stack.isClean());
    };
    QObject::connect(&m_stack, &QUndoStack::indexChanged, &m_stack, follow);
    QObject::connect(&m_stack, &QUndoStack::cleanChanged, &m_stack, follow);
}

void ListHistory::push(const QString &text, std::function<void()> redo, std::function<void()> undo)
{
    m_stack.push(new Step(text, std::move(redo), std::move(undo)));
}

void ListHistory::add(const TermEntry &entry)
{
    TermListModel &list = m_defs.list();
    push(
        QStringLiteral("Add"),
        [&list, entry] { list.append(entry); },
        [&list] { list.removeAt(list.count() - 1); });
}

void ListHistory::remove(int position)
{
    TermListModel &list = m_defs.list();
    const TermEntry entry{list.termAt(position), list.definitionAt(position)};
    push(
        QStringLiteral("Remove"),
        [&list, position] { list.removeAt(position); },
        [&list, position, entry] { list.insertAt(position, entry); });
}

void ListHistory::edit(int position, int column, const QString &text)
{
    TermListModel &list = m_defs.list();
    const QString before =
        column == TermListModel::TermColumn ? list.termAt(position) : list.definitionAt(position);
    push(
        QStringLiteral("Edit"),
        [&list, position, column, text] { list.setText(position, column, text); },
        [&list, position, column, before] { list.setText(position, column, before); });
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
    push(text, swap, swap);
}

void ListHistory::clear()
{
    replaceWith(TermStore(), m_defs.GetFileName(), QStringLiteral("Clear"));
}

void ListHistory::replace(TermStore entries, const QString &path, bool fromSeveralFiles)
{
    replaceWith(std::move(entries), fileNameFromPath(path, m_defs.GetFileName()), QStringLiteral("Load"));
    if (!fromSeveralFiles)
        m_stack.setClean();
}

void ListHistory::restore(TermStore entries, const QString &fileName)
{
    replaceWith(std::move(entries), fileName, QStringLiteral("Restore"));
}

void ListHistory::markSaved()
{
    m_stack.setClean();
}
