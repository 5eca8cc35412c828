#include "deffiles/termlistmodel.h"

#include "common/failure.h"
#include "common/helpers.h"

#include <QUndoCommand>

namespace {
class Step : public QUndoCommand
{
public:
    Step(const QString &text,
         std::function<void()> redo,
         std::function<void()> undo,
         TermListModel::StepTold told)
        : QUndoCommand(text)
        , m_redo(std::move(redo))
        , m_undo(std::move(undo))
        , m_told(std::move(told))
    { }

    void redo() override
    {
        m_redo();
        tell(m_done ? TermListModel::StepEvent::Redone : TermListModel::StepEvent::Done);
        m_done = true;
    }

    void undo() override
    {
        m_undo();
        tell(TermListModel::StepEvent::Undone);
    }

private:
    void tell(TermListModel::StepEvent event)
    {
        if (m_told)
            m_told(event);
    }

    std::function<void()> m_redo;
    std::function<void()> m_undo;
    TermListModel::StepTold m_told;
    bool m_done = false;
};
} // namespace

TermListModel::TermListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
    // Enough to undo a whole session's slips; each step of a big load or clear holds a whole list.
    m_history.setUndoLimit(100);
}

void TermListModel::pushStep(const QString &text,
                             std::function<void()> redo,
                             std::function<void()> undo,
                             StepTold told)
{
    m_history.push(new Step(text, std::move(redo), std::move(undo), std::move(told)));
}

bool TermListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::EditRole)
        return false;
    const int row = index.row(), column = index.column();
    const QString text = oneLineText(value.toString()),
                  before = column == TermColumn ? termAt(row) : definitionAt(row);
    if (text.isEmpty() || text == before)
        return false;
    pushStep(
        QStringLiteral("Edit"),
        [this, row, column, text] { setText(row, column, text); },
        [this, row, column, before] { setText(row, column, before); },
        m_editTold ? m_editTold(column, text) : StepTold());
    return true;
}

QModelIndex TermListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || row >= count() || column < 0 || column >= ColumnCount)
        return {};
    return createIndex(row, column);
}

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
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)
        || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const QByteArrayView utf8 =
        index.column() == TermColumn ? m_store.termUtf8(index.row()) : m_store.definitionUtf8(index.row());
    // An editor starts from the whole text, whatever its length.
    if (role == Qt::EditRole)
        return decodeTermText(utf8);
    // A cell shows a few dozen characters; an entry of megabytes must not be decoded or laid out whole.
    // shown + 1 characters take at most 4 bytes each, so this many bytes hold them all even when the
    // cut splits a character.
    constexpr qsizetype shown = 1000;
    constexpr qsizetype enoughBytes = 4 * (shown + 1) + 3;
    if (utf8.size() <= shown)
        return decodeTermText(utf8);
    const QString text = decodeTermText(utf8.first(std::min(utf8.size(), enoughBytes)));
    return text.size() <= shown ? text : visiblePart(text.left(shown + 1), shown);
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

void TermListModel::check(int position) const
{
    if (position < 0 || position >= count())
        throw Failure(QStringLiteral("Index out of bounds: entry %1 of %2").arg(position).arg(count()));
}

QString TermListModel::termAt(int position) const
{
    check(position);
    return m_store.term(position);
}

QString TermListModel::definitionAt(int position) const
{
    check(position);
    return m_store.definition(position);
}

void TermListModel::append(const TermEntry &entry)
{
    beginInsertRows({}, count(), count());
    m_store.append(entry.term, entry.definition);
    endInsertRows();
}

Qt::ItemFlags TermListModel::flags(const QModelIndex &index) const
{
    // Asked twice for every row each time the view lays out a list, so without the base class's
    // round of virtual calls.
    if (index.model() != this || index.row() < 0 || index.row() >= count() || index.column() < 0
        || index.column() >= ColumnCount)
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemNeverHasChildren;
}

void TermListModel::insertAt(int position, const TermEntry &entry)
{
    if (position < 0 || position > count())
        throw Failure(QStringLiteral("Index out of bounds: entry %1 of %2").arg(position).arg(count()));
    beginInsertRows({}, position, position);
    m_store.insertAt(position, entry.term, entry.definition);
    endInsertRows();
}

void TermListModel::setText(int position, int column, const QString &text)
{
    check(position);
    const QString term = column == TermColumn ? text : m_store.term(position);
    const QString definition = column == TermColumn ? m_store.definition(position) : text;
    m_store.replaceAt(position, term, definition);
    emit dataChanged(index(position, 0), index(position, ColumnCount - 1));
}

void TermListModel::removeAt(int position)
{
    check(position);
    beginRemoveRows({}, position, position);
    m_store.removeAt(position);
    endRemoveRows();
}

void TermListModel::clear()
{
    replaceAll(TermStore());
}

void TermListModel::replaceAll(TermStore store)
{
    exchange(std::move(store));
}

TermStore TermListModel::exchange(TermStore store)
{
    beginResetModel();
    std::swap(m_store, store);
    endResetModel();
    return store;
}
