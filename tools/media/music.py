"""The match music: a suite of about nine minutes, composed by this script.

Sixteen sections move through seven keys and seven tempos. Five themes grow
from seeded two-bar motifs, follow each section's chords, vary from phrase to
phrase and come back later in other keys; every section has its own lead
instrument, drum pattern and bass figure. Voices are read from band-limited
wavetables (sums of harmonics taken from one sine table), noise comes from a
seeded generator, and past the sine table the samples see only exactly
rounded arithmetic (no library maths), so the same bytes come out on every
run. oggenc then encodes the track with a fixed stream serial number.
"""
import math
import os
import random
import subprocess
import tempfile
import wave

import numpy as np

RATE = 22050
PEAK = 0.23  # the loudest sample as a fraction of full scale: effects sit on top
TABLE = 4096
SINE = np.array([math.sin(2 * math.pi * i / TABLE) for i in range(TABLE)])
OGG_QUALITY = "0"
OGG_SERIAL = "1715"

MINOR = (0, 2, 3, 5, 7, 8, 10)
MAJOR = (0, 2, 4, 5, 7, 9, 11)
DORIAN = (0, 2, 3, 5, 7, 9, 10)
PHRYGIAN = (0, 1, 3, 5, 7, 8, 10)


def freq(n):
    """Frequency of MIDI note n."""
    return 440.0 * 2 ** ((n - 69) / 12)


# --- instruments: single-cycle wavetables from harmonic amplitudes ---

def _harmonics(name, k):
    """Amplitude of harmonic k (from 1) in instrument `name`."""
    if name == "square":
        return 1 / k if k % 2 else 0.0
    if name == "pulse":  # a quarter duty cycle
        return math.sin(math.pi * k / 4) / k
    if name == "saw":
        return 1 / k
    if name == "triangle":
        return (1 if k % 4 == 1 else -1) / (k * k) if k % 2 else 0.0
    if name == "organ":
        return {1: 1.0, 2: 0.7, 3: 0.5, 4: 0.35, 6: 0.2, 8: 0.15}.get(k, 0.0)
    if name == "soft":  # the pad and the dull end of the brass
        return 1 / (k * k)
    raise ValueError(name)


_tables = {}


def _table(name, hz):
    """The instrument's cycle with only the harmonics below 9 kHz, so nothing aliases."""
    top = max(1, min(40, int(9000 / hz)))
    key = (name, top)
    if key not in _tables:
        cycle = np.zeros(TABLE)
        index = np.arange(TABLE)
        for k in range(1, top + 1):
            a = _harmonics(name, k)
            if a:
                cycle += a * SINE[(index * k) % TABLE]
        cycle /= np.max(np.abs(cycle))
        _tables[key] = np.append(cycle, cycle[0])
    return _tables[key]


def _read(table, phase):
    """Table lookup with linear interpolation; phase counts table entries."""
    phase = np.mod(phase, TABLE)
    i = phase.astype(np.int64)
    f = phase - i
    return table[i] * (1 - f) + table[i + 1] * f


def _phase(hz, n, vibrato=0.0):
    step = hz * TABLE / RATE
    if not vibrato:
        return np.arange(n) * step
    # A triangle LFO of 5.5 Hz that starts after a tenth of a second.
    t = np.arange(n) / RATE
    lfo = 4 * np.abs(np.mod(t * 5.5, 1.0) - 0.5) - 1
    depth = vibrato * np.clip(t * 10 - 1, 0, 1)
    return np.cumsum(step * (1 + depth * lfo))


def _envelope(n, attack, decay, release=0.01):
    """Linear attack, a geometric fall by `decay` per second, a short release."""
    a = max(1, int(RATE * attack))
    env = np.cumprod(np.full(n, decay ** (1 / RATE)))
    env[:min(a, n)] *= np.arange(min(a, n)) / a
    r = min(n, max(1, int(RATE * release)))
    env[n - r:] *= np.arange(r, 0, -1) / r
    return env


