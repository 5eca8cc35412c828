#include "termlist/listhistory.h"

#include "deffiles/defmanager.h"

#include <QUndoCommand>

#include <memory>

namespace {
class Step : public QUndoCommand
{
public:
    Step(const QString &text,
         std::function<void()> redo,
         std::function<void()> undo,
         std::function<void(Step &, bool undone)> told)
        : QUndoCommand(text)
        , m_redo(std::move(redo))
        , m_undo(std::move(undo))
        , m_told(std::move(told))
    { }

    void redo() override
    {
        m_redo();
        m_told(*this, false);
        done = true;
    }

    void undo() override
    {
        m_undo();
        m_told(*this, true);
    }

    // Done once already: a further redo is a redo.
    bool done = false;

private:
    std::function<void()> m_redo;
    std::function<void()> m_undo;
    std::function<void(Step &, bool undone)> m_told;
};

// A typed entry as a screen reader hears it.
QString entryText(const TermEntry &entry)
{
    return entry.term + QStringLiteral(" — ") + entry.definition;
}
} // namespace

QString entryCountText(int count)
{
    return count == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(count);
}

ListHistory::ListHistory(DefManager &defs, std::function<void(const QString &)> tell)
    : m_defs(defs)
    , m_tell(std::move(tell))
{
    m_stack.setUndoLimit(stepsKept);
    // Every step, done or undone, decides afresh: the list is up to date exactly at the saved point.
    const auto follow = [this] {
        m_defs.setModified(!m_stack.isClean());
    };
    QObject::connect(&m_stack, &QUndoStack::indexChanged, &m_stack, follow);
    QObject::connect(&m_stack, &QUndoStack::cleanChanged, &m_stack, follow);
}

void ListHistory::push(const QString &text,
                       const QString &subject,
                       std::function<void()> redo,
                       std::function<void()> undo,
                       std::function<QString()> done)
{
    const auto told = [this, subject, done = std::move(done)](Step &step, bool undone) {
        if (!m_tell)
            return;
        if (undone)
            m_tell(QStringLiteral("Undone: ") + subject + QStringLiteral("; ") + entryCount());
        else if (step.done)
            m_tell(QStringLiteral("Redone: ") + subject + QStringLiteral("; ") + entryCount());
        else
            m_tell(done());
    };
    m_stack.push(new Step(text, std::move(redo), std::move(undo), told));
}

QString ListHistory::entryCount() const
{
    return entryCountText(m_defs.list().count());
}

void ListHistory::add(const TermEntry &entry)
{
    TermListModel &list = m_defs.list();
    push(
        QStringLiteral("Add"),
        QStringLiteral("Add ") + entryText(entry),
        [&list, entry] { list.append(entry); },
        [&list] { list.removeAt(list.count() - 1); },
        [this, entry] {
            return QStringLiteral("Added ") + entryText(entry) + QStringLiteral("; ") + entryCount();
        });
}

void ListHistory::remove(int position)
{
    TermListModel &list = m_defs.list();
    const TermEntry entry{list.termAt(position), list.definitionAt(position)};
    push(
        QStringLiteral("Remove"),
        QStringLiteral("Remove ") + entryText(entry),
        [&list, position] { list.removeAt(position); },
        [&list, position, entry] { list.insertAt(position, entry); },
        [this, entry] {
            return QStringLiteral("Removed ") + entryText(entry) + QStringLiteral("; ") + entryCount();
        });
}

void ListHistory::edit(int position, int column, const QString &text)
{
    TermListModel &list = m_defs.list();
    const bool term = column == TermListModel::TermColumn;
    const QString before = term ? list.termAt(position) : list.definitionAt(position);
    // The new text read back under the label of its box.
    const QString told = (term ? QStringLiteral("Term: ") : QStringLiteral("Definition: ")) + text;
    push(
        QStringLiteral("Edit"),
        QStringLiteral("Edit ") + told,
        [&list, position, column, text] { list.setText(position, column, text); },
        [&list, position, column, before] { list.setText(position, column, before); },
        [told] { return told; });
}

void ListHistory::swapWith(TermStore &entries, QString &fileName)
{
    entries = m_defs.list().exchange(std::move(entries));
    const QString current = m_defs.GetFileName();
    m_defs.setFileName(fileName);
    fileName = current;
}

void ListHistory::replaceWith(TermStore entries,
                              const QString &fileName,
                              const QString &text,
                              const QString &subject,
                              std::function<QString()> done)
{
    // The step keeps the other list: undo and redo trade whole stores, never entry by entry.
    auto other = std::make_shared<std::pair<TermStore, QString>>(std::move(entries), fileName);
    const auto swap = [this, other] {
        swapWith(other->first, other->second);
    };
    push(text, subject, swap, swap, std::move(done));
}

void ListHistory::clear()
{
    replaceWith(TermStore(), m_defs.GetFileName(), QStringLiteral("Clear"), QStringLiteral("Clear List"), [] {
        return QStringLiteral("List cleared");
    });
}

void ListHistory::replace(TermStore entries, const QString &path, bool fromSeveralFiles)
{
    replaceWith(std::move(entries),
                fileNameFromPath(path, m_defs.GetFileName()),
                QStringLiteral("Load"),
                QStringLiteral("Load"),
                [this] { return entryCount() + QStringLiteral(" loaded"); });
    if (!fromSeveralFiles)
        m_stack.setClean();
}

void ListHistory::restore(TermStore entries, const QString &fileName)
{
    replaceWith(std::move(entries), fileName, QStringLiteral("Restore"), QStringLiteral("Restore"), [this] {
        return entryCount() + QStringLiteral(" restored");
    });
}

void ListHistory::markSaved()
{
    m_stack.setClean();
}
