#!/usr/bin/env python3
"""Synthesise the answer feedback sounds, Sounds/right.wav and Sounds/wrong.wav.

The sounds are generated rather than recorded so that we own them outright and
can tweak them by editing a few numbers. Output is deterministic: no random
numbers are used, so re-running the script reproduces identical files.

Usage:  python3 tools/make_sounds.py [OUTPUT_DIR]
        (OUTPUT_DIR defaults to Sounds/ in the repository root)
"""

import array
import math
import os
import sys
import wave

RATE = 44100
# -3 dBFS leaves headroom so the chime never sounds harsh or clips after
# any resampling the audio backend might do.
PEAK = 10 ** (-3 / 20)
FULL_SCALE = 32767


def note(length, freq, partials, decay, attack=0.006, release=0.03,
         start=0.0):
    """Return (start, samples) for one note.

    partials is a list of (frequency multiple, amplitude, decay factor);
    higher partials die away faster, which is what makes a tone sound like
    a soft bell rather than an organ.
    """
    n = int(length * RATE)
    attack_n = max(1, int(attack * RATE))
    release_n = max(1, int(release * RATE))
    out = [0.0] * n
    for i in range(n):
        t = i / RATE
        value = 0.0
        for mult, amp, speed in partials:
            value += amp * math.exp(-t * speed / decay) * math.sin(
                2 * math.pi * freq * mult * t)
        # Raised-cosine attack: a linear ramp this short can still click.
        if i < attack_n:
            value *= 0.5 - 0.5 * math.cos(math.pi * i / attack_n)
        # Same shape on the way out, so cutting a note short never clicks.
        left = n - 1 - i
        if left < release_n:
            value *= 0.5 - 0.5 * math.cos(math.pi * left / release_n)
        out[i] = value
    return start, out


def mix(total, notes, fade_out):
    """Sum the notes into one buffer, fade the tail to silence, normalise."""
    n = int(total * RATE)
    buf = [0.0] * n
    for start, samples in notes:
        offset = int(start * RATE)
        for i, s in enumerate(samples):
            if offset + i < n:
                buf[offset + i] += s
    # Force the end to true silence so playback never stops on a step.
    fade_n = int(fade_out * RATE)
    for i in range(fade_n):
        k = n - fade_n + i
        buf[k] *= 0.5 + 0.5 * math.cos(math.pi * (i + 1) / fade_n)
    peak = max(abs(s) for s in buf)
    scale = PEAK * FULL_SCALE / peak
    return [int(round(s * scale)) for s in buf]


def write_wav(path, samples):
    data = array.array("h", samples)
    if sys.byteorder != "little":
        data.byteswap()  # WAV PCM is always little-endian
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(data.tobytes())


def right_sound():
    # Rising perfect fifth, A5 -> E6: bright and unmistakably "yes".
    bell = [(1.0, 1.0, 1.0), (2.0, 0.35, 1.8), (3.0, 0.12, 2.6),
            (4.16, 0.05, 3.5)]  # slightly inharmonic top partial = bell shimmer
    first = note(0.30, 880.0, bell, decay=0.10)
    second = note(0.40, 1318.5, bell, decay=0.13, start=0.10)
    return mix(0.50, [first, second], fade_out=0.04)


def wrong_sound():
    # Falling major third, A3 -> F3, nearly pure sine with a touch of second
    # harmonic: low and gentle so a mistake is noticed without being scolded.
    soft = [(1.0, 1.0, 1.0), (2.0, 0.18, 1.6), (3.0, 0.04, 2.2)]
    first = note(0.26, 220.0, soft, decay=0.16, attack=0.010,
                 release=0.06)
    second = note(0.38, 174.61, soft, decay=0.20, attack=0.012, start=0.17)
    return mix(0.55, [first, second], fade_out=0.06)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "Sounds")
    os.makedirs(out_dir, exist_ok=True)
    for name, samples in (("right.wav", right_sound()),
                          ("wrong.wav", wrong_sound())):
        path = os.path.join(out_dir, name)
        write_wav(path, samples)
        print(f"wrote {path} ({len(samples) / RATE:.3f} s)")


if __name__ == "__main__":
    main()
