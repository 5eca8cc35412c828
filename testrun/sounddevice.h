// The device that plays the answer sounds, driven by a file name and the commands
// "Open", "Play", "Stop" and "close".
#pragma once

#include <QString>

#include <memory>

class SoundBackend;

class SoundDevice
{
public:
    virtual ~SoundDevice() = default;
    virtual void setFileName(const QString &path) = 0;
    // Throws a Failure for a command it does not know.
    virtual void command(const QString &name) = 0;

    // False when no sound can be heard at all: the machine has no audio output.
    virtual bool canPlay() { return true; }
};

// Plays through QSoundEffect, which lives in a module beside the program (libglossmere-sound.so) that
// is loaded at the first "Open": Qt Multimedia and the audio libraries it pulls in cost a start-up
// nothing. A machine without audio output, or without the module, plays silently.
class EffectSoundDevice : public SoundDevice
{
public:
    // `moduleFolder` holds the module; empty for the program's own folder.
    explicit EffectSoundDevice(const QString &moduleFolder = {});
    ~EffectSoundDevice() override;
    void setFileName(const QString &path) override;
    void command(const QString &name) override;
    bool canPlay() override;

    // Whether the module has been loaded and gave a player.
    bool hasBackend() const { return bool(m_backend); }

private:
    void loadModule();

    QString m_moduleFolder;
    QString m_fileName;
    bool m_loadTried = false;
    std::unique_ptr<SoundBackend> m_backend;
};
