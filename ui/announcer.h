// Speaks to a screen reader what just changed in a window, as a notification in an invisible status
// bar: Orca ignores name changes on labels, but reads a notification the moment it shows.
#pragma once

#include <QObject>
#include <QString>

#include <array>

class QWidget;

class Announcer : public QObject
{
    Q_OBJECT

public:
    // The announcements belong to `window` (a top-level widget), which owns the announcer.
    explicit Announcer(QWidget *window);

    // Spoken now when the window is active, otherwise once it becomes active; a later text replaces
    // one not yet spoken.
    void announce(const QString &text);
    // As announce, but after a text not yet spoken rather than instead of it: what the focus meets
    // once a box has closed follows the result of the command the box asked about.
    void follow(const QString &text);

    // The text spoken last, or waiting to be.
    const QString &text() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void deliver();

    QWidget *m_window;
    // The notifications, taken in turn; this object is their status bar.
    std::array<QObject *, 2> m_messages;
    size_t m_next = 0;
    QString m_text;
    bool m_pending = false;
};
