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

protected:
    // Left and Right choose the column that F2 edits; Home and End go to the first and last entry.
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void changeEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;

private:
    // Every row is as high as a line of text in the list's font, as the tree made them.
    void fitRowHeight();
    void hoverRow(int row);
    void requestMenuForCurrentRow();
    // The entry the scroll bar names stands at the top, on the last page too, so that the last
    // entry never ends flush with the bottom under a cut-off row.
    void topAtScrollValue();

    int m_hoveredRow = -1;
};
