#include "termlist/termlistview.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QEvent>
#include <QHeaderView>
#include <QHoverEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace {
// The stock delegate, lighting the hovered row across both columns and framing the current cell.
class RowHoverDelegate : public QStyledItemDelegate
{
public:
    explicit RowHoverDelegate(TermListView *view)
        : QStyledItemDelegate(view)
        , m_view(view)
    { }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        // The cell that F2 edits gets a frame of its own; the row's highlight alone does not tell the
        // term from the definition.
        if (!option.state.testFlag(QStyle::State_HasFocus))
            return;
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        painter->save();
        painter->setPen(
            QPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Highlight), 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
        painter->restore();
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->state.setFlag(QStyle::State_MouseOver, index.row() == m_view->hoveredRow());
    }

private:
    TermListView *m_view;
};
} // namespace

TermListView::TermListView(QWidget *parent)
    : QTableView(parent)
{
    // Files dropped here do nothing, whatever the tooltip promises: users rely on the list changing
    // only through its commands.
    setAcceptDrops(false);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setItemDelegate(new RowHoverDelegate(this));

    // The look and keys of a report list: no grid, no row numbers, Tab leaves the list.
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView *columns = horizontalHeader();
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setSectionsClickable(false);
    columns->setHighlightSections(false);
    fitRowHeight();
}

void TermListView::fitRowHeight()
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("Xg");
    const int height = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(height);
}

void TermListView::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        fitRowHeight();
}

bool TermListView::viewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        hoverRow(rowAt(static_cast<QHoverEvent *>(event)->position().toPoint().y()));
        break;
    case QEvent::HoverLeave:
        hoverRow(-1);
        break;
    default:
        break;
    }
    return QTableView::viewportEvent(event);
}

void TermListView::hoverRow(int row)
{
    if (row == m_hoveredRow)
        return;
    for (int lit : {m_hoveredRow, row})
        if (lit >= 0)
            viewport()->update(0, rowViewportPosition(lit), viewport()->width(), rowHeight(lit));
    m_hoveredRow = row;
}

void TermListView::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    if (dy == 0)
        return;
    topAtScrollValue();
    // Other entries now pass under a pointer that stays where it was.
    hoverRow(underMouse() ? rowAt(viewport()->mapFromGlobal(QCursor::pos()).y()) : -1);
}

void TermListView::updateGeometries()
{
    QTableView::updateGeometries();
    topAtScrollValue();
}

void TermListView::topAtScrollValue()
{
    if (verticalScrollMode() != ScrollPerItem || !model())
        return;
    const int top = verticalScrollBar()->value();
    if (top < 0 || top >= model()->rowCount() || rowViewportPosition(top) == 0)
        return;
    verticalHeader()->setOffsetToSectionPosition(top);
    viewport()->update();
}

QModelIndex TermListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = currentIndex();
    const int rows = model() ? model()->rowCount() : 0;
    if (current.isValid() && (cursorAction == MoveLeft || cursorAction == MoveRight))
        return current.siblingAtColumn(cursorAction == MoveLeft ? 0 : 1);
    if (rows > 0 && (cursorAction == MoveHome || cursorAction == MoveEnd))
        return model()->index(cursorAction == MoveHome ? 0 : rows - 1,
                              current.isValid() ? current.column() : 0);
    return QTableView::moveCursor(cursorAction, modifiers);
}

void TermListView::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    // The Menu key arrives here as a context menu event, at wherever the pointer happens to be.
    if (event->reason() != QContextMenuEvent::Mouse) {
        requestMenuForCurrentRow();
        return;
    }
    // A mouse's event comes through the viewport, in its coordinates.
    const QModelIndex cell = indexAt(event->pos());
    if (cell.isValid())
        selectionModel()->setCurrentIndex(cell,
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    emit menuRequested(cell.isValid() ? cell.row() : -1, event->globalPos());
}

void TermListView::focusInEvent(QFocusEvent *event)
{
    // The view makes its first row current here when none was, without selecting it.
    QTableView::focusInEvent(event);
    selectCurrentRow();
}

void TermListView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    selectCurrentRowLater();
}

void TermListView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QTableView::selectionChanged(selected, deselected);
    selectCurrentRowLater();
}

void TermListView::selectCurrentRowLater()
{
    // A removal changes the selection before the model has its rows again.
    if (hasFocus())
        QMetaObject::invokeMethod(this, &TermListView::selectCurrentRow, Qt::QueuedConnection);
}

void TermListView::selectCurrentRow()
{
    const QModelIndex current = currentIndex();
    if (hasFocus() && current.isValid() && !selectionModel()->isRowSelected(current.row()))
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TermListView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        event->accept();
        requestMenuForCurrentRow();
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        event->accept();
        emit removeRequested();
        return;
    }
    const int row = currentIndex().row();
    QTableView::keyPressEvent(event);
    if (currentIndex().isValid() && currentIndex().row() != row && state() != EditingState)
        emit rowMoved(currentIndex().row());
}

void TermListView::requestMenuForCurrentRow()
{
    const QModelIndex current = currentIndex();
    if (!current.isValid()) {
        emit menuRequested(-1, viewport()->mapToGlobal(QPoint(0, 0)));
        return;
    }
    // The menu's commands act on the selected entry, as the buttons do: that is the current one.
    if (!selectionModel()->isRowSelected(current.row()))
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(current);
    const QRect cell = visualRect(current);
    emit menuRequested(current.row(), viewport()->mapToGlobal(QPoint(cell.left(), cell.bottom())));
}
