// What the sound module (built apart so that Qt Multimedia loads only when a sound first plays)
// offers the program: a player of one WAV file at a time, made by glossmereCreateSoundBackend.
#pragma once

#include <QString>

class SoundBackend
{
public:
    virtual ~SoundBackend() = default;
    virtual void open(const QString &path) = 0;
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual void close() = 0;
    // Whether the machine has an audio output now (one may be plugged in or taken away at any time).
    virtual bool hasOutput() = 0;
};

// The module's one exported symbol; the caller owns the result.
using CreateSoundBackend = SoundBackend *();
inline constexpr char createSoundBackendSymbol[] = "glossmereCreateSoundBackend";
