// Speaks to a screen reader what just changed in a window, as a notification in an invisible status
// bar: Orca ignores name changes on labels, but reads a notification the moment it shows.
#pragma once

#include <QObject>
#include <QString>

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

    // The text spoken last, or waiting to be.
    const QString &text() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void deliver();

    QWidget *m_window;
    // The notification itself; this object is its status bar.
    QObject *m_message;
    QString m_text;
    bool m_pending = false;
};
