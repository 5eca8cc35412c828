// The sound module: QSoundEffect behind SoundBackend. Never throws; the program checks the commands.
#include "testrun/soundbackend.h"

#include <QSoundEffect>
#include <QUrl>

namespace {
class EffectBackend : public SoundBackend
{
public:
    void open(const QString &path) override { m_effect.setSource(QUrl::fromLocalFile(path)); }

    void play() override { m_effect.play(); }

    void stop() override { m_effect.stop(); }

    void close() override { m_effect.setSource(QUrl()); }

private:
    QSoundEffect m_effect;
};
} // namespace

extern "C" Q_DECL_EXPORT SoundBackend *glossmereCreateSoundBackend()
{
    return new EffectBackend;
}
