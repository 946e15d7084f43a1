#!/usr/bin/env python3
"""Draws picture 141, the background of the about box and the splash window:
a survey vessel on the sea, acoustic beams going down to a transponder on the
seabed. 350 x 350 pixels, written as a PNG with nothing but zlib and struct.

The upper two thirds are a pale sky, because the product name, version and
licence texts are drawn over it in dark blue; the seabed at the bottom is
dark, because the yellow web link sits on it.

    python3 resources/make_splash_art.py resources/picture-141.png
"""
import math
import struct
import sys
import zlib

SIZE = 350
SAMPLES = 3  # samples per pixel along each axis, for smooth edges

SURFACE = 236.0
SEABED = 318.0
VESSEL_X = 245.0
TRANSPONDER = (62.0, 326.0)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def surface_at(x):
    return SURFACE + 1.6 * math.sin(x / 9.0) + 0.8 * math.sin(x / 3.7 + 1.0)


def seabed_at(x):
    return SEABED + 5.0 * math.sin(x / 41.0) + 2.0 * math.sin(x / 13.0 + 2.0)


def in_hull(x, y):
    # A low hull with a raked bow to the right, sitting in the water.
    deck, keel = SURFACE - 9.0, SURFACE + 6.0
    if not (deck <= y <= keel):
        return False
    depth = (y - deck) / (keel - deck)
    stern = VESSEL_X - 52.0 + 6.0 * depth
    bow = VESSEL_X + 58.0 - 18.0 * depth
    return stern <= x <= bow


def in_superstructure(x, y):
    bridge = VESSEL_X - 30.0 <= x <= VESSEL_X + 14.0 and SURFACE - 25.0 <= y <= SURFACE - 9.0
    wheelhouse = VESSEL_X - 20.0 <= x <= VESSEL_X + 8.0 and SURFACE - 35.0 <= y <= SURFACE - 25.0
    mast = VESSEL_X - 7.0 <= x <= VESSEL_X - 5.0 and SURFACE - 46.0 <= y <= SURFACE - 35.0
    return bridge or wheelhouse or mast


def in_window(x, y):
    if not (SURFACE - 31.0 <= y <= SURFACE - 28.0):
        return False
    return any(x0 <= x <= x0 + 4.0 for x0 in (VESSEL_X - 17.0, VESSEL_X - 10.0, VESSEL_X - 3.0))


def beam_strength(x, y):
    """Rings of sound spreading down from the hull, stronger along the line
    to the transponder."""
    hx, hy = VESSEL_X - 6.0, SURFACE + 6.0
    dx, dy = x - hx, y - hy
    if dy <= 0:
        return 0.0
    r = math.hypot(dx, dy)
    tx, ty = TRANSPONDER[0] - hx, TRANSPONDER[1] - hy
    cos_angle = (dx * tx + dy * ty) / (r * math.hypot(tx, ty))
    cone = max(0.0, (cos_angle - 0.93) / 0.07)
    ring = max(0.0, math.cos(r / 4.0 * math.pi)) ** 6
    return cone * ring * 0.8


def in_transponder(x, y):
    tx, ty = TRANSPONDER
    body = abs(x - tx) <= 4.0 and ty - 16.0 <= y <= ty
    cap = math.hypot(x - tx, y - (ty - 16.0)) <= 4.0
    legs = ty - 2.0 <= y <= ty + 2.0 and abs(x - tx) <= 9.0
    return body or cap or legs


def transponder_pings(x, y):
    tx, ty = TRANSPONDER[0], TRANSPONDER[1] - 18.0
    r = math.hypot(x - tx, y - ty)
    if y > ty or r < 8.0 or r > 30.0:
        return 0.0
    return max(0.0, math.cos((r - 8.0) / 7.0 * math.pi)) ** 8 * (1.0 - (r - 8.0) / 22.0)


def colour(x, y):
    if in_window(x, y):
        return (40, 60, 90)
    if in_superstructure(x, y):
        return (245, 245, 240)
    if in_hull(x, y):
        return (200, 60, 40) if y > SURFACE - 1.0 else (230, 110, 40)
    if in_transponder(x, y):
        return (250, 200, 40)
    surface = surface_at(x)
    if y < surface:
        sky = mix((196, 222, 246), (238, 246, 252), y / SURFACE)
        sun = math.hypot(x - 300.0, y - 40.0)
        return mix((255, 250, 225), sky, sun / 38.0) if sun < 38.0 else sky
    seabed = seabed_at(x)
    if y >= seabed:
        grain = 6.0 * math.sin(x * 1.7 + y * 2.3) * math.sin(x * 0.37 - y * 1.1)
        base = mix((92, 74, 50), (52, 40, 28), (y - seabed) / 25.0)
        return tuple(c + grain for c in base)
    water = mix((40, 120, 175), (8, 40, 88), (y - surface) / (SEABED - SURFACE))
    if y - surface < 1.5:
        water = (225, 240, 250)
    glow = max(beam_strength(x, y), transponder_pings(x, y))
    return mix(water, (150, 235, 255), glow)


def render():
    rows = []
    for py in range(SIZE):
        row = bytearray([0])  # filter type: none
        for px in range(SIZE):
            acc = [0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
                    for i in range(3):
                        acc[i] += c[i]
            row += bytes(max(0, min(255, int(v / (SAMPLES * SAMPLES) + 0.5))) for v in acc)
        rows.append(bytes(row))
    return b"".join(rows)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, pixels):
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 2, 0, 0, 0)  # 8-bit RGB
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", header))
        out.write(chunk(b"IDAT", zlib.compress(pixels, 9)))
        out.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    write_png(sys.argv[1] if len(sys.argv) > 1 else "picture-141.png", render())
