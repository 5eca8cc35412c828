// The sound module: QSoundEffect behind SoundBackend. Never throws; the program checks the commands.
#include "testrun/soundbackend.h"

#include <QAudioDevice>
#include <QEventLoop>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

namespace {
class EffectBackend : public SoundBackend
{
public:
    ~EffectBackend() override { waitForLoad(); }

    void open(const QString &path) override { m_effect.setSource(QUrl::fromLocalFile(path)); }

    void play() override { m_effect.play(); }

    void stop() override { m_effect.stop(); }

    void close() override
    {
        waitForLoad();
        m_effect.setSource(QUrl());
    }

    bool hasOutput() override { return !QMediaDevices::audioOutputs().isEmpty(); }

private:
    // Qt 6.4 reads a sound in a thread of its own, and a source dropped while that thread still
    // reads it is never freed; if the program ends meanwhile, the thread reads freed memory. So a
    // running load may finish first: for at most two seconds, with no user input taken meanwhile.
    void waitForLoad()
    {
        if (m_effect.status() != QSoundEffect::Loading)
            return;
        QEventLoop loop;
        QObject::connect(&m_effect, &QSoundEffect::statusChanged, &loop, &QEventLoop::quit);
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }

    QSoundEffect m_effect;
};
} // namespace

extern "C" Q_DECL_EXPORT SoundBackend *glossmereCreateSoundBackend()
{
    return new EffectBackend;
}