# Each voice: wavetable, attack s, fall per second, vibrato depth, level.
VOICES = {
    "pulse": ("pulse", 0.005, 0.35, 0.004, 0.8),
    "square": ("square", 0.005, 0.4, 0.005, 0.65),
    "saw": ("saw", 0.01, 0.3, 0.004, 0.7),
    "organ": ("organ", 0.02, 0.7, 0.0, 0.7),
    "marimba": ("triangle", 0.002, 0.004, 0.0, 1.0),
    "bass": ("saw", 0.004, 0.08, 0.0, 1.0),
    "subbass": ("triangle", 0.004, 0.3, 0.0, 1.3),
    "pluck": ("square", 0.002, 0.002, 0.0, 0.6),
    "pad": ("soft", 0.25, 0.8, 0.0, 0.6),
}

_notes = {}


def note_samples(voice, midi, n):
    """One note of a voice, n samples long (cached: themes repeat notes)."""
    key = (voice, midi, n)
    if key in _notes:
        return _notes[key]
    hz = freq(midi)
    if voice == "bell":  # three inharmonic partials, the upper ones dying first
        out = np.zeros(n)
        for ratio, level, fall in ((1.0, 1.0, 0.15), (2.76, 0.45, 0.02), (5.4, 0.25, 0.004)):
            out += level * _read(SINE_LOOP, _phase(hz * ratio, n)) * _envelope(n, 0.002, fall)
        out *= 0.8
    elif voice == "brass":  # a bright attack that mellows
        phase = _phase(hz, n, 0.005)
        bright = _envelope(n, 0.03, 0.05)
        out = (_read(_table("saw", hz), phase) * bright + _read(_table("soft", hz), phase) * (1 - bright))
        out *= 0.75 * _envelope(n, 0.03, 0.6)
    elif voice == "pad":  # two voices a few cents apart
        table, attack, fall, _, level = VOICES[voice]
        out = _read(_table("saw", hz), _phase(hz * 1.003, n)) + _read(_table("soft", hz), _phase(hz * 0.997, n))
        out *= 0.5 * level * _envelope(n, attack, fall, release=0.2)
    else:
        table, attack, fall, vibrato, level = VOICES[voice]
        out = level * _read(_table(table, hz), _phase(hz, n, vibrato)) * _envelope(n, attack, fall)
    _notes[key] = out
    return out


SINE_LOOP = np.append(SINE, SINE[0])


# --- drums ---

def _noise(n, seed):
    return np.random.Generator(np.random.PCG64(seed)).uniform(-1.0, 1.0, n)


def _glide(hz0, hz1, n):
    """A sine falling geometrically from hz0 to hz1."""
    ratio = (hz1 / hz0) ** (1 / max(1, n - 1))
    steps = hz0 * TABLE / RATE * np.cumprod(np.full(n, ratio)) / ratio
    return _read(SINE_LOOP, np.cumsum(steps))


def _drums():
    n = lambda s: int(RATE * s)  # noqa: E731
    hiss = _noise(n(1.5), 71)
    bright = hiss - np.append(0.0, hiss[:-1])  # differences: the high end
    dull = (hiss + np.append(0.0, hiss[:-1]) + np.append([0.0, 0.0], hiss[:-2])) / 3
    kick = _glide(140, 42, n(0.3)) * _envelope(n(0.3), 0.001, 0.0005)
    kick[:n(0.004)] += bright[:n(0.004)] * 0.4
    snare = (0.7 * dull[:n(0.2)] + 0.35 * _glide(210, 170, n(0.2))) * _envelope(n(0.2), 0.001, 0.00002)
    return {
        "kick": kick * 1.0,
        "snare": snare * 0.8,
        "hat": bright[:n(0.05)] * _envelope(n(0.05), 0.001, 1e-9) * 0.22,
        "open": bright[n(0.1):n(0.35)] * _envelope(n(0.25), 0.002, 1e-4) * 0.16,
        "crash": (bright + dull)[:n(1.5)] * _envelope(n(1.5), 0.002, 0.05) * 0.22,
        "tom": _glide(190, 110, n(0.25)) * _envelope(n(0.25), 0.001, 0.0005) * 0.7,
    }


