// The term list: the one store of entries, shown by the main window's list view, and the history of
// its changes. The history's clean state is the one record of whether the list is saved.
#pragma once

#include "store/termstore.h"

#include <QAbstractTableModel>
#include <QUndoStack>

#include <functional>

class TermListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { TermColumn = 0, DefinitionColumn = 1, ColumnCount = 2 };

    explicit TermListModel(QObject *parent = nullptr);

    // Without the two virtual count calls of the default: a view lays out every row's index.
    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section,
                       Qt::Orientation orientation,
                       const QVariant &value,
                       int role = Qt::EditRole) override;

    int count() const { return m_store.size(); }

    // Positions are 0-based; an index out of range throws a Failure.
    QString termAt(int position) const;
    QString definitionAt(int position) const;

    const TermStore &store() const { return m_store; }

    // A copy of every entry; for small lists and checks.
    TermEntries entries() const { return m_store.toEntries(); }

    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // An edit in place becomes a step of the history; an empty or unchanged text is refused, as
    // "Add New Term" refuses one.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    QUndoStack &history() { return m_history; }

    const QUndoStack &history() const { return m_history; }

    // How a step went, for whoever tells the user of it (a screen reader).
    enum class StepEvent { Done, Undone, Redone };
    using StepTold = std::function<void(StepEvent)>;

    // Does `redo` as a step of the history that `undo` takes back; `told` hears each time it runs.
    void
    pushStep(const QString &text, std::function<void()> redo, std::function<void()> undo, StepTold told = {});

    // What hears an edit in place, given its column and new text.
    void setEditTold(std::function<StepTold(int column, const QString &text)> editTold)
    {
        m_editTold = std::move(editTold);
    }

    void append(const TermEntry &entry);
    void insertAt(int position, const TermEntry &entry);
    // One cell's text: the entry's term or its definition.
    void setText(int position, int column, const QString &text);
    void removeAt(int position);
    void clear();
    // Replaces every entry in one reset, however many there are.
    void replaceAll(TermStore store);
    // The same, handing back the entries that were there: nothing is copied either way.
    TermStore exchange(TermStore store);

    void replaceAll(const TermEntries &entries) { replaceAll(TermStore::fromEntries(entries)); }

private:
    void check(int position) const;

    TermStore m_store;
    QString m_headers[ColumnCount];
    QUndoStack m_history;
    std::function<StepTold(int column, const QString &text)> m_editTold;
};
