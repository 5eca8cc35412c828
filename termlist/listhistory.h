// The main window's commands on the term list as steps of the list's history, which can be undone
// and redone. Its saved point is the list's up-to-date state: undoing back to the last load or save
// leaves nothing unsaved. Edits in place become steps in the list model itself.
#pragma once

#include "deffiles/termlistmodel.h"
#include "store/termstore.h"

#include <functional>

class DefManager;

class ListHistory
{
public:
    // `tell` hears, after every step done, undone or redone, what a screen reader should say of it.
    explicit ListHistory(DefManager &defs, std::function<void(const QString &)> tell = {});
    ~ListHistory();
    ListHistory(const ListHistory &) = delete;
    ListHistory &operator=(const ListHistory &) = delete;

    void add(const TermEntry &entry);
    void remove(int position);
    void clear();
    // A load or import: the list becomes `entries`, read from `path`. A list read from one file is
    // up to date; one gathered from several files matches none of them.
    void replace(TermStore entries, const QString &path, bool fromSeveralFiles);
    // A list brought back from a safety copy: it stands for `fileName` but was never saved.
    void restore(TermStore entries, const QString &fileName);

private:
    // `done` words a step just done; `subject` names it when it is undone or redone, with the name of
    // the list it brings back when `namesList` (a load brings back another file's list).
    TermListModel::StepTold
    told(const QString &subject, std::function<QString()> done, bool namesList = false) const;
    void swapWith(TermStore &entries, QString &fileName);
    void replaceWith(TermStore entries,
                     const QString &fileName,
                     const QString &text,
                     const QString &subject,
                     std::function<QString()> done,
                     bool namesList);
    QString entryCount() const;

    DefManager &m_defs;
    std::function<void(const QString &)> m_tell;
};
