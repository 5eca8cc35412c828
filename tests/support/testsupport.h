// Shared pieces of the test suite: isolated settings, scripted randomness, a failing device, lookups.
#pragma once

#include "common/pause.h"
#include "common/randomsource.h"
#include "common/settings.h"
#include "store/termstore.h"
#include "testrun/sounddevice.h"

#include <QAccessible>
#include <QIODevice>
#include <QList>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <functional>

// Settings kept in a file of a temporary folder for the life of the object.
class IsolatedSettings
{
public:
    // `content` is what the file holds before the program first reads it.
    explicit IsolatedSettings(const QByteArray &content = {});

    QString folder() const { return m_dir.path(); }

    // The store as the program sees it.
    Settings &settings() { return *m_settings; }

    // The same file, for writing what a user or another program left there.
    std::unique_ptr<QSettings> raw() const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Settings> m_settings;
};

// A pause that is over at once; `during` runs inside it, as a click during a real pause would.
class InstantPause : public Pause
{
public:
    void Wait(double seconds) override
    {
        waits.append(seconds);
        if (during)
            during(seconds);
    }

    QList<double> waits;
    std::function<void(double)> during;
};

// Hands out the scripted values in order; running out is a test failure recorded in `exhausted`.
class ScriptedRandom : public RandomSource
{
public:
    ScriptedRandom() = default;

    explicit ScriptedRandom(QList<double> values)
        : m_values(std::move(values))
    { }

    void add(double value) { m_values.append(value); }

    double draw() override;
    // The values not drawn yet, for the other thread to draw in its turn.
    std::unique_ptr<RandomSource> forAnotherThread() override;

    int drawn() const { return m_drawn; }

    bool exhausted = false;

private:
    QList<double> m_values;
    int m_drawn = 0;
};

// Passes writes through to another device until a budget of bytes is spent, then fails.
class FailAfterDevice : public QIODevice
{
public:
    FailAfterDevice(QIODevice &target, qint64 budget);

protected:
    qint64 readData(char *, qint64) override { return -1; }

    qint64 writeData(const char *data, qint64 size) override;

private:
    QIODevice &m_target;
    qint64 m_budget;
};

// A small file system of its own (a tmpfs on a temporary folder) for the life of the object, so that
// a test can fill it to the last byte. Mounting needs root, as CI runs; `why()` says what stopped it.
class FullFileSystem
{
public:
    FullFileSystem();
    ~FullFileSystem();
    FullFileSystem(const FullFileSystem &) = delete;
    FullFileSystem &operator=(const FullFileSystem &) = delete;

    bool mounted() const { return m_why.isEmpty(); }

    QString why() const { return m_why; }

    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Takes every free byte but `left` (a multiple of the page size) with a file of its own.
    void fill(qint64 left = 0);
    // The names of the files there, the filling one left out.
    QStringList files() const;

private:
    QTemporaryDir m_dir;
    QString m_why;
};

// Records what the program asks of the sound device, in order.
class RecordingSoundDevice : public SoundDevice
{
public:
    void setFileName(const QString &path) override;
    void command(const QString &name) override;

    bool canPlay() override { return playable; }

    QStringList log;
    bool playable = true;
    // Runs at each command, e.g. to look at the window at that moment.
    std::function<void(const QString &)> onCommand;
};

// The accessibility events the program sends, as a screen reader receives them, for the life of the
// object; assistive technology counts as running meanwhile.
class AccessibilityRecorder
{
public:
    AccessibilityRecorder();
    ~AccessibilityRecorder();
    AccessibilityRecorder(const AccessibilityRecorder &) = delete;
    AccessibilityRecorder &operator=(const AccessibilityRecorder &) = delete;

    struct Event
    {
        QAccessible::Event type;
        QAccessible::Role role;
        const QObject *object;
        // The object's name when the event was sent: a screen reader reads it then.
        QString text;
    };

    // The texts of the notifications shown, in order: what a screen reader announces.
    QStringList announcements() const;

    QList<Event> events;

private:
    QAccessible::UpdateHandler m_previous;
};

// Finds a control by its object name or fails the test loudly.
template <typename T> T *control(QWidget *window, const char *name)
{
    T *found = window->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s of the expected type in %s", name, qPrintable(window->objectName()));
    return found;
}

// The bytes of a string literal, NULs included, without its terminator.
template <qsizetype N> QByteArray literalBytes(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

// Entries named by number: ("term 0", "definition 0"), ...
inline TermEntries numberedEntries(int count)
{
    TermEntries entries;
    for (int i = 0; i < count; ++i)
        entries.append({QStringLiteral("term %1").arg(i), QStringLiteral("definition %1").arg(i)});
    return entries;
}

// The folder with the shipped content (Sample/, Sounds/, ...), as the program finds it.
QString builtProgramFolder();
QByteArray readAll(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);
