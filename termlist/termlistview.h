// The term list's view: shows a million rows at once.
#pragma once

#include <QTreeView>

class TermListView : public QTreeView
{
    Q_OBJECT

public:
    explicit TermListView(QWidget *parent = nullptr);
};
