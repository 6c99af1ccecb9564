#!/usr/bin/env python3
"""Draws the program's icon and writes every file the build uses.

The picture: a falling curve crossing the x axis, and a secant through two of its points that
meets the axis close to the root. It is described once, as shapes in a unit square, and
rasterised for each size with 8 x 8 samples per pixel:

  shell/icons/secant-root.ico   the Windows icon group: 32x32 with 16 colours, 16x16 with 16
                                colours and 32x32 monochrome, as uncompressed BMP entries
  shell/icons/hicolor/NxN/apps/secant-root.png
                                anti-aliased RGBA images for the desktop's hicolor icon theme

Uses only the Python standard library. The generated files are committed; the build only reads
them. Run from anywhere: python3 scripts/make-icons.py
"""

import math
import pathlib
import struct
import zlib

ROOT = pathlib.Path(__file__).resolve().parent.parent
ICON_DIR = ROOT / "shell" / "icons"
HICOLOR_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
SAMPLES = 8

# The 16 colours of the standard Windows palette, in its order.
PALETTE_16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, GREY, RED, BLUE, WHITE = 0, 4, 8, 9, 12, 15

# The function drawn, in plot coordinates: u runs 0..1 left to right, v is the value. It is
# strongly convex, so that the secant stands clearly apart from the curve between its points.
AXIS_Y = 0.70      # where v = 0 lies in the unit square (y grows downwards)
V_SCALE = 0.80     # unit-square height of one unit of v
def f(u):
    return 0.95 * math.exp(-3.2 * u) - 0.2

SECANT_U = (0.10, 0.90)  # the two points the secant passes through


def to_square(u, v):
    return 0.13 + 0.74 * u, AXIS_Y - V_SCALE * v


def curve_points():
    return [to_square(i / 64, f(i / 64)) for i in range(65)]


def secant_ends():
    (x1, y1), (x2, y2) = (to_square(u, f(u)) for u in SECANT_U)
    # Extended past both points so that its crossing with the axis shows.
    t0, t1 = -0.12, 1.12
    return ((x1 + t0 * (x2 - x1), y1 + t0 * (y2 - y1)), (x1 + t1 * (x2 - x1), y1 + t1 * (y2 - y1)))


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def polyline_distance(px, py, points):
    return min(segment_distance(px, py, *a, *b) for a, b in zip(points, points[1:]))


def rounded_square(px, py, inset, radius):
    """Signed distance to a square with rounded corners, `inset` in from the unit square."""
    half = 0.5 - inset - radius
    qx, qy = abs(px - 0.5) - half, abs(py - 0.5) - half
    return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - radius


def layers(size):
    """The picture's shapes from bottom to top: (name, signed distance (negative inside),
    colour index, RGB). Intersections take the larger distance, which never overstates how far
    a point is from the shape.

    Stroke widths are given in pixels with a floor, so that the small images keep solid
    one-pixel lines while the large ones scale.
    """
    px = 1.0 / size
    def width(fraction, minimum):
        return max(fraction, minimum * px)

    # The frame is aligned to whole pixels so that it stays crisp at every size.
    margin = round(0.03 * size) * px
    border = max(1, round(0.035 * size)) * px
    radius = 0.16
    curve = curve_points()
    secant = secant_ends()
    points = [to_square(u, f(u)) for u in SECANT_U]
    axis_w, curve_w, secant_w, dot_r = width(0.03, 1.0), width(0.075, 1.6), width(0.05, 1.0), \
        width(0.055, 1.1)

    def face(x, y):
        return rounded_square(x, y, margin + border, radius - border)

    return [
        ("border", lambda x, y: rounded_square(x, y, margin, radius), NAVY, (40, 60, 110)),
        ("face", face, WHITE, (252, 252, 250)),
        ("axis", lambda x, y: max(abs(y - AXIS_Y) - axis_w / 2, abs(x - 0.5) - 0.42, face(x, y)),
         GREY, (120, 120, 120)),
        ("curve", lambda x, y: max(polyline_distance(x, y, curve) - curve_w / 2, face(x, y)),
         BLUE, (30, 90, 220)),
        ("secant", lambda x, y: max(segment_distance(x, y, *secant[0], *secant[1]) - secant_w / 2,
                                    face(x, y)), RED, (220, 40, 40)),
        ("points", lambda x, y: min(math.hypot(x - a, y - b) for a, b in points) - dot_r,
         BLACK, (20, 20, 20)),
    ]


