// The entries the last test run to its score was answered wrongly on, for a test of those alone.
// They follow the list as it changes: entries added or removed elsewhere move them along, while
// removing or editing one of them, or replacing the whole list (a load, an import, a clear), ends
// the set for good; an undo that brings an entry back does not bring the set back.
#pragma once

#include <QObject>
#include <QString>

#include <vector>

class TermListModel;

class MistakeEntries : public QObject
{
public:
    explicit MistakeEntries(const TermListModel &list);

    // The entries of a test's mistakes, by their positions in the list as it is now.
    void set(std::vector<int> entries);

    // In list order, each once; empty when there is nothing to practise.
    const std::vector<int> &entries() const { return m_entries; }

    int count() const { return int(m_entries.size()); }

private:
    void inserted(int first, int last);
    void removed(int first, int last);
    void changed(int first, int last);

    std::vector<int> m_entries;
};

// The name of the command that tests the mistakes again, with their count when there are some.
QString practiseMistakesText(int count);
