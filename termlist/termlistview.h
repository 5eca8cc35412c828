// The term list's view: shows a million rows at once; F2 edits the current cell in place, the model
// taking the text as a step of the list's history.
#pragma once

#include <QTableView>

// A table rather than a tree: a tree keeps a record for every row and builds them all again whenever
// the list is loaded. It looks and answers the keys as the tree did.
class TermListView : public QTableView
{
    Q_OBJECT

public:
    explicit TermListView(QWidget *parent = nullptr);

    // The row under the pointer, lit across both columns; -1 for none.
    int hoveredRow() const { return m_hoveredRow; }

signals:
    // The list's menu is asked for `row` (-1: an empty part of the list, or no current entry), to be
    // shown at `globalPosition`: by a right-click, which makes the row current and selected first, or
    // by the Menu key or Shift+F10, for the current row.
    void menuRequested(int row, const QPoint &globalPosition);
    // The Delete key: the selected entry is to be removed (the caller asks first).
    void removeRequested();
    // A key moved the current entry to another row.
    void rowMoved(int row);

protected:
    // Left and Right choose the column that F2 edits; Home and End go to the first and last entry.
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void changeEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;

private:
    // Every row is as high as a line of text in the list's font, as the tree made them.
    void fitRowHeight();
    void hoverRow(int row);
    void requestMenuForCurrentRow();
    // While the list has the focus its current row is the selected one, so that what a screen reader
    // reads as current is what "Remove Selected Term/Def" and the menu act on.
    void selectCurrentRow();
    void selectCurrentRowLater();
    // The entry the scroll bar names stands at the top, on the last page too, so that the last
    // entry never ends flush with the bottom under a cut-off row.
    void topAtScrollValue();

    int m_hoveredRow = -1;
};
