#include "ui/announcer.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

const char spokenText[] = "spokenText";
const char announcerBar[] = "Announcer";
const char announcerMessage[] = "AnnouncerMessage";

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
        return object()->property(spokenText).toString();
    }

    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(object()->parent());
    }

    QAccessibleInterface *child(int index) const override
    {
        const QObjectList shown = messages();
        return index >= 0 && index < shown.size() ? QAccessible::queryAccessibleInterface(shown.at(index))
                                                  : nullptr;
    }

    int childCount() const override { return int(messages().size()); }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() ? int(messages().indexOf(child->object())) : -1;
    }

private:
    QObjectList messages() const
    {
        if (m_role != QAccessible::StatusBar)
            return {};
        return object()->findChildren<QObject *>(QLatin1String(announcerMessage), Qt::FindDirectChildrenOnly);
    }

    QAccessible::Role m_role;
};

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
    , m_messages{new QObject(this), new QObject(this)}
{
    static const bool installed = [] {
        QAccessible::installFactory(announcementFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setObjectName(QLatin1String(announcerBar));
    for (QObject *message : m_messages)
        message->setObjectName(QLatin1String(announcerMessage));
    window->installEventFilter(this);
}

void Announcer::announce(const QString &text)
{
    m_text = text;
    m_pending = true;
    if (m_window->isActiveWindow())
        deliver();
}

void Announcer::follow(const QString &text)
{
    announce(m_pending ? m_text + QLatin1Char('\n') + text : text);
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
    // Orca asks for the text when it comes to the event, maybe after the next one was sent: each of
    // two texts close together keeps a notification of its own.
    m_next = (m_next + 1) % m_messages.size();
    QObject *message = m_messages[m_next];
    message->setProperty(spokenText, m_text);
    QAccessibleEvent shown(message, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}
