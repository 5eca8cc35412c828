// Every change of the term list as a step that can be undone and redone. The history's saved
// point is the list's up-to-date state: undoing back to the last load or save leaves nothing unsaved.
#pragma once

#include "deffiles/termstore.h"

#include <QUndoStack>

class DefManager;

class ListHistory
{
public:
    // Enough to undo a whole session's slips; each step of a big load or clear holds a whole list.
    static constexpr int stepsKept = 100;

    explicit ListHistory(DefManager &defs);

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
    void push(const QString &text, std::function<void()> redo, std::function<void()> undo);
    void swapWith(TermStore &entries, QString &fileName);
    void replaceWith(TermStore entries, const QString &fileName, const QString &text);

    DefManager &m_defs;
    QUndoStack m_stack;
};
