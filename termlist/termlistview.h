// The term list's view: shows a million rows at once, and takes files dropped on it.
#pragma once

#include <QStringList>
#include <QTreeView>

class TermListView : public QTreeView
{
    Q_OBJECT

public:
    explicit TermListView(QWidget *parent = nullptr);

signals:
    // Local files dropped on the list, in the order the drop lists them.
    void filesDropped(const QStringList &paths);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

// The local files a drop carries; empty when it carries anything else.
QStringList droppedFiles(const QMimeData *data);
