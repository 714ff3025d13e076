#!/usr/bin/env python3
"""Draws the toolbar bitmap and the two application icons from the pixel art below.

The images are committed; run this again only after changing the art:

    python3 app/resources/tools/draw_resources.py

Standard library only, so it runs anywhere without extra packages.
"""

import os
import struct
import sys
import zlib

# The 16-colour palette every glyph and icon is drawn in, in the order 4-bit bitmaps
# store it, with the letter used for each colour in the art.
PALETTE = [
    ("k", (0, 0, 0)),        # black
    ("r", (128, 0, 0)),      # dark red
    ("g", (0, 128, 0)),      # dark green
    ("o", (128, 128, 0)),    # olive
    ("b", (0, 0, 128)),      # navy
    ("p", (128, 0, 128)),    # purple
    ("t", (0, 128, 128)),    # teal
    (".", (192, 192, 192)),  # light grey: toolbar background, becomes the button face
    ("G", (128, 128, 128)),  # grey
    ("R", (255, 0, 0)),      # red
    ("L", (0, 255, 0)),      # lime
    ("Y", (255, 255, 0)),    # yellow
    ("B", (0, 0, 255)),      # blue
    ("M", (255, 0, 255)),    # magenta
    ("C", (0, 255, 255)),    # cyan
    ("W", (255, 255, 255)),  # white
]
INDEX = {letter: i for i, (letter, _) in enumerate(PALETTE)}
TRANSPARENT = " "  # icons only

GLYPH_W, GLYPH_H = 16, 15

# Toolbar glyphs, in bitmap order: Open, Walk around, Show net, White background,
# Zoom in, Zoom out, Home, Auto rotate, then Full shading (its button sits after White
# background; a new glyph goes at the end so the older ones keep their cells).
GLYPHS = [
    [   # an opened yellow folder with a curved arrow above it
        "..........kkk...",
        ".........k...k.k",
        "..............kk",
        ".............kkk",
        ".kkkk...........",
        "kWYYWk..........",
        "kYYYYYkkkkkkk...",
        "kYYYYYYYYYYYk...",
        "kYYYYYYYYYYYk...",
        "kYYYkkkkkkkkkkkk",
        "kYYkWWWWWWWWWWok",
        "kYkYYYYYYYYYYok.",
        "kkYYYYYYYYYYok..",
        "kkkkkkkkkkkkk...",
        "................",
    ],
    [   # a standing man with a hat
        "......kkkk......",
        "......kkkk......",
        "....kkkkkkkk....",
        "......kkkk......",
        "......kkkk......",
        ".......kk.......",
        "....kkkkkkkk....",
        "...kkkkkkkkkk...",
        "...kk.kkkk.kk...",
        "...kk.kkkk.kk...",
        "...kk.kkkk.kk...",
        ".....kkkkkk.....",
        ".....kk..kk.....",
        ".....kk..kk.....",
        "....kkk..kkk....",
    ],
    [   # a square grid of four by four cells
        "................",
        ".kkkkkkkkkkkkk..",
        ".k..k..k..k..k..",
        ".k..k..k..k..k..",
        ".kkkkkkkkkkkkk..",
        ".k..k..k..k..k..",
        ".k..k..k..k..k..",
        ".kkkkkkkkkkkkk..",
        ".k..k..k..k..k..",
        ".k..k..k..k..k..",
        ".kkkkkkkkkkkkk..",
        ".k..k..k..k..k..",
        ".k..k..k..k..k..",
        ".kkkkkkkkkkkkk..",
        "................",
    ],
    [   # a white square with a black frame
        "................",
        ".kkkkkkkkkkkkk..",
        ".kWWWWWWWWWWWk..",
        ".kWWWWWWWWWWWk..",
        ".kWWWWWWWWWWWk..",
        ".kWWWWWWWWWWWk..",
        ".kWWWWWWWWWWWk..",
        ".kWWWWWWWWWWWk..",
        ".kWWWWWWWWWWWk..",
        ".kWWWWWWWWWWWk..",
        ".kWWWWWWWWWWWk..",
        ".kWWWWWWWWWWWk..",
        ".kWWWWWWWWWWWk..",
        ".kkkkkkkkkkkkk..",
        "................",
    ],
    [   # a magnifying glass with a plus sign
        "...kkkkk........",
        "..kWWWWWk.......",
        ".kWWWkWWWk......",
        "kWWWWkWWWWk.....",
        "kWWWWkWWWWk.....",
        "kWkkkkkkkWk.....",
        "kWWWWkWWWWk.....",
        "kWWWWkWWWWk.....",
        ".kWWWkWWWk......",
        "..kWWWWWkk......",
        "...kkkkkkkk.....",
        ".........kkk....",
        "..........kkk...",
        "...........kkk..",
        "............kk..",
    ],
    [   # a magnifying glass with a minus sign
        "...kkkkk........",
        "..kWWWWWk.......",
        ".kWWWWWWWk......",
        "kWWWWWWWWWk.....",
        "kWWWWWWWWWk.....",
        "kWkkkkkkkWk.....",
        "kWWWWWWWWWk.....",
        "kWWWWWWWWWk.....",
        ".kWWWWWWWk......",
        "..kWWWWWkk......",
        "...kkkkkkkk.....",
        ".........kkk....",
        "..........kkk...",
        "...........kkk..",
        "............kk..",
    ],
    [   # a grey house with two yellow windows
        ".......kk.......",
        "......kGGk......",
        ".....kGGGGk.....",
        "....kGGGGGGk....",
        "...kGGGGGGGGk...",
        "..kGGGGGGGGGGk..",
        ".kkkkkkkkkkkkkk.",
        "..kGGGGGGGGGGk..",
        "..kGYYYGGYYYGk..",
        "..kGYYYGGYYYGk..",
        "..kGGGGGGGGGGk..",
        "..kGGGGkkGGGGk..",
        "..kGGGGkkGGGGk..",
        "..kGGGGkkGGGGk..",
        "..kkkkkkkkkkkk..",
    ],
    [   # a broad arrow curving up and to the right
        "..........k.....",
        "..........kk....",
        "..........kkk...",
        "......kkkkkkkk..",
        "....kkkkkkkkkkk.",
        "...kkkkkkkkkkkkk",
        "..kkkkkkkkkkkkk.",
        "..kkkk....kkkk..",
        ".kkkk.....kkk...",
        ".kkk......kk....",
        ".kkk......k.....",
        ".kkk............",
        ".kkk............",
        ".kkk............",
        "................",
    ],
    [   # a ball shaded from a white highlight to navy, for full shading
        "................",
        ".....kkkkk......",
        "...kkCCCCCkk....",
        "..kCWWCCCCBBk...",
        "..kCWWCCCBBBk...",
        ".kCCCCCCBBBBBk..",
        ".kCCCCCBBBBBBk..",
        ".kCCCCBBBBBBbk..",
        ".kCCBBBBBBBbbk..",
        ".kBBBBBBBBbbbk..",
        "..kBBBBBBbbbk...",
        "..kBBBBbbbbbk...",
        "...kkbbbbbkk....",
        ".....kkkkk......",
        "................",
    ],
]

