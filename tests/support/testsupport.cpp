#include "tests/support/testsupport.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

IsolatedSettings::IsolatedSettings(const QByteArray &content)
{
    // Whatever else the program keeps per user goes to the test locations, not the real home.
    QStandardPaths::setTestModeEnabled(true);
    if (!content.isEmpty())
        writeFile(m_dir.filePath(QStringLiteral("Tamberlux.ini")), content);
    m_settings = std::make_unique<Settings>(raw());
}

std::unique_ptr<QSettings> IsolatedSettings::raw() const
{
    return std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("Tamberlux.ini")), QSettings::IniFormat);
}

std::unique_ptr<RandomSource> ScriptedRandom::forAnotherThread()
{
    return std::make_unique<ScriptedRandom>(m_values.mid(m_drawn));
}

double ScriptedRandom::draw()
{
    if (m_drawn >= m_values.size()) {
        exhausted = true;
        return 0.0;
    }
    return m_values[m_drawn++];
}

namespace {
AccessibilityRecorder *recording = nullptr;

// Qt sends events only while its platform part says a screen reader listens; no public call says so.
void setScreenReaderListening(bool listening)
{
    QPlatformAccessibility *platform = QGuiApplicationPrivate::platformIntegration()->accessibility();
    if (!platform)
        qFatal("this platform plugin has no accessibility: events cannot be recorded");
    platform->setActive(listening);
}
} // namespace

AccessibilityRecorder::AccessibilityRecorder()
{
    Q_ASSERT(!recording);
    recording = this;
    m_previous = QAccessible::installUpdateHandler([](QAccessibleEvent *event) {
        const QAccessibleInterface *target = event->accessibleInterface();
        recording->events.append({event->type(),
                                  target ? target->role() : QAccessible::NoRole,
                                  event->object(),
                                  target ? target->text(QAccessible::Name) : QString()});
    });
    setScreenReaderListening(true);
}

AccessibilityRecorder::~AccessibilityRecorder()
{
    setScreenReaderListening(false);
    QAccessible::installUpdateHandler(m_previous);
    recording = nullptr;
}

QStringList AccessibilityRecorder::announcements() const
{
    QStringList texts;
    for (const Event &event : events) {
        if (event.type == QAccessible::ObjectShow && event.role == QAccessible::Notification)
            texts.append(event.text);
    }
    return texts;
}

FailAfterDevice::FailAfterDevice(QIODevice &target, qint64 budget)
    : m_target(target)
    , m_budget(budget)
{
    open(QIODevice::WriteOnly);
}

qint64 FailAfterDevice::writeData(const char *data, qint64 size)
{
    if (m_budget <= 0) {
        setErrorString(QStringLiteral("No space left on device"));
        return -1;
    }
    const qint64 part = std::min(size, m_budget);
    const qint64 wrote = m_target.write(data, part);
    if (wrote > 0)
        m_budget -= wrote;
    return wrote;
}

namespace {
const QString fillerName = QStringLiteral("filler");
}

FullFileSystem::FullFileSystem()
{
    // Big enough for the files a test keeps there; small enough to fill in no time.
    if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, "size=1m,mode=0700") != 0)
        m_why = QStringLiteral("cannot mount a tmpfs on %1 (%2): the full-disk cases need root")
                    .arg(m_dir.path(), qt_error_string(errno));
}

FullFileSystem::~FullFileSystem()
{
    if (mounted())
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

void FullFileSystem::fill(qint64 left)
{
    // Written unbuffered, so that the file system's own refusal ends it.
    const int fd =
        ::open(QFile::encodeName(filePath(fillerName)).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    QVERIFY2(fd >= 0, qPrintable(qt_error_string(errno)));
    static const QByteArray block(64 * 1024, 'f');
    qint64 size = 0;
    for (ssize_t wrote = 0; (wrote = ::write(fd, block.constData(), size_t(block.size()))) > 0;)
        size += wrote;
    QCOMPARE(errno, ENOSPC);
    QCOMPARE(::ftruncate(fd, off_t(size - left)), 0);
    ::close(fd);
}

QStringList FullFileSystem::files() const
{
    QStringList names = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.removeAll(fillerName);
    return names;
}

QString builtProgramFolder()
{
    return QStringLiteral(GLOSSMERE_PROGRAM_DIR);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write test file %s", qPrintable(path));
}

void RecordingSoundDevice::setFileName(const QString &path)
{
    log.append(QStringLiteral("file ") + path);
}

void RecordingSoundDevice::command(const QString &name)
{
    log.append(name);
    if (onCommand)
        onCommand(name);
}
