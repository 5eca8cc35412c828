#include "ui/clickguard.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMouseEvent>
#include <QWidget>

bool ClickGuard::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget)
        return false;
    const qint64 now = QDeadlineTimer::current().deadline();
    const qint64 interval = QApplication::doubleClickInterval();
    if (type == QEvent::Show) {
        if (widget->isWindow()) {
            // Windows shown before the last press no longer matter.
            m_shownAt.removeIf([&](auto shown) { return shown.value() < m_pressHandled; });
            m_shownAt.insert(widget, now);
        }
        return false;
    }
    // A second press comes as a double-click event, on some platforms after a press of its own: the
    // two are ignored or neither.
    const auto *mouse = static_cast<QMouseEvent *>(event);
    const quint64 stamp = mouse->timestamp();
    if (type == QEvent::MouseButtonDblClick && m_pressHandled >= 0 && stamp == m_pressStamp)
        return m_ignoring;
    // A left click on the menu that a right-click just opened is a click of its own.
    const bool second = m_pressHandled >= 0 && mouse->button() == m_pressButton && stamp >= m_pressStamp
        && stamp - m_pressStamp <= quint64(interval);
    const auto shown = m_shownAt.constFind(widget->window());
    m_ignoring = second && shown != m_shownAt.cend() && *shown >= m_pressHandled;
    m_pressButton = mouse->button();
    m_pressStamp = stamp;
    m_pressHandled = now;
    return m_ignoring;
}
