#!/usr/bin/python3
"""Writes Vorlane's example presets as state chunks, the bytes a host saves for the plug-in.

Usage: tools/make_vorlane_chunks.py [DIRECTORY]     (default: examples/vorlane)

Each preset becomes DIRECTORY/NAME.chunk, loadable with
    build/bin/plughost process build/bin/Vorlane.so IN.wav OUT.wav --load-chunk FILE

Chunk layout (little-endian, packed): the 13 bytes "Vorlane v1.0" and a zero; n, a 32-bit
signed count of curve points (2..50); n pairs of 32-bit floats x, y; then the seven 32-bit
float values of parameters 1..7 (PreGain, PreFilter, PostGain, PostFilter, PreSwitch,
PostSwitch, DryWet). A point's x is the input level, its y runs downwards (y = 0 is full
output); two or three points make a Bezier curve, four or more a cubic B-spline. Gains are
2 x value (0.5 is unity), filter values are normalised cutoffs (100 Hz at 0 up to about
0.4 x sample rate at 1), a switch value of 0 is low-pass and anything else high-pass, and
DryWet is the dry share (0 is fully processed).
"""
import os
import struct
import sys

HEADER = b"Vorlane v1.0\0"

PRESETS = {
    # Rises steeply, then bends over towards a ceiling just under full scale.
    "soft-clip": {
        "points": [(0.0, 1.0), (0.3, 0.35), (0.6, 0.12), (1.0, 0.08)],
        "values": [0.75, 0.97, 0.5, 0.85, 0.0, 0.0, 0.0],
    },
    # Goes up and folds back down twice: loud inputs come out quieter and brighter.
    "hard-fold": {
        "points": [(0.0, 1.0), (0.2, 0.0), (0.4, 0.0), (0.55, 1.0), (0.7, 1.0), (0.85, 0.0), (1.0, 0.3)],
        "values": [0.9, 0.99, 0.45, 0.7, 0.0, 0.0, 0.1],
    },
    # A gentle quadratic Bezier between high-pass before and low-pass after: the filters tilt
    # the wave so that its two halves saturate differently.
    "tilted-warmth": {
        "points": [(0.0, 1.0), (0.25, 0.15), (1.0, 0.0)],
        "values": [0.85, 0.35, 0.55, 0.6, 1.0, 0.0, 0.25],
    },
}


def chunk(points, values):
    data = bytearray(HEADER)
    data += struct.pack("<i", len(points))
    for x, y in points:
        data += struct.pack("<ff", x, y)
    data += struct.pack("<7f", *values)
    return bytes(data)


def main():
    directory = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "examples", "vorlane")
    try:
        os.makedirs(directory, exist_ok=True)
        for name, preset in PRESETS.items():
            assert 2 <= len(preset["points"]) <= 50 and len(preset["values"]) == 7
            path = os.path.join(directory, name + ".chunk")
            with open(path, "wb") as out:
                out.write(chunk(preset["points"], preset["values"]))
            print(path)
    except OSError as error:
        sys.exit(f"make_vorlane_chunks.py: cannot write the presets: {error}")


if __name__ == "__main__":
    main()
