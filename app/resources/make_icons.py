#!/usr/bin/env python3
"""Draws Plotsieve's icons and writes them as XPM (built into the program) and
PNG (installed for the desktop). Run from this folder: python3 make_icons.py"""

import struct
import zlib

# Shapes take a point in unit coordinates (0..1, y down) and tell whether it is inside.


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def polygon(*pts):
    def inside(x, y):
        result = False
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def disk(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r0, r1):
    return lambda x, y: r0 * r0 <= (x - cx) ** 2 + (y - cy) ** 2 <= r1 * r1


def segment(x0, y0, x1, y1, w):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (w / 2) ** 2
    return inside


def outlined(shape_outer, shape_inner, edge, fill):
    return [(shape_outer, edge), (shape_inner, fill)]


WHITE, EDGE, FOLD = "#FFFFFF", "#5A6470", "#C8D0DA"
PLAN, LENS, RIM, HANDLE = "#2F6FC0", "#BFE3FF", "#263238", "#8D5A2B"


def sheet(x0, y0, x1, y1, fold, edge=0.045):
    """A sheet of paper with a folded top-right corner, and a small floor plan on it."""
    outer = polygon((x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1))
    inner = polygon((x0 + edge, y0 + edge), (x1 - fold - edge / 2, y0 + edge),
                    (x1 - edge, y0 + fold + edge / 2), (x1 - edge, y1 - edge), (x0 + edge, y1 - edge))
    corner = polygon((x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold))
    w = x1 - x0
    h = y1 - y0
    px0, py0, px1, py1 = x0 + 0.18 * w, y0 + 0.34 * h, x1 - 0.18 * w, y1 - 0.14 * h
    lw = max(0.05, 0.06 * w)
    plan = [
        (rect(px0, py0, px1, py0 + lw), PLAN), (rect(px0, py1 - lw, px1, py1), PLAN),
        (rect(px0, py0, px0 + lw, py1), PLAN), (rect(px1 - lw, py0, px1, py1), PLAN),
        (rect((px0 + px1) / 2 - lw / 2, py0, (px0 + px1) / 2 + lw / 2, (py0 + py1) / 2), PLAN),
    ]
    return [(outer, EDGE), (inner, WHITE), (corner, FOLD)] + plan


def magnifier(cx, cy, r, width):
    return [
        (segment(cx + r * 0.7, cy + r * 0.7, cx + r * 1.75, cy + r * 1.75, width * 1.5), HANDLE),
        (disk(cx, cy, r + width / 2), RIM),
        (disk(cx, cy, r - width / 2), LENS),
    ]


def band(x0, y0, x1, y1, colour):
    return [(rect(x0, y0, x1, y1), colour)]


DOCUMENT = sheet(0.16, 0.04, 0.84, 0.96, 0.22)
APPLICATION = sheet(0.06, 0.02, 0.74, 0.86, 0.2) + magnifier(0.6, 0.58, 0.2, 0.09)
START = sheet(0.1, 0.06, 0.72, 0.9, 0.18) + magnifier(0.58, 0.56, 0.21, 0.08)


def typed(colour):
    return DOCUMENT + band(0.2, 0.72, 0.8, 0.92, colour)


def render(scene, size, samples=4):
    """Each pixel: list of (colour or None) for its sub-samples, topmost shape wins."""
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            found = []
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) / size
                    y = (py + (sy + 0.5) / samples) / size
                    colour = None
                    for shape, c in reversed(scene):
                        if shape(x, y):
                            colour = c
                            break
                    found.append(colour)
            row.append(found)
        pixels.append(row)
    return pixels


def write_xpm(name, scene, size):
    pixels = render(scene, size)
    chosen = []
    for row in pixels:
        out = []
        for found in row:
            counts = {}
            for c in found:
                counts[c] = counts.get(c, 0) + 1
            out.append(max(counts, key=lambda c: (counts[c], c is not None)))
        chosen.append(out)
    colours = sorted({c for row in chosen for c in row if c is not None})
    keys = ".#abcdefghijklmnopqrstuvwxyz"
    key = {None: " "}
    for i, c in enumerate(colours):
        key[c] = keys[i]
    lines = [f'"{size} {size} {len(key)} 1",', '"  c None",']
    lines += [f'"{key[c]} c {c}",' for c in colours]
    lines += ['"' + "".join(key[c] for c in row) + '",' for row in chosen]
    lines[-1] = lines[-1].rstrip(",")
    var = name.replace("-", "_")
    with open(f"{name}.xpm", "w") as f:
        f.write(f"/* XPM */\nstatic const char* const {var}_xpm[] = {{\n")
        f.write("\n".join(lines) + "};\n")


def write_png(path, scene, size):
    pixels = render(scene, size)
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for found in row:
            solid = [c for c in found if c is not None]
            if not solid:
                raw += bytes(4)
                continue
            rgb = [sum(int(c[1 + 2 * k:3 + 2 * k], 16) for c in solid) // len(solid)
                   for k in range(3)]
            raw += bytes(rgb + [255 * len(solid) // len(found)])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    import os
    write_xpm("plotsieve_32", APPLICATION, 32)
    write_xpm("plotsieve_16", APPLICATION, 16)
    write_xpm("document_32", DOCUMENT, 32)
    write_xpm("document_16", DOCUMENT, 16)
    write_xpm("start_48", START, 48)
    # The type icons are built in too, for a desktop whose MIME database does
    # not know these types yet (a program run from its build folder).
    types = {
        "jwcad": typed("#2E9E48"),
        "vectorworks": typed("#2F6FC0"),
        "dracad": typed("#E07B1F"),
        "sxf": typed("#8E44AD"),
    }
    # The names of the MIME types' icons, each kind's by default; the two SXF
    # forms are two MIME types with the one picture.
    mime_icons = {"sxf": ["sxf-sfc", "sxf-p21"]}
    for kind, scene in types.items():
        write_xpm(f"type_{kind}_32", scene, 32)
        write_xpm(f"type_{kind}_16", scene, 16)
    # The application icon carries the AppStream id, as the .desktop file does.
    installed = {"apps/io.github.plotsieve.Plotsieve": APPLICATION}
    for kind, scene in types.items():
        for name in mime_icons.get(kind, [kind]):
            installed[f"mimetypes/application-x-{name}"] = scene
    for size in (16, 32, 48, 128):
        for name, scene in installed.items():
            folder = f"hicolor/{size}x{size}/{os.path.dirname(name)}"
            os.makedirs(folder, exist_ok=True)
            write_png(f"{folder}/{os.path.basename(name)}.png", scene, size)
