// Every change of the term list as a step that can be undone and redone. The history's saved
// point is the list's up-to-date state: undoing back to the last load or save leaves nothing unsaved.
#pragma once

#include "deffiles/termstore.h"

#include <QUndoStack>

#include <functional>

class DefManager;

class ListHistory
{
public:
    // Enough to undo a whole session's slips; each step of a big load or clear holds a whole list.
    static constexpr int stepsKept = 100;

    // `tell` hears, after every step done, undone or redone, what a screen reader should say of it.
    explicit ListHistory(DefManager &defs, std::function<void(const QString &)> tell = {});

    QUndoStack &stack() { return m_stack; }

    void add(const TermEntry &entry);
    void remove(int position);
    void clear();
    // One cell of an entry: column 0 the term, 1 the definition.
    void edit(int position, int column, const QString &text);
    // A load or import: the list becomes `entries`, read from `path`. A list read from one file is
    // up to date; one gathered from several files matches none of them.
    void replace(TermStore entries, const QString &path, bool fromSeveralFiles);
    // A list brought back from a safety copy: it stands for `fileName` but was never saved.
    void restore(TermStore entries, const QString &fileName);
    // The list as it stands is what the last save wrote.
    void markSaved();

private:
    // `done` words a step just done; `subject` names it when it is undone or redone.
    void push(const QString &text,
              const QString &subject,
              std::function<void()> redo,
              std::function<void()> undo,
              std::function<QString()> done);
    void swapWith(TermStore &entries, QString &fileName);
    void replaceWith(TermStore entries,
                     const QString &fileName,
                     const QString &text,
                     const QString &subject,
                     std::function<QString()> done);
    QString entryCount() const;

    DefManager &m_defs;
    std::function<void(const QString &)> m_tell;
    QUndoStack m_stack;
};

// "1 entry", "2 entries".
QString entryCountText(int count);
