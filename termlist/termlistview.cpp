#include "termlist/termlistview.h"

#include <QLineEdit>
#include <QStyledItemDelegate>

namespace {
class CellEditor : public QStyledItemDelegate
{
public:
    explicit CellEditor(TermListView *view)
        : QStyledItemDelegate(view)
        , m_view(view)
    { }

    void setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override
    {
        if (auto *line = qobject_cast<QLineEdit *>(editor))
            emit m_view->cellEdited(index.row(), index.column(), line->text());
    }

private:
    TermListView *m_view;
};
} // namespace

TermListView::TermListView(QWidget *parent)
    : QTreeView(parent)
{
    // Files dropped here do nothing, whatever the tooltip promises: users rely on the list changing
    // only through its commands.
    setAcceptDrops(false);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setItemDelegate(new CellEditor(this));
}

QModelIndex TermListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = currentIndex();
    if (current.isValid() && (cursorAction == MoveLeft || cursorAction == MoveRight))
        return current.siblingAtColumn(cursorAction == MoveLeft ? 0 : 1);
    return QTreeView::moveCursor(cursorAction, modifiers);
}