DRUM_PATTERNS = {  # 16 steps a bar: kick, snare, closed hat, open hat
    "rock": ("x.....x.x.......", "....x.......x...", "x.x.x.x.x.x.x.x.", "................"),
    "four": ("x...x...x...x...", "....x.......x...", "x.x.x.x.x.x.x.x.", "..x...x...x...x."),
    "half": ("x.........x.....", "........x.......", "x.x.x.x.x.x.x.x.", "................"),
    "drive": ("x..x..x.x..x..x.", "....x.......x..x", "xxxxxxxxxxxxxxxx", "................"),
    "shuffle": ("x.....x...x.....", "....x.......x...", "x..x..x..x..x..x", "................"),
    "hats": ("................", "................", "x.xxx.xxx.xxx.xx", "................"),
    "build": ("x...x...x...x...", "x.x.x.x.xxxxxxxx", "................", "................"),
    "none": ("................",) * 4,
}


# --- harmony and themes ---

class Key:
    def __init__(self, tonic, scale):
        self.tonic, self.scale = tonic, scale

    def degree(self, d):
        """MIDI note of scale degree d (0 = the tonic, 7 = an octave up)."""
        return self.tonic + self.scale[d % 7] + 12 * (d // 7)

    def chord(self, d):
        return [self.degree(d), self.degree(d + 2), self.degree(d + 4)]


def make_theme(seed):
    """A two-bar motif (rhythm and melodic steps), its variant and a cadence."""
    r = random.Random(seed)

    def rhythm():
        steps, t = [], 0
        while t < 32:
            length = r.choice((2, 2, 2, 4, 4, 1, 3, 6) if t % 4 == 0 else (2, 2, 1, 4))
            if r.random() < 0.8 or t == 0:
                steps.append((t, min(length, 32 - t)))
            t += length
        return steps
    first = rhythm()
    return {
        "rhythm": first,
        "variant": rhythm(),
        "moves": [r.choice((-2, -1, -1, 1, 1, 2, 0, 3, -3)) for _ in range(64)],
        "cadence": [(0, 4), (4, 4), (8, 8), (16, 16)],
    }


THEMES = {name: make_theme(seed) for name, seed in (("A", 11), ("B", 23), ("C", 37), ("D", 41), ("E", 53))}


def melody(theme, key, chords, bars, low, high, phrase_shift=0):
    """(step, length, MIDI note) of a lead line over `bars` bars.

    Phrases are eight bars: the motif, the motif again on the next chords, the
    variant, then a cadence. Every second phrase turns the motif's steps
    upside down, and notes on the beat move to the nearest tone of the chord.
    """
    notes = []
    scale = [n for n in range(low, high + 1) if (n - key.tonic) % 12 in key.scale]
    pitch = len(scale) // 2
    for bar in range(bars):
        in_phrase = bar % 8
        phrase = bar // 8 + phrase_shift
        if in_phrase >= 6:
            rhythm = [(t - 16 * (in_phrase - 6), d) for t, d in theme["cadence"] if 16 * (in_phrase - 6) <= t < 16 * (in_phrase - 5)]
        else:
            source = theme["variant"] if in_phrase in (4, 5) else theme["rhythm"]
            half = in_phrase % 2
            rhythm = [(t - 16 * half, d) for t, d in source if 16 * half <= t < 16 * (half + 1)]
        sign = -1 if phrase % 2 else 1
        chord = {c % 12 for c in chords[bar % len(chords)]}
        for k, (t, d) in enumerate(rhythm):
            pitch += sign * theme["moves"][(in_phrase * 8 + k) % 64]
            if pitch < 2 or pitch > len(scale) - 3:  # an octave back towards the middle
                pitch += 7 if pitch < 2 else -7
            pitch = max(0, min(len(scale) - 1, pitch))
            if t % 4 == 0:
                near = [i for i in range(len(scale)) if scale[i] % 12 in chord]
                pitch = min(near, key=lambda i: (abs(i - pitch), i))
            if in_phrase == 7 and k == len(rhythm) - 1:  # end phrases on the tonic
                pitch = min((i for i in range(len(scale)) if (scale[i] - key.tonic) % 12 == 0),
                            key=lambda i: abs(i - pitch))
            notes.append((bar * 16 + t, d, scale[pitch]))
    return notes


# --- the arrangement ---

# name, bars, beats per minute, key, chords (scale degrees, one a bar), lead,
# theme, drums, bass figure, arpeggio, pad
SECTIONS = [
    ("intro", 8, 124, Key(57, MINOR), (0, 5, 2, 6), None, None, "none", "long", "pluck", True),
    ("theme A", 24, 124, Key(57, MINOR), (0, 5, 2, 6), "pulse", "A", "rock", "eighths", None, False),
    ("theme A again", 24, 124, Key(57, MINOR), (0, 3, 5, 4), "brass", "A", "four", "syncopated", "pluck", False),
    ("bridge", 16, 116, Key(60, MAJOR), (0, 4, 5, 3), "bell", "C", "half", "walking", None, True),
    ("breakdown", 8, 116, Key(60, MAJOR), (5, 3, 0, 4), None, None, "hats", "long", "pluck", True),
    ("build", 8, 132, Key(62, MINOR), (0, 0, 5, 6), None, None, "build", "pulse", "pluck", False),
    ("theme B", 24, 132, Key(62, MINOR), (0, 3, 6, 2), "saw", "B", "four", "pulse", None, False),
    ("theme B again", 24, 132, Key(62, DORIAN), (0, 3, 0, 6), "square", "B", "drive", "syncopated", "pluck", False),
    ("interlude", 24, 100, Key(65, MAJOR), (0, 5, 3, 4), "marimba", "D", "shuffle", "walking", None, True),
    ("interlude organ", 8, 100, Key(65, MAJOR), (3, 4, 0, 0), "organ", "D", "half", "walking", None, True),
    ("chase", 24, 148, Key(64, PHRYGIAN), (0, 1, 0, 6), "saw", "E", "drive", "pulse", None, False),
    ("chase up", 24, 148, Key(66, MINOR), (0, 5, 6, 4), "pulse", "E", "four", "pulse", "pluck", False),
    ("calm", 8, 140, Key(59, MINOR), (0, 5, 2, 6), None, None, "hats", "long", "pluck", True),
    ("theme A returns", 24, 140, Key(59, MINOR), (0, 5, 2, 6), "square", "A", "rock", "eighths", None, False),
    ("finale", 24, 140, Key(59, MINOR), (0, 3, 5, 4), "brass", "A", "four", "syncopated", "pluck", True),
    ("outro", 8, 112, Key(59, MINOR), (0, 5, 0, 5), "bell", "A", "none", "long", "pluck", True),
]

LEVELS = {"lead": 1.0, "harmony": 0.5, "bass": 0.22, "arp": 0.3, "pad": 0.35, "drums": 0.6}


def _place(bus, start, samples, gain):
    end = min(len(bus), start + len(samples))
    if end > start:
        bus[start:end] += samples[:end - start] * gain


def _bass_line(figure, chord):
    """(step, length in steps, MIDI note) of one bar's bass."""
    root = chord[0] - 24 if chord[0] - 24 >= 33 else chord[0] - 12
    fifth = root + (chord[2] - chord[0])
    if figure == "long":
        return [(0, 16, root)]
    if figure == "eighths":
        return [(t, 2, root + (12 if t % 4 == 2 else 0)) for t in range(0, 16, 2)]
    if figure == "pulse":
        return [(t, 1, root if t < 12 else fifth) for t in range(16)]
    if figure == "syncopated":
        return [(0, 3, root), (3, 3, root), (6, 2, fifth), (10, 2, root + 12), (12, 4, fifth)]
    if figure == "walking":
        third = root + (chord[1] - chord[0])
        return [(0, 4, root), (4, 4, third), (8, 4, fifth), (12, 4, root + 12)]
    raise ValueError(figure)


def music():
    """The whole track as floats, its loudest sample at PEAK."""
    timeline, seconds = [], 0.0
    for section in SECTIONS:
        step = 60.0 / section[2] / 4
        timeline.append((section, seconds, step))
        seconds += section[1] * 16 * step
    total = int(RATE * (seconds + 2.0))
    # Notes are listed first and mixed one bus at a time, so that only one bus
    # besides the mix is in memory (each is 8 bytes a sample of a 9-minute track).
    placed = []
    kit = _drums()

    def place(bus, start, samples, gain):
        placed.append((bus, start, samples, gain))

    for index, ((name, bars, bpm, key, degrees, lead, theme, drums, bass, arp, pad), start, step) in enumerate(timeline):
        at = lambda s: int(RATE * (start + s * step))  # noqa: E731  sample of step s in the section
        length = lambda d: int(RATE * d * step)  # noqa: E731
        chords = [key.chord(d) for d in degrees]
        following = SECTIONS[index + 1][7] if index + 1 < len(SECTIONS) else "none"
        if drums != "none":
            place("drums", at(0), kit["crash"], 1.0)
        for bar in range(bars):
            chord = chords[bar % len(chords)]
            s0 = bar * 16
            pattern = DRUM_PATTERNS[drums]
            fill = bar == bars - 1 and following not in ("none", "hats") and drums not in ("none", "build")
            for pos in range(16):
                for part, marks in zip(("kick", "snare", "hat", "open"), pattern):
                    if marks[pos] == "x" and not (fill and pos >= 8 and part != "hat"):
                        gain = 0.5 + 0.5 * bar / bars if drums == "build" and part == "snare" else 1.0
                        place("drums", at(s0 + pos), kit[part], gain)
                if fill and pos >= 8:
                    place("drums", at(s0 + pos), kit["tom" if pos < 12 else "snare"], 0.6 + pos / 40)
            for t, d, n in _bass_line(bass, chord):
                place("bass", at(s0 + t), note_samples("bass", n, length(d)), 1.0)
                place("bass", at(s0 + t), note_samples("subbass", n, length(d)), 0.6)
            if pad:
                for n in chord:
                    place("pad", at(s0), note_samples("pad", n, length(16)), 1.0)
            if arp:
                tones = [n + 12 for n in chord] + [chord[0] + 24]
                order = tones + tones[-2:0:-1] if bar % 2 else tones[::-1] + tones[1:-1]
                for pos in range(16):
                    place("arp", at(s0 + pos), note_samples(arp, order[pos % len(order)], length(1.5)), 1.0)
        if lead:
            low = key.tonic + (0 if lead in ("bell", "marimba") else -5)
            line = melody(THEMES[theme], key, chords, bars, low, low + 19, phrase_shift=index)
            for t, d, n in line:
                place("lead", at(t), note_samples(lead, n, length(d)), 1.0)
                if name == "finale":  # a third below in the last section
                    below = [m for m in range(n - 5, n - 2) if (m - key.tonic) % 12 in key.scale][-1]
                    place("harmony", at(t), note_samples("organ", below, length(d)), 1.0)

    out = None
    for name, level in LEVELS.items():
        bus = np.zeros(total)
        for _, start, samples, gain in (p for p in placed if p[0] == name):
            _place(bus, start, samples, gain)
        if name == "lead":
            _echo(bus, int(RATE * 0.33), 0.3)
        bus *= level
        if out is None:
            out = bus
        else:
            out += bus
        del bus
    fade = int(RATE * 6)
    end = int(RATE * seconds)
    out[end - fade:end] *= np.arange(fade, 0, -1) / fade
    out[end:] = 0
    out *= 1.5 / _peak(out)
    _limit(out)
    out *= PEAK
    return out


CHUNK = 1 << 16  # samples: whole-track work is done a piece at a time, in place


def _peak(x):
    return max(np.max(np.abs(x[i:i + CHUNK])) for i in range(0, len(x), CHUNK))


def _limit(x, knee=0.6):
    """Rounds off the few loudest peaks (drum hits on top of long notes) below 1, in place."""
    for i in range(0, len(x), CHUNK):
        part = x[i:i + CHUNK]
        over = np.maximum(np.abs(part) - knee, 0) / (1 - knee)
        part[:] = np.sign(part) * (np.minimum(np.abs(part), knee) + (1 - knee) * over / (1 + over))
    x /= _peak(x)


def _echo(bus, delay, feedback):
    """A feedback echo, worked out one delay's length at a time."""
    for start in range(delay, len(bus), delay):
        end = min(len(bus), start + delay)
        bus[start:end] += feedback * bus[start - delay:end - delay]


def pcm16(samples):
    return np.round(samples * 32767).astype("<i2").tobytes()


def ogg_bytes(samples):
    """The track as Ogg Vorbis, the same bytes every time."""
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "music.wav")
        with wave.open(source, "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(RATE)
            for i in range(0, len(samples), CHUNK):
                w.writeframes(pcm16(samples[i:i + CHUNK]))
        target = os.path.join(work, "music.ogg")
        subprocess.run(["oggenc", "-Q", "-q", OGG_QUALITY, "--serial", OGG_SERIAL, "-o", target, source], check=True)
        with open(target, "rb") as f:
            return f.read()