# Icon 128: the space shuttle on its two boosters, as it stands on the pad.
SHUTTLE_32 = [
    "                                ",
    "               kk               ",
    "              kWWk              ",
    "      k      kWWWWk      k      ",
    "     kWk     kWWWWk     kWk     ",
    "     kWk    kWWbbWWk    kWk     ",
    "    kWWWk   kWWbbWWk   kWWWk    ",
    "    kWWWk   kWWWWWWk   kWWWk    ",
    "    kWWWk   kWWWWWWk   kWWWk    ",
    "    kGGGk   kWWWWWWk   kGGGk    ",
    "    kWWWk   kWWWWWWk   kWWWk    ",
    "    kWWWk   kWWWWWWk   kWWWk    ",
    "    kWWWk   kWWWWWWk   kWWWk    ",
    "    kWWWk  kWWWWWWWWk  kWWWk    ",
    "    kWWWk  kWWWWWWWWk  kWWWk    ",
    "    kWWWk kWWWWWWWWWWk kWWWk    ",
    "    kWWWk kWWWWWWWWWWk kWWWk    ",
    "    kWWWkkWWWWWWWWWWWWkkWWWk    ",
    "    kWWWkWWWWWWWWWWWWWWkWWWk    ",
    "    kWWWkWWWWWWWWWWWWWWkWWWk    ",
    "    kWWkWWWWWWWWWWWWWWWWkWWk    ",
    "    kWWkWWWWWWWWWWWWWWWWkWWk    ",
    "    kGGkkkkkkkkkkkkkkkkkkGGk    ",
    "    kWWWk   kGkGkGkk   kWWWk    ",
    "    kGGGk    kkkkkk    kGGGk    ",
    "    kkkkk    YRYRYR    kkkkk    ",
    "     YYY     RYYYYR     YYY     ",
    "    YRRRY     YRRY     YRRRY    ",
    "    RYYYR      RR      RYYYR    ",
    "     RYR               RYYR     ",
    "      R                 RR      ",
    "                                ",
]

SHUTTLE_16 = [
    "       kk       ",
    "      kWWk      ",
    "  k   kWWk   k  ",
    " kWk  kbbk  kWk ",
    " kWk  kWWk  kWk ",
    " GGG  kWWk  GGG ",
    " WWW kWWWWk WWW ",
    " WWW kWWWWk WWW ",
    " WWWkWWWWWWkWWW ",
    " WWkWWWWWWWWkWW ",
    " WWkkkkkkkkkkWW ",
    " GGG  kkkk  GGG ",
    " kkk  YRRY  kkk ",
    " YRY   RR   YRY ",
    "  R          R  ",
    "                ",
]

