#!/usr/bin/python3
"""Writes the demo's test signal: a short mono phrase of plucked notes and a click, 16-bit WAV."""
import math
import struct
import sys
import wave

RATE = 44100


def pluck(frequency, seconds, start, samples):
    first = int(start * RATE)
    for i in range(int(seconds * RATE)):
        t = i / RATE
        envelope = math.exp(-6.0 * t) * min(1.0, t * 400.0)
        value = sum(math.sin(2 * math.pi * frequency * k * t) / k for k in (1, 2, 3)) * 0.3 * envelope
        if first + i < len(samples):
            samples[first + i] += value


def main(path):
    samples = [0.0] * int(2.0 * RATE)
    for start, frequency in ((0.0, 220.0), (0.25, 277.18), (0.5, 329.63), (0.75, 440.0)):
        pluck(frequency, 0.5, start, samples)
    click = int(1.5 * RATE)
    samples[click] = 0.9
    samples[click + 1] = -0.5
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", int(max(-1.0, min(1.0, s)) * 32767)) for s in samples))


if __name__ == "__main__":
    main(sys.argv[1])
