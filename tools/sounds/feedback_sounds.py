"""Makes the feedback sounds laid beside the program (resources/install/Sounds/).

    python3 tools/sounds/feedback_sounds.py [SOUNDS_FOLDER]

Three short sounds for the change sound, each synthesised here from sines and a seeded noise
burst, so they are ours and the same on every run: a dry click, a soft tone and a falling
drop. 16-bit mono PCM at 22,050 Hz, a few kilobytes each. Nothing but the standard library is
needed. Run it after changing a sound and commit the output.
"""
import math
import os
import random
import struct
import sys

RATE = 22050


def envelope(t, attack, decay):
    """A raised-cosine attack of `attack` seconds, then an exponential decay of time constant
    `decay` seconds."""
    if t < attack:
        return 0.5 - 0.5 * math.cos(math.pi * t / attack)
    return math.exp(-(t - attack) / decay)


def click(t, noise):
    # A noise burst for the edge and a short high ring for the body.
    body = math.sin(2 * math.pi * 2400 * t) * envelope(t, 0.0005, 0.004)
    edge = noise * envelope(t, 0.0002, 0.0012)
    return 0.55 * body + 0.35 * edge


def soft_tone(t, _noise):
    # A fifth above A4 with a little of its octave, so it is round but not hollow.
    tone = math.sin(2 * math.pi * 659.25 * t) + 0.18 * math.sin(2 * math.pi * 1318.5 * t)
    return 0.42 * tone * envelope(t, 0.008, 0.045)


def drop(t, _noise):
    # A pitch falling from 1400 to 700 Hz: the phase is the integral of the frequency.
    length = 0.07
    f0, f1 = 1400.0, 700.0
    k = math.log(f1 / f0) / length
    phase = 2 * math.pi * f0 * (math.exp(k * t) - 1) / k
    return 0.5 * math.sin(phase) * envelope(t, 0.002, 0.022)


def render(voice, seconds, seed):
    rng = random.Random(seed)
    samples = []
    n = int(RATE * seconds)
    fade = int(RATE * 0.004)  # the last few milliseconds reach silence exactly: no click at the end
    for i in range(n):
        v = voice(i / RATE, rng.uniform(-1.0, 1.0))
        if i >= n - fade:
            v *= (n - i) / fade
        samples.append(max(-32767, min(32767, round(v * 32767))))
    return samples


def write_wav(path, samples):
    data = struct.pack("<%dh" % len(samples), *samples)
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE * 2, 2, 16)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt)
        f.write(b"data" + struct.pack("<I", len(data)) + data)


SOUNDS = [
    ("Click.wav", click, 0.035, 1),
    ("Soft tone.wav", soft_tone, 0.16, 2),
    ("Drop.wav", drop, 0.09, 3),
]

if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                                             "resources", "install", "Sounds")
    os.makedirs(out, exist_ok=True)
    for name, voice, seconds, seed in SOUNDS:
        write_wav(os.path.join(out, name), render(voice, seconds, seed))
