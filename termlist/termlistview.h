// The term list's view: shows a million rows at once; F2 edits the current cell in place.
#pragma once

#include <QTreeView>

class TermListView : public QTreeView
{
    Q_OBJECT

public:
    explicit TermListView(QWidget *parent = nullptr);

signals:
    // An editor was closed with Enter: the change goes through the window's commands, not straight
    // into the model, so that it can be refused and undone.
    void cellEdited(int row, int column, const QString &text);

protected:
    // Left and Right choose the column that F2 edits.
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
};
