#include "testrun/sounddevice.h"

#include "common/failure.h"

#include <QSoundEffect>
#include <QUrl>

EffectSoundDevice::EffectSoundDevice() = default;

EffectSoundDevice::~EffectSoundDevice() = default;

void EffectSoundDevice::setFileName(const QString &path)
{
    m_fileName = path;
}

void EffectSoundDevice::command(const QString &name)
{
    if (name == QStringLiteral("Open")) {
        // Created on first use, so that a test without sounds never touches the audio system.
        if (!m_effect)
            m_effect = std::make_unique<QSoundEffect>();
        m_effect->setSource(QUrl::fromLocalFile(m_fileName));
    } else if (name == QStringLiteral("Play")) {
        if (m_effect)
            m_effect->play();
    } else if (name == QStringLiteral("Stop")) {
        if (m_effect)
            m_effect->stop();
    } else if (name == QStringLiteral("close")) {
        if (m_effect)
            m_effect->setSource(QUrl());
    } else {
        throw Failure(QStringLiteral("Unknown sound command: %1").arg(name));
    }
}