# Icon 129: a ruled sheet of paper with the red lettering DOC1.
DOC_32 = [
    "                                ",
    "    kkkkkkkkkkkkkkkkkk          ",
    "    kWWWWWWWWWWWWWWWWkk         ",
    "    kWWWWWWWWWWWWWWWWkWk        ",
    "    kWWWWWWWWWWWWWWWWkWWk       ",
    "    kWWWWWWWWWWWWWWWWkWWWk      ",
    "    kWWWWWWWWWWWWWWWWkkkkkk     ",
    "    kWRRWWWRRWWWRRWWWRWWWWk     ",
    "    kWRWRWRWWRWRWWRWRRWWWWk     ",
    "    kWRWRWRWWRWRWWWWWRWWWWk     ",
    "    kWRWRWRWWRWRWWWWWRWWWWk     ",
    "    kWRWRWRWWRWRWWRWWRWWWWk     ",
    "    kWRRWWWRRWWWRRWWRRRWWWk     ",
    "    kWWWWWWWWWWWWWWWWWWWWWk     ",
    "    kWWWWWWWWWWWWWWWWWWWWWk     ",
    "    kWBBBBBBBBBBBBBBBBBBBWk     ",
    "    kWWWWWWWWWWWWWWWWWWWWWk     ",
    "    kWWWWWWWWWWWWWWWWWWWWWk     ",
    "    kWBBBBBBBBBBBBBBBBBBBWk     ",
    "    kWWWWWWWWWWWWWWWWWWWWWk     ",
    "    kWWWWWWWWWWWWWWWWWWWWWk     ",
    "    kWBBBBBBBBBBBBBBBBBBBWk     ",
    "    kWWWWWWWWWWWWWWWWWWWWWk     ",
    "    kWWWWWWWWWWWWWWWWWWWWWk     ",
    "    kWBBBBBBBBBBBBBBBBBBBWk     ",
    "    kWWWWWWWWWWWWWWWWWWWWWk     ",
    "    kWWWWWWWWWWWWWWWWWWWWWk     ",
    "    kWBBBBBBBBBBBBBBBBBBBWk     ",
    "    kWWWWWWWWWWWWWWWWWWWWWk     ",
    "    kWWWWWWWWWWWWWWWWWWWWWk     ",
    "    kkkkkkkkkkkkkkkkkkkkkkk     ",
    "                                ",
]

DOC_16 = [
    "kkkkkkkkkkkk    ",
    "kWWWWWWWWWWkk   ",
    "kWWWWWWWWWWkWk  ",
    "kWWWWWWWWWWkWWk ",
    "kWWWWWWWWWWkkkkk",
    "kRRWWWRWWWRRWWRk",
    "kRWRWRWRWRWWWRRk",
    "kRWRWRWRWRWWWWRk",
    "kRWRWRWRWRWWWWRk",
    "kRRWWWRWWWRRWWRk",
    "kWWWWWWWWWWWWWWk",
    "kWBBBBBBBBBBBBWk",
    "kWWWWWWWWWWWWWWk",
    "kWBBBBBBBBBBBBWk",
    "kWWWWWWWWWWWWWWk",
    "kkkkkkkkkkkkkkkk",
]


def check_art(name, rows, width, height, allowed):
    if len(rows) != height:
        sys.exit(f"{name}: {len(rows)} rows, want {height}")
    for y, row in enumerate(rows):
        if len(row) != width:
            sys.exit(f"{name}: row {y} is {len(row)} wide, want {width}")
        for ch in row:
            if ch not in allowed:
                sys.exit(f"{name}: row {y} has unknown colour {ch!r}")


def toolbar_bmp():
    """The glyphs side by side as a 4-bit bottom-up Windows bitmap."""
    width, height = GLYPH_W * len(GLYPHS), GLYPH_H
    for i, glyph in enumerate(GLYPHS):
        check_art(f"glyph {i + 1}", glyph, GLYPH_W, GLYPH_H, INDEX)
    rows = ["".join(glyph[y] for glyph in GLYPHS) for y in range(height)]

    stride = (width * 4 + 31) // 32 * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, ch in enumerate(row):
            line[x // 2] |= INDEX[ch] << (0 if x % 2 else 4)
        pixels += line
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for _, (r, g, b) in PALETTE)
    offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(pixels), 3780, 3780, 16, 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + palette + bytes(pixels)


def png(rows, size):
    """An RGBA PNG; the blank cells are fully transparent."""
    colours = dict(PALETTE)
    check_art("icon", rows, size, size, set(colours) | {TRANSPARENT})
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for ch in row:
            raw += bytes((0, 0, 0, 0)) if ch == TRANSPARENT else bytes(colours[ch] + (255,))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def main():
    out = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    files = {
        "toolbar.bmp": toolbar_bmp(),
        "tessaron-32.png": png(SHUTTLE_32, 32),
        "tessaron-16.png": png(SHUTTLE_16, 16),
        "document-32.png": png(DOC_32, 32),
        "document-16.png": png(DOC_16, 16),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print(os.path.join(out, name))


if __name__ == "__main__":
    main()
