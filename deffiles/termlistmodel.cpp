#include "deffiles/termlistmodel.h"

#include "common/failure.h"

TermListModel::TermListModel(QObject *parent)
    : QAbstractTableModel(parent)
{ }

int TermListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int TermListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TermListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::DisplayRole)
        return {};
    const TermEntry &entry = m_entries[index.row()];
    return index.column() == TermColumn ? entry.term : entry.definition;
}

QVariant TermListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_headers[section];
}

bool TermListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role)
{
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::EditRole) || section < 0
        || section >= ColumnCount)
        return false;
    m_headers[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

const TermEntry &TermListModel::at(int position) const
{
    if (position < 0 || position >= count())
        throw Failure(QStringLiteral("Index out of bounds: entry %1 of %2").arg(position).arg(count()));
    return m_entries[position];
}

void TermListModel::append(const TermEntry &entry)
{
    beginInsertRows({}, count(), count());
    m_entries.append(entry);
    endInsertRows();
}

void TermListModel::removeAt(int position)
{
    at(position);
    beginRemoveRows({}, position, position);
    m_entries.removeAt(position);
    endRemoveRows();
}

void TermListModel::clear()
{
    replaceAll({});
}

void TermListModel::replaceAll(TermEntries entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}
