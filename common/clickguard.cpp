#include "common/clickguard.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEvent>
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
            m_shownAt.removeIf([&](auto shown) { return now - shown.value() > interval; });
            m_shownAt.insert(widget, now);
        }
        return false;
    }
    const auto shown = m_shownAt.constFind(widget->window());
    return shown != m_shownAt.cend() && now - *shown <= interval;
}
