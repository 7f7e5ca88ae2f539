#!/usr/bin/env python3
"""Writes the program's default sound files into resources/sound/.

The race plays these from sound/ under its working directory: four beeps for
the red lights, a higher tone for green, a blip per lap, a chirp for a new
best lap and a short fanfare at the finish. Every sound has a soft attack and
release so that it does not click, and all are 16-bit mono PCM at 22050 Hz.

Run from anywhere: python3 scripts/make_sounds.py
"""

import math
import os
import struct
import wave

RATE = 22050
PEAK = 0.55  # of full scale: loud enough over a track, never clipping


def tone(freq, ms, attack_ms=8, release_ms=30, harmonics=(1.0, 0.25, 0.08)):
    """One note: a sine with a few soft overtones and a raised-cosine envelope."""
    n = int(RATE * ms / 1000)
    attack = max(1, int(RATE * attack_ms / 1000))
    release = max(1, int(RATE * release_ms / 1000))
    norm = sum(harmonics)
    out = []
    for i in range(n):
        t = i / RATE
        v = sum(a * math.sin(2 * math.pi * freq * (k + 1) * t) for k, a in enumerate(harmonics)) / norm
        if i < attack:
            v *= 0.5 - 0.5 * math.cos(math.pi * i / attack)
        if i >= n - release:
            v *= 0.5 - 0.5 * math.cos(math.pi * (n - i) / release)
        out.append(v)
    return out


def silence(ms):
    return [0.0] * int(RATE * ms / 1000)


def blip(ms=40):
    """A very short, soft blip: a falling pitch with a quick decay."""
    n = int(RATE * ms / 1000)
    out = []
    phase = 0.0
    for i in range(n):
        frac = i / n
        freq = 2200 - 900 * frac
        phase += 2 * math.pi * freq / RATE
        env = math.exp(-5 * frac) * min(1.0, i / (RATE * 0.002), (n - i) / (RATE * 0.005))
        out.append(0.7 * env * math.sin(phase))
    return out


def write(path, samples):
    frames = b"".join(struct.pack("<h", int(round(max(-1.0, min(1.0, s)) * PEAK * 32767))) for s in samples)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out_dir = os.path.join(root, "resources", "sound")
    os.makedirs(out_dir, exist_ok=True)

    sounds = {
        "Light1.wav": tone(880, 150),
        "Light2.wav": tone(880, 150),
        "Light3.wav": tone(880, 150),
        "Light4.wav": tone(880, 150),
        "Start.wav": tone(1320, 400, release_ms=120),
        "Lap.wav": blip(40),
        "FasterLap.wav": tone(1047, 70, release_ms=20) + silence(15) + tone(1568, 110, release_ms=50),
        # C5, E5 and a held G5: short enough not to talk over the next heat.
        "Finish.wav": tone(523, 110, release_ms=25) + silence(20)
        + tone(659, 110, release_ms=25) + silence(20)
        + tone(784, 320, release_ms=140),
    }
    for name, samples in sounds.items():
        path = os.path.join(out_dir, name)
        write(path, samples)
        print(f"{path}: {len(samples) * 1000 // RATE} ms")


if __name__ == "__main__":
    main()
