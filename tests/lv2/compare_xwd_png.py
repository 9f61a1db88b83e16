"""Whether a window dump (xwd) shows a PNG picture (plughost editor --png) in its top-left corner.

Usage: compare_xwd_png.py SHOWN.xwd EXPECTED.png; exit status 0 when every pixel of the picture
is the same in the window, 1 with the count and the first differing pixel when not. A host may
make the window wider or taller than the editor asked; the rest is not the editor's.
"""
import struct
import sys
import zlib


def xwd_pixels(path):
    data = open(path, "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line, ncolors = fields[7], fields[11], fields[12], fields[19]
    if bits_per_pixel != 32:
        sys.exit(f"{path}: {bits_per_pixel} bits per pixel, only 32 are read")
    start = header_size + 12 * ncolors
    order = "<" if byte_order == 0 else ">"
    rows = []
    for y in range(height):
        line = data[start + y * bytes_per_line:start + y * bytes_per_line + 4 * width]
        rows.append([p & 0xFFFFFF for p in struct.unpack(f"{order}{width}I", line)])
    return width, height, rows


def png_pixels(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG file")
    at, idat = 8, b""
    while at < len(data):
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + size]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + size
    channels = {2: 3, 6: 4}.get(colour)
    if depth != 8 or channels is None or interlace:
        sys.exit(f"{path}: only 8-bit RGB or RGBA pictures without interlacing are read")
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                guess = left + up - corner
                pa, pb, pc = abs(guess - left), abs(guess - up), abs(guess - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 0xFF
        rows.append([line[x] << 16 | line[x + 1] << 8 | line[x + 2] for x in range(0, stride, channels)])
        previous = line
    return width, height, rows


shown, expected = xwd_pixels(sys.argv[1]), png_pixels(sys.argv[2])
if shown[0] < expected[0] or shown[1] < expected[1]:
    sys.exit(f"the window is {shown[0]} x {shown[1]}, smaller than the picture's {expected[0]} x {expected[1]}")
differing = [(x, y) for y in range(expected[1]) for x in range(expected[0]) if shown[2][y][x] != expected[2][y][x]]
if differing:
    x, y = differing[0]
    sys.exit(f"{len(differing)} pixels differ, the first at ({x}, {y}): "
             f"{shown[2][y][x]:06x} shown, {expected[2][y][x]:06x} expected")
