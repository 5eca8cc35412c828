// The second click of a double-click never acts in the window that the first click opened.
#pragma once

#include <QHash>
#include <QObject>

class QWidget;

// Installed on the application: a window that has just appeared ignores mouse presses for the
// system's double-click interval; keys always reach it.
class ClickGuard : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // When each recently shown window appeared, on a monotonic clock in milliseconds.
    QHash<const QWidget *, qint64> m_shownAt;
};
