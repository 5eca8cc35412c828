#include "tests/support/testsupport.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>

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

double ScriptedRandom::draw()
{
    if (m_drawn >= m_values.size()) {
        exhausted = true;
        return 0.0;
    }
    return m_values[m_drawn++];
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
