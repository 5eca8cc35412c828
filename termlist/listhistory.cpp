#include "termlist/listhistory.h"

#include "common/helpers.h"
#include "deffiles/defmanager.h"

#include <memory>

namespace {
// A typed entry as a screen reader hears it.
QString entryText(const TermEntry &entry)
{
    return entry.term + QStringLiteral(" — ") + entry.definition;
}
} // namespace

ListHistory::ListHistory(DefManager &defs, std::function<void(const QString &)> tell)
    : m_defs(defs)
    , m_tell(std::move(tell))
{
    if (!m_tell)
        return;
    m_defs.list().setEditTold([this](int column, const QString &text) {
        // The new text read back under the label of its box.
        const QString said =
            (column == TermListModel::TermColumn ? QStringLiteral("Term: ") : QStringLiteral("Definition: "))
            + text;
        return told(QStringLiteral("Edit ") + said, [said] { return said; });
    });
}

ListHistory::~ListHistory()
{
    // An editor still open commits as the window goes, after this history.
    m_defs.list().setEditTold({});
}

TermListModel::StepTold
ListHistory::told(const QString &subject, std::function<QString()> done, bool namesList) const
{
    if (!m_tell)
        return {};
    return [this, subject, done = std::move(done), namesList](TermListModel::StepEvent event) {
        if (event == TermListModel::StepEvent::Done) {
            m_tell(done());
            return;
        }
        QString list;
        if (namesList) {
            const QString name = m_defs.GetFileName();
            list = (name.isEmpty() ? QStringLiteral("the list without a file name") : name)
                + QStringLiteral(", ");
        }
        m_tell((event == TermListModel::StepEvent::Undone ? QStringLiteral("Undone: ")
                                                          : QStringLiteral("Redone: "))
               + subject + QStringLiteral("; ") + list + entryCount());
    };
}

QString ListHistory::entryCount() const
{
    return entryCountText(m_defs.list().count());
}

void ListHistory::add(const TermEntry &entry)
{
    TermListModel &list = m_defs.list();
    list.pushStep(
        QStringLiteral("Add"),
        [&list, entry] { list.append(entry); },
        [&list] { list.removeAt(list.count() - 1); },
        told(QStringLiteral("Add ") + entryText(entry), [this, entry] {
            return QStringLiteral("Added ") + entryText(entry) + QStringLiteral("; ") + entryCount();
        }));
}

void ListHistory::remove(int position)
{
    TermListModel &list = m_defs.list();
    const TermEntry entry{list.termAt(position), list.definitionAt(position)};
    list.pushStep(
        QStringLiteral("Remove"),
        [&list, position] { list.removeAt(position); },
        [&list, position, entry] { list.insertAt(position, entry); },
        told(QStringLiteral("Remove ") + entryText(entry), [this, entry] {
            return QStringLiteral("Removed ") + entryText(entry) + QStringLiteral("; ") + entryCount();
        }));
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
                              std::function<QString()> done,
                              bool namesList)
{
    // The step keeps the other list: undo and redo trade whole stores, never entry by entry.
    auto other = std::make_shared<std::pair<TermStore, QString>>(std::move(entries), fileName);
    const auto swap = [this, other] {
        swapWith(other->first, other->second);
    };
    m_defs.list().pushStep(text, swap, swap, told(subject, std::move(done), namesList));
}

void ListHistory::clear()
{
    // The list a clear takes away keeps its file name: undoing it brings back no other list.
    replaceWith(
        TermStore(),
        m_defs.GetFileName(),
        QStringLiteral("Clear"),
        QStringLiteral("Clear List"),
        [] { return QStringLiteral("List cleared"); },
        false);
}

void ListHistory::replace(TermStore entries, const QString &path, bool fromSeveralFiles)
{
    replaceWith(
        std::move(entries),
        fileNameFromPath(path, m_defs.GetFileName()),
        QStringLiteral("Load"),
        QStringLiteral("Load"),
        [this] { return entryCount() + QStringLiteral(" loaded"); },
        true);
    if (!fromSeveralFiles)
        m_defs.list().history().setClean();
}

void ListHistory::restore(TermStore entries, const QString &fileName)
{
    replaceWith(
        std::move(entries),
        fileName,
        QStringLiteral("Restore"),
        QStringLiteral("Restore"),
        [this] { return entryCount() + QStringLiteral(" restored"); },
        true);
}
