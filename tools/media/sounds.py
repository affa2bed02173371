"""Sound effects, synthesised sample by sample.

Everything is 8-bit unsigned mono at 22050 Hz, the format the game opens its
mixer with. Noise comes from a seeded generator, so the files never change.
"""
import math
import struct

from .pixels import rng

RATE = 22050


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def tone(freq0, freq1, seconds, shape="square", duty=0.5):
    """A tone gliding exponentially from freq0 to freq1."""
    n = int(RATE * seconds)
    out = [0.0] * n
    phase = 0.0
    for i in range(n):
        f = freq0 * (freq1 / freq0) ** (i / max(1, n - 1))
        phase = (phase + f / RATE) % 1.0
        if shape == "square":
            out[i] = 1.0 if phase < duty else -1.0
        elif shape == "triangle":
            out[i] = 4 * abs(phase - 0.5) - 1
        elif shape == "saw":
            out[i] = 2 * phase - 1
        else:
            out[i] = math.sin(2 * math.pi * phase)
    return out


def noise(seconds, seed, smooth=1):
    """White noise, or darker noise when each value is held for `smooth` samples."""
    r = rng(seed)
    n = int(RATE * seconds)
    out = [0.0] * n
    v = 0.0
    for i in range(n):
        if i % smooth == 0:
            v = r.uniform(-1, 1)
        out[i] = v
    return out


def lowpass(samples, amount):
    out, v = [], 0.0
    for s in samples:
        v += (s - v) * amount
        out.append(v)
    return out


def envelope(samples, attack=0.005, decay_power=1.0):
    """A short attack, then a fall to silence at the end."""
    n = len(samples)
    a = max(1, int(RATE * attack))
    return [s * (i / a if i < a else (1 - (i - a) / max(1, n - a)) ** decay_power) for i, s in enumerate(samples)]


def mix(*parts):
    n = max(len(p) for p, _ in parts)
    out = [0.0] * n
    for p, gain in parts:
        for i, s in enumerate(p):
            out[i] += s * gain
    return out


def concat(*parts):
    out = []
    for p in parts:
        out.extend(p)
    return out


def normalise(samples, peak):
    top = max(abs(s) for s in samples) or 1.0
    return [s * peak / top for s in samples]


def wav_bytes(samples):
    """An 8-bit unsigned mono WAV file."""
    data = bytes(max(1, min(255, 128 + int(round(s * 127)))) for s in samples)
    header = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE"
    fmt = b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, RATE, RATE, 1, 8)
    return header + fmt + b"data" + struct.pack("<I", len(data)) + data


def note(n):
    """Frequency of MIDI note n."""
    return 440.0 * 2 ** ((n - 69) / 12)


# --- the sixteen effects, in sound slot order ---

def kill():
    return concat(*[envelope(tone(note(n), note(n), 0.09, duty=0.25), decay_power=0.5) for n in (72, 76, 79)],
                  envelope(tone(note(84), note(84), 0.3, duty=0.25), decay_power=1.5))


def swing():
    return envelope(lowpass(noise(0.22, 1), 0.35), attack=0.08, decay_power=2)


def explosion():
    rumble = lowpass(noise(1.1, 2, smooth=6), 0.3)
    crack = envelope(noise(0.12, 3), attack=0.001)
    return envelope(mix((rumble, 1.0), (crack, 0.7), (tone(90, 30, 1.1, "sine"), 0.6)), attack=0.002, decay_power=2.5)


def start():
    return concat(*[envelope(mix((tone(note(n), note(n), d, duty=0.5), 0.6), (tone(note(n - 12), note(n - 12), d, "triangle"), 0.5)),
                             decay_power=0.7) for n, d in ((67, 0.14), (67, 0.14), (72, 0.5))])


def grenade_throw():
    return envelope(mix((tone(300, 900, 0.25, "triangle"), 0.6), (lowpass(noise(0.25, 4), 0.2), 0.5)), attack=0.02)


def jump_pad():
    return envelope(tone(120, 720, 0.35, "square", 0.3), attack=0.003, decay_power=1.2)


def bomb_drop():
    return envelope(mix((tone(160, 60, 0.2, "sine"), 1.0), (lowpass(noise(0.2, 5), 0.15), 0.4)), attack=0.001, decay_power=2)


def death_burst():
    squelch = lowpass(noise(0.5, 6, smooth=3), 0.25)
    return envelope(mix((squelch, 0.8), (tone(400, 70, 0.5, "saw"), 0.5)), attack=0.002, decay_power=1.5)


def melee_hit():
    return envelope(mix((tone(180, 70, 0.15, "sine"), 1.0), (noise(0.05, 7), 0.6)), attack=0.001, decay_power=2)


def knife_throw():
    return envelope(lowpass(noise(0.15, 8), 0.6), attack=0.03, decay_power=2)


def knife_hit():
    ring = mix((tone(2100, 2000, 0.25, "sine"), 0.6), (tone(3150, 3100, 0.25, "sine"), 0.3))
    return envelope(mix((ring, 1.0), (noise(0.02, 9), 0.5)), attack=0.001, decay_power=3)


def health_pickup():
    return concat(*[envelope(tone(note(n), note(n), 0.07, "triangle"), decay_power=0.6) for n in (72, 76, 79, 84, 88)])


def lift_turn():
    clank = envelope(mix((tone(220, 180, 0.12, "square", 0.2), 0.5), (noise(0.12, 10, smooth=2), 0.6)), attack=0.001, decay_power=2)
    return concat(clank, silence(0.04), envelope(tone(110, 90, 0.15, "square", 0.3), decay_power=2))


def hazard():
    fizz = noise(0.3, 11)
    return envelope([s * (0.6 + 0.4 * math.sin(i / 90)) for i, s in enumerate(fizz)], attack=0.01, decay_power=1)


def bomb_kick():
    return envelope(mix((tone(320, 140, 0.12, "triangle"), 1.0), (noise(0.03, 12), 0.4)), attack=0.001, decay_power=2)


def item_pickup():
    return concat(envelope(tone(note(81), note(81), 0.07, duty=0.25), decay_power=0.4),
                  envelope(tone(note(88), note(88), 0.14, duty=0.25), decay_power=1.2))


# Name, maker and loudest sample. The match music peaks at about 0.27 and
# plays under all of these; a kill starts the kill chime, the burst and the
# blow, knife or blast that did it in the same frame, so those stay lowest:
# music and the loudest kill together still stay below full scale.
EFFECTS = [
    ("kill", kill, 0.2), ("swing", swing, 0.55), ("explosion", explosion, 0.4), ("start", start, 0.45),
    ("grenade", grenade_throw, 0.5), ("jumppad", jump_pad, 0.3), ("bombdrop", bomb_drop, 0.5),
    ("burst", death_burst, 0.25), ("hit", melee_hit, 0.38), ("knife", knife_throw, 0.5),
    ("knifehit", knife_hit, 0.35), ("health", health_pickup, 0.4), ("lift", lift_turn, 0.4),
    ("hazard", hazard, 0.45), ("kick", bomb_kick, 0.5), ("pickup", item_pickup, 0.35),
]
