#include "testrun/sounddevice.h"

#include "common/failure.h"
#include "testrun/soundbackend.h"

#include <QCoreApplication>
#include <QLibrary>

EffectSoundDevice::EffectSoundDevice(const QString &moduleFolder)
    : m_moduleFolder(moduleFolder)
{ }

// The module stays loaded for the life of the program (QLibrary does not unload on destruction), so
// the player's code is still there when it is deleted here.
EffectSoundDevice::~EffectSoundDevice() = default;

void EffectSoundDevice::setFileName(const QString &path)
{
    m_fileName = path;
}

// Loaded on first use, so that a program never asked for sounds never touches the audio system.
void EffectSoundDevice::loadModule()
{
    if (m_loadTried)
        return;
    m_loadTried = true;
    const QString folder = m_moduleFolder.isEmpty() ? QCoreApplication::applicationDirPath() : m_moduleFolder;
    QLibrary module(folder + QStringLiteral("/libglossmere-sound.so"));
    if (auto create = reinterpret_cast<CreateSoundBackend *>(module.resolve(createSoundBackendSymbol)))
        m_backend.reset(create());
}

bool EffectSoundDevice::canPlay()
{
    loadModule();
    return m_backend && m_backend->hasOutput();
}

void EffectSoundDevice::command(const QString &name)
{
    if (name == QStringLiteral("Open")) {
        loadModule();
        if (m_backend)
            m_backend->open(m_fileName);
    } else if (name == QStringLiteral("Play")) {
        if (m_backend)
            m_backend->play();
    } else if (name == QStringLiteral("Stop")) {
        if (m_backend)
            m_backend->stop();
    } else if (name == QStringLiteral("close")) {
        if (m_backend)
            m_backend->close();
    } else {
        throw Failure(QStringLiteral("Unknown sound command: %1").arg(name));
    }
}
