// The term list: the one store of entries, shown by the main window's list view.
#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>

struct TermEntry
{
    QString term;
    QString definition;

    bool operator==(const TermEntry &) const = default;
};

using TermEntries = QList<TermEntry>;

class TermListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { TermColumn = 0, DefinitionColumn = 1, ColumnCount = 2 };

    explicit TermListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section,
                       Qt::Orientation orientation,
                       const QVariant &value,
                       int role = Qt::EditRole) override;

    int count() const { return int(m_entries.size()); }

    // Positions are 0-based; an index out of range throws a Failure.
    const TermEntry &at(int position) const;

    const TermEntries &entries() const { return m_entries; }

    void append(const TermEntry &entry);
    void removeAt(int position);
    void clear();
    // Replaces every entry in one reset, however many there are.
    void replaceAll(TermEntries entries);

private:
    TermEntries m_entries;
    QString m_headers[ColumnCount];
};
