// The second click of a double-click never acts in the window that the first click opened.
#pragma once

#include <QHash>
#include <QObject>

class QWidget;

// Installed on the application: a press that follows the one before it, of the same button, within
// the system's double-click interval (by the presses' own time stamps, however late they are handled) is
// ignored by a window that appeared after that first press; keys always reach it.
class ClickGuard : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // When each recently shown window appeared, on a monotonic clock in milliseconds.
    QHash<const QWidget *, qint64> m_shownAt;
    // The last press: its button, its time stamp, and when it was handled (on the clock above).
    Qt::MouseButton m_pressButton = Qt::NoButton;
    quint64 m_pressStamp = 0;
    qint64 m_pressHandled = -1;
    // The last press was ignored: so is a double-click event for the same press.
    bool m_ignoring = false;
};
