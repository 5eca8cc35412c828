#include "termlist/termlistview.h"

TermListView::TermListView(QWidget *parent)
    : QTreeView(parent)
{
    // Files dropped here do nothing, whatever the tooltip promises: users rely on the list changing
    // only through its commands.
    setAcceptDrops(false);
    setDragDropMode(QAbstractItemView::NoDragDrop);
}
