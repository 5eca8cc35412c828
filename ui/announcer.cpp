#include "ui/announcer.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

// The status bar and its notification exist only for assistive technology: no widget, no pixels.
class AnnouncementAccessible : public QAccessibleObject
{
public:
    AnnouncementAccessible(QObject *object, QAccessible::Role role)
        : QAccessibleObject(object)
        , m_role(role)
    { }

    QAccessible::Role role() const override { return m_role; }

    QAccessible::State state() const override { return {}; }

    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name || m_role != QAccessible::Notification)
            return {};
        return static_cast<const Announcer *>(object()->parent())->text();
    }

    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(object()->parent());
    }

    QAccessibleInterface *child(int index) const override
    {
        if (m_role != QAccessible::StatusBar || index != 0)
            return nullptr;
        return QAccessible::queryAccessibleInterface(
            object()->findChild<QObject *>(QString(), Qt::FindDirectChildrenOnly));
    }

    int childCount() const override { return m_role == QAccessible::StatusBar ? 1 : 0; }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() && child->object()->parent() == object() ? 0 : -1;
    }

private:
    QAccessible::Role m_role;
};

const char announcerBar[] = "Announcer";
const char announcerMessage[] = "AnnouncerMessage";

QAccessibleInterface *announcementFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String(announcerBar))
        return new AnnouncementAccessible(object, QAccessible::StatusBar);
    if (object && object->objectName() == QLatin1String(announcerMessage)
        && className == QLatin1String("QObject"))
        return new AnnouncementAccessible(object, QAccessible::Notification);
    return nullptr;
}

} // namespace

Announcer::Announcer(QWidget *window)
    : QObject(window)
    , m_window(window)
    , m_message(new QObject(this))
{
    static const bool installed = [] {
        QAccessible::installFactory(announcementFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setObjectName(QLatin1String(announcerBar));
    m_message->setObjectName(QLatin1String(announcerMessage));
    window->installEventFilter(this);
}

void Announcer::announce(const QString &text)
{
    m_text = text;
    m_pending = true;
    if (m_window->isActiveWindow())
        deliver();
}

const QString &Announcer::text() const
{
    return m_text;
}

bool Announcer::eventFilter(QObject *watched, QEvent *event)
{
    // After the window's own activation and focus are told, so that they do not cut the text short.
    if (watched == m_window && event->type() == QEvent::WindowActivate && m_pending)
        QTimer::singleShot(300, this, &Announcer::deliver);
    return QObject::eventFilter(watched, event);
}

void Announcer::deliver()
{
    if (!m_pending || !m_window->isActiveWindow())
        return;
    m_pending = false;
    QAccessibleEvent shown(m_message, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}
