// The device that plays the answer sounds, driven by a file name and the commands
// "Open", "Play", "Stop" and "close".
#pragma once

#include <QString>

#include <memory>

class QSoundEffect;

class SoundDevice
{
public:
    virtual ~SoundDevice() = default;
    virtual void setFileName(const QString &path) = 0;
    // Throws a Failure for a command it does not know.
    virtual void command(const QString &name) = 0;
};

// Plays through QSoundEffect. A machine without audio output plays silently.
class EffectSoundDevice : public SoundDevice
{
public:
    EffectSoundDevice();
    ~EffectSoundDevice() override;
    void setFileName(const QString &path) override;
    void command(const QString &name) override;

private:
    QString m_fileName;
    std::unique_ptr<QSoundEffect> m_effect;
};