def coverage(size):
    """For every pixel, the fraction of it inside each layer. Only pixels that a shape's edge
    may cross are sampled; the others are wholly inside or outside."""
    shapes = layers(size)
    reach = 0.75 / size  # a little more than half a pixel's diagonal
    result = []
    for row in range(size):
        line = []
        for col in range(size):
            cx, cy = (col + 0.5) / size, (row + 0.5) / size
            fractions = []
            for _, distance, _, _ in shapes:
                d = distance(cx, cy)
                if d > reach:
                    fractions.append(0.0)
                elif d < -reach:
                    fractions.append(1.0)
                else:
                    inside = sum(
                        distance((col + (sx + 0.5) / SAMPLES) / size,
                                 (row + (sy + 0.5) / SAMPLES) / size) <= 0
                        for sy in range(SAMPLES) for sx in range(SAMPLES))
                    fractions.append(inside / (SAMPLES * SAMPLES))
            line.append(fractions)
        result.append(line)
    return shapes, result


def rgba_image(size):
    shapes, cover = coverage(size)
    pixels = []
    for row in cover:
        line = []
        for fractions in row:
            r = g = b = a = 0.0
            for (_, _, _, rgb), alpha in zip(shapes, fractions):
                # "over" compositing in premultiplied form
                r = rgb[0] * alpha + r * (1 - alpha)
                g = rgb[1] * alpha + g * (1 - alpha)
                b = rgb[2] * alpha + b * (1 - alpha)
                a = alpha + a * (1 - alpha)
            if a > 0:
                line.append((round(r / a), round(g / a), round(b / a), round(a * 255)))
            else:
                line.append((0, 0, 0, 0))
        pixels.append(line)
    return pixels


def indexed_image(size, monochrome):
    """Palette indices (None where transparent): each pixel takes the topmost shape that covers
    at least 40 % of it, so thin strokes stay visible without anti-aliasing."""
    shapes, cover = coverage(size)
    pixels = []
    for row in cover:
        line = []
        for fractions in row:
            index = None
            for (name, _, colour, _), fraction in zip(shapes, fractions):
                if fraction >= (0.5 if name in ("border", "face") else 0.4):
                    index = colour
            if monochrome and index is not None:
                index = 1 if index == WHITE else 0
            line.append(index)
        pixels.append(line)
    return pixels


def write_png(path, pixels):
    size = len(pixels)
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(
            ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) \
        + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(png)


def packed_rows(values, bits):
    """Bottom-up rows of `bits`-per-pixel values, each padded to a multiple of four bytes."""
    rows = []
    for row in reversed(values):
        acc, nbits, out = 0, 0, bytearray()
        for value in row:
            acc = (acc << bits) | value
            nbits += bits
            if nbits == 8:
                out.append(acc)
                acc, nbits = 0, 0
        if nbits:
            out.append(acc << (8 - nbits))
        while len(out) % 4:
            out.append(0)
        rows.append(bytes(out))
    return b"".join(rows)


def bmp_entry(pixels, bits, palette):
    size = len(pixels)
    colours = packed_rows([[0 if p is None else p for p in row] for row in pixels], bits)
    mask = packed_rows([[1 if p is None else 0 for p in row] for row in pixels], 1)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, len(colours) + len(mask),
                         0, 0, len(palette), 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + table + colours + mask


def write_ico(path, images):
    """images: (size, bits per pixel, palette, pixels), written in that order."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries, data = b"", b""
    for size, bits, palette, pixels in images:
        entry = bmp_entry(pixels, bits, palette)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, len(palette) % 256, 0, 1, bits,
                               len(entry), offset + len(data))
        data += entry
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(directory + entries + data)


def main():
    mono_palette = [(0, 0, 0), (255, 255, 255)]
    write_ico(ICON_DIR / "secant-root.ico", [
        (32, 4, PALETTE_16, indexed_image(32, monochrome=False)),
        (16, 4, PALETTE_16, indexed_image(16, monochrome=False)),
        (32, 1, mono_palette, indexed_image(32, monochrome=True)),
    ])
    for size in HICOLOR_SIZES:
        write_png(ICON_DIR / "hicolor" / f"{size}x{size}" / "apps" / "secant-root.png",
                  rgba_image(size))


if __name__ == "__main__":
    main()
