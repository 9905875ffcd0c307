#!/usr/bin/env python3
"""Writes the toolbar and menu images (icons/NN-name.svg) and the hand cursor (cursors/hand.svg).

The pictures are drawn here as pixel maps, one character per pixel, and written as SVG paths made
of whole-pixel rectangles: at their own size (16 by 16, 32 by 32) every edge falls on the pixel
grid, so they render crisp, and larger sizes stay sharp. Edit a map, run this script from any
folder, and look at the result at its real size before committing.
"""

import os
import struct
import sys
import zlib

# One character per colour; "." is transparent.
PALETTE = {
    "k": "#000000",  # black
    "d": "#404040",  # outline grey
    "g": "#808080",  # grey
    "s": "#c0c0c0",  # silver
    "l": "#e0e0e0",  # light grey
    "w": "#ffffff",  # white
    "y": "#ffff00",  # yellow
    "o": "#d09000",  # dark gold
    "z": "#f0c020",  # folder yellow
    "f": "#fff09a",  # pale yellow
    "r": "#ff0000",  # red
    "m": "#a00000",  # dark red
    "b": "#0000ff",  # blue
    "n": "#000080",  # navy
    "e": "#5080ff",  # light blue
    "v": "#2850b0",  # disk blue
    "p": "#905020",  # brown
    "q": "#d0a060",  # light brown
    "G": "#00c000",  # green lamp
    "c": "#40c0e0",  # lens glint
}

ICONS = {}

ICONS["00-new"] = [
    "............o...",
    "..........o.y.o.",
    "...........yyy..",
    "ddddddd..oyywyyo",
    "dwwwwwdd...yyy..",
    "dwwwwwdwd.o.y.o.",
    "dwwwwwdddd..o...",
    "dwwwwwwwwd......",
    "dwwwwwwwwd......",
    "dwwwwwwwwd......",
    "dwwwwwwwwd......",
    "dwwwwwwwwd......",
    "dwwwwwwwwd......",
    "dwwwwwwwwd......",
    "dwwwwwwwwd......",
    "dddddddddd......",
]

ICONS["01-open"] = [
    "............o...",
    "..........o.y.o.",
    "...........yyy..",
    "ddddddd..oyywyyo",
    "dwwwwwdd...yyy..",
    "dwnnnwdwd.o.y.o.",
    "dwwwwwdddd..o...",
    "dwnnnnnnwd......",
    "dwwwwwwwwd......",
    "dwnnnnnwwd......",
    "dwwwwwwwwd......",
    "dwnnnnnnwd......",
    "dwwwwwwwwd......",
    "dwnnnnwwwd......",
    "dwwwwwwwwd......",
    "dddddddddd......",
]

ICONS["02-save"] = [
    "................",
    ".kkkkkkkkkkkkkk.",
    ".kvwwwwwwwwwwvk.",
    ".kvwwwwwwwwwwvk.",
    ".kvwggggggggwvk.",
    ".kvwwwwwwwwwwvk.",
    ".kvwggggggggwvk.",
    ".kvwwwwwwwwwwvk.",
    ".kvvvvvvvvvvvvk.",
    ".kvvvvvvvvvvvvk.",
    ".kvvssssssssvvk.",
    ".kvvsskkssssvvk.",
    ".kvvsskkssssvvk.",
    ".kvvsskkssssvvk.",
    ".kkkkkkkkkkkkkk.",
    "................",
]

ICONS["03-saveas"] = [
    "dddddd..........",
    "dwwwwd.rrrrr....",
    "dwnnwd.rrrrr....",
    "dwwwwd....rr....",
    "dwnnwd.rrrrrr...",
    "dwwwwd..rrrr....",
    "dwnnwd...rr.....",
    "dwwwwdkkkkkkkkkk",
    "dwnnwdkvwwwwwwvk",
    "ddddddkvwggggwvk",
    "......kvwwwwwwvk",
    "......kvvvvvvvvk",
    "......kvvssssvvk",
    "......kvvskssvvk",
    "......kvvskssvvk",
    "......kkkkkkkkkk",
]

ICONS["04-exit"] = [
    "................",
    "...dddddddddd...",
    "...dmmmmmmmmd...",
    "...dmrrrrrrmd...",
    "...dmrmmmmrmd...",
    "...dmrmrrmrmd...",
    "...dmrmrrmrmd...",
    "...dmrmmmmrmd...",
    "...dmrrrrryymd..",
    "...dmrmmmmyymd..",
    "...dmrmrrmrmd...",
    "...dmrmrrmrmd...",
    "...dmrmmmmrmd...",
    "...dmrrrrrrmd...",
    "...dmmmmmmmmd...",
    ".dddddddddddddd.",
]

ICONS["05-print"] = [
    "................",
    "....dddddddd....",
    "....dwwwwwwd....",
    "....dwnnnnwd....",
    "....dwwwwwwd....",
    "....dwnnnwwd....",
    "..ddddddddddddd.",
    ".dlllllllllllld.",
    ".dssssssssssssd.",
    ".dssssssssssGGd.",
    ".dggggggggggggd.",
    ".dddddddddddddd.",
    "..dwwwwwwwwwwd..",
    "..dwwwwwwwwwwd..",
    "..dddddddddddd..",
    "................",
]

ICONS["06-copy"] = [
    "ddddddd.........",
    "dwwwwwd.........",
    "dwnnnwd.........",
    "dwwwwwd.........",
    "dwnnnwd.........",
    "dwwwwwd.........",
    "dwnnwwd..ddddddd",
    "dwwwwwd..dwwwwwd",
    "dwnnnwd..dwnnnwd",
    "ddddddd..dwwwwwd",
    "..rr.....dwnnnwd",
    "..rr..r..dwwwwwd",
    "..rrrrrr.dwnnnwd",
    "..rrrrrrrdwwwwwd",
    "......rr.dwnnwwd",
    "......r..ddddddd",
]

ICONS["07-cut"] = [
    ".n.....n........",
    ".n.....n..dddddd",
    ".nn...nn..dwwwwd",
    "..n...n...dwnnwd",
    "..nn.nn...dwwwwd",
    "...n.n....dwnnwd",
    "...nnn....dwwwwd",
    "....n.....dwnnwd",
    "...n.n....dwwwwd",
    ".bbb.bbb..dwnnwd",
    "b...b...b.dwwwwd",
    "b...b...b.dwnnwd",
    "b...b...b.dwwwwd",
    ".bbb.bbb..dddddd",
    "................",
    "................",
]

ICONS["08-paste"] = [
    "...dddd.....rr..",
    ".ppdssdpp...rr..",
    "pqqddddqqp..rr..",
    "pqwwwwwwqp.rrrr.",
    "pqwnnnnwqp..rr..",
    "pqwwwwwwqp......",
    "pqwnnnnwqp......",
    "pqwwwwwdddddddd.",
    "pqwnnnndwwwwwwd.",
    "pqwwwwwdwnnnnwd.",
    "pqwnnnndwwwwwwd.",
    "pqwwwwwdwnnnnwd.",
    "pqqqqqqdwwwwwwd.",
    "ppppppddwnnnwwd.",
    ".......dwwwwwwd.",
    ".......dddddddd.",
]

ICONS["09-help"] = [
    ".....oooooo.....",
    "...ooyyyyyyoo...",
    "..oyyyyyyyyyyo..",
    ".oyyyyrrrryyyyo.",
    ".oyyyrrrrrryyyo.",
    "oyyyyrryyrryyyyo",
    "oyyyyyyyyrryyyyo",
    "oyyyyyyyrryyyyyo",
    "oyyyyyyrryyyyyyo",
    "oyyyyyyrryyyyyyo",
    "oyyyyyyyyyyyyyyo",
    ".oyyyyyrryyyyyo.",
    ".oyyyyyrryyyyyo.",
    "..oyyyyyyyyyyo..",
    "...ooyyyyyyoo...",
    ".....oooooo.....",
]

ICONS["10-selectall"] = [
    "............kk..",
    "...........kmmk.",
    "..........kmmmk.",
    ".........ksmmk..",
    "........kysskk..",
    ".......kyyyk....",
    "......kyyyk.....",
    ".....kyyyk......",
    "....kyyyk.......",
    "...kqyyk........",
    "...kqqk.........",
    "...kkk..........",
    "...k............",
    "................",
    "bbbbbbbbbbbbbbbb",
    "................",
]

ICONS["11-bold"] = [
    "................",
    "................",
    "...kkkkkkkk.....",
    "....kkk..kkk....",
    "....kkk...kkk...",
    "....kkk...kkk...",
    "....kkk..kkk....",
    "....kkkkkkk.....",
    "....kkk...kkk...",
    "....kkk....kkk..",
    "....kkk....kkk..",
    "....kkk....kkk..",
    "....kkk...kkk...",
    "...kkkkkkkkk....",
    "................",
    "................",
]

ICONS["12-italic"] = [
    "................",
    "................",
    "......kkkkkk....",
    "........kk......",
    "........kk......",
    ".......kk.......",
    ".......kk.......",
    ".......kk.......",
    "......kk........",
    "......kk........",
    "......kk........",
    ".....kk.........",
    ".....kk.........",
    "...kkkkkk.......",
    "................",
    "................",
]

ICONS["13-underline"] = [
    "................",
    "...kkkk..kkkk...",
    "....kk....kk....",
    "....kk....kk....",
    "....kk....kk....",
    "....kk....kk....",
    "....kk....kk....",
    "....kk....kk....",
    "....kk....kk....",
    ".....kk..kk.....",
    "......kkkk......",
    "................",
    "...kkkkkkkkkk...",
    "...kkkkkkkkkk...",
    "................",
    "................",
]

ICONS["14-center"] = [
    "................",
    "................",
    ".kkkkkkkkkkkkkk.",
    "................",
    "...kkkkkkkkkk...",
    "................",
    ".kkkkkkkkkkkkkk.",
    "................",
    "....kkkkkkkk....",
    "................",
    ".kkkkkkkkkkkkkk.",
    "................",
    "...kkkkkkkkkk...",
    "................",
    "................",
    "................",
]

ICONS["15-tab"] = [
    "................",
    "................",
    ".......kk.......",
    "......kkkk......",
    ".....kkkkkk.....",
    "....kkkkkkkk....",
    ".......kk.......",
    ".......kk.......",
    ".......kk.......",
    ".......kk.......",
    ".......kk.......",
    ".......kk.......",
    "...kkkkkkkkkk...",
    "...kkkkkkkkkk...",
    "................",
    "................",
]

ICONS["16-target"] = [
    "................",
    "dddddd..........",
    "dwwwwd..........",
    "dwnnwd..nnnn....",
    "dwwwwd.n....n...",
    "dwnnwd.n....n...",
    "dwwwwd.n....n...",
    "dwnnwd.n..bbbb..",
    "dwwwwd..nbnn..b.",
    "dwnnwd...b....b.",
    "dwwwwd...b....b.",
    "dwnnwd...b....b.",
    "dddddd...b....b.",
    "..........bbbb..",
    "................",
    "................",
]

ICONS["17-link"] = [
    ".....kk.........",
    "....kwwk........",
    "....kwwk........",
    "....kwwk........",
    "....kwwkkk......",
    "....kwwkwwkkk...",
    ".kk.kwwkwwkwwkk.",
    "kwwkkwwkwwkwwkwk",
    "kwwwkwwwwwwwwwwk",
    ".kwwwwwwwwwwwwwk",
    ".kwwwwwwwwwwwwwk",
    "..kwwwwwwwwwwwk.",
    "..kwwwwwwwwwwwk.",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kkkkkkkkkkk..",
]

ICONS["18-inverse"] = [
    "................",
    "..ddd...ddd.....",
    ".dgsgd.dgsgd....",
    ".dskse.dskse....",
    ".dgsgd.dgsgd....",
    "..ddd...ddd.....",
    ".dddddddddddd...",
    ".dgggggggggsd.dd",
    ".dgggggggggsddgd",
    ".dgggggggggsdggd",
    ".dgGgggggggsdggd",
    ".dgggggggggsddgd",
    ".dssssssssssd.dd",
    ".dddddddddddd...",
    "................",
    "................",
]

ICONS["19-recent"] = [
    "................",
    "................",
    "..kkkk....kkkk..",
    ".kwwwwkk.kwwwwk.",
    ".kwwwwwkkwwwwwk.",
    ".kwnnnwkkwnnnwk.",
    ".kwwwwwkkwwwwwk.",
    ".kwnnnwkkwnnnwk.",
    ".kwwwwwkkwwwwwk.",
    ".kwnnnwkkwnnnwk.",
    ".kwwwwwkkwwwwwk.",
    ".kkkkwwkkwwkkkk.",
    "bbbbbkkkkkkbbbbb",
    ".bbbbbbbbbbbbbb.",
    "................",
    "................",
]

ICONS["20-font"] = [
    "................",
    "................",
    "......kkkk......",
    "......kkkk......",
    ".....kk..kk.....",
    ".....kk..kk.....",
    "....kk....kk....",
    "....kk....kk....",
    "...kkkkkkkkkk...",
    "...kkkkkkkkkk...",
    "..kk........kk..",
    "..kk........kk..",
    ".kk..........kk.",
    "kkkk........kkkk",
    "................",
    "................",
]

ICONS["21-folder"] = [
    "................",
    "................",
    ".dddd...........",
    "dzzzzd..........",
    "dzzzzzddddddd...",
    "dzzzzzzzzzzzzd..",
    "dzzzzzzzzzzzzd..",
    "dzzzdddddddddddd",
    "dzzdffffffffffd.",
    "dzdffffffffffd..",
    "dzdffffffffffd..",
    "ddffffffffffd...",
    "ddffffffffffd...",
    "dddddddddddd....",
    "................",
    "................",
]

ICONS["22-strike"] = [
    "................",
    "................",
    "................",
    "..k...kkk...kkk.",
    "..k...k..k.k....",
    ".k.k..k..k.k....",
    ".k.k..k..k.k....",
    "rrrrrrrrrrrrrrrr",
    "kkkkk.k..k.k....",
    "k...k.k..k.k....",
    "k...k.k..k.k....",
    "k...k.kkk...kkk.",
    "................",
    "................",
    "................",
    "................",
]

ICONS["23-variable"] = [
    "................",
    "................",
    "................",
    "..nn........nn..",
    ".n.nn.......nn..",
    "...nn.......nn..",
    "...nn......nn...",
    "....nn.....nn...",
    "....nn....nn....",
    ".....nn..nn.....",
    ".....nn.nn......",
    "......nnn.......",
    "......nn........",
    "................",
    "................",
    "................",
]

# The hand cursor: hot point at the top of the index finger, x 13, y 9.
HAND = [
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    ".............k..................",
    "............kwk.................",
    "...........kwwwk................",
    "...........kwwwk................",
    "...........kwwwk................",
    "...........kwwwk................",
    "...........kwwwkkk..............",
    "...........kwwwkwwkkk...........",
    "...........kwwwkwwkwwkkk........",
    "...........kwwwkwwkwwkwwk.......",
    "........kk.kwwwkwwkwwkwwk.......",
    ".......kwwkkwwwwwwwwwwwwk.......",
    ".......kwwwkwwwwwwwwwwwwk.......",
    "........kwwkwwwwwwwwwwwwk.......",
    ".........kwwwwwwwwwwwwwwk.......",
    ".........kwwwwwwwwwwwwwk........",
    "..........kwwwwwwwwwwwwk........",
    "..........kwwwwwwwwwwwk.........",
    "...........kwwwwwwwwwwk.........",
    "...........kwwwwwwwwwwk.........",
    "...........kkkkkkkkkkkk.........",
    "................................",
    "................................",
]


# The program's own icon: a page with coloured codes and a caret, drawn at 16 and 32 pixels.
APP_ICON_16 = [
    "..dddddddd......",
    "..dwwwwwwdd.....",
    "..dwwwwwwdld....",
    "..dwkkkrrdddd...",
    "..dwwwwwwwwwd...",
    "..dwkkwbbbwwd...",
    "..dwwwwwwwwwd...",
    "..dwkkkkkkwwd...",
    "..dwwwwwwwwwd...",
    "..dwGGwkkkwwr...",
    "..dwwwwwwwwrrr..",
    "..dwkkkkwwrrdrr.",
    "..dwwwwwwrrwd.rr",
    "..dwkkkwwrwwd..r",
    "..dwwwwwwwwwd...",
    "..ddddddddddd...",
]

APP_ICON_32 = [
    "................................",
    "....dddddddddddddddd............",
    "....dwwwwwwwwwwwwwwdd...........",
    "....dwwwwwwwwwwwwwwdld..........",
    "....dwwwwwwwwwwwwwwdlld.........",
    "....dwwwwwwwwwwwwwwdllld........",
    "....dwwwwwwwwwwwwwwdlllld.......",
    "....dwwwwwwwwwwwwwwddddddd......",
    "....dwwwwwwwwwwwwwwwwwwwwd......",
    "....dwwkkkkkkkkwrrrrrwwwwd......",
    "....dwwkkkkkkkkwrrrrrwwwwd......",
    "....dwwwwwwwwwwwwwwwwwwwwd......",
    "....dwwkkkkkwbbbbbbwkkkwwd......",
    "....dwwkkkkkwbbbbbbwkkkwwd......",
    "....dwwwwwwwwwwwwwwwwwwwwd......",
    "....dwwkkkkkkkkkkkkkkkkwwd......",
    "....dwwkkkkkkkkkkkkkkkkwwd......",
    "....dwwwwwwwwwwwwwwwwwwwrrr.....",
    "....dwwmmmmwkkkkkkkwwwwrrrrr....",
    "....dwwmmmmwkkkkkkkwwwrrrdrrr...",
    "....dwwwwwwwwwwwwwwwwrrrwd.rrr..",
    "....dwwkkkkkkwGGGGGwrrrwwd..rrr.",
    "....dwwkkkkkkwGGGGGrrrwwwd...rrr",
    "....dwwwwwwwwwwwwwwwwwwwwd......",
    "....dwwkkkkkkkkkkwwwwwwwwd......",
    "....dwwkkkkkkkkkkwwwwwwwwd......",
    "....dwwwwwwwwwwwwwwwwwwwwd......",
    "....dwwwwwwwwwwwwwwwwwwwwd......",
    "....dwwwwwwwwwwwwwwwwwwwwd......",
    "....dwwwwwwwwwwwwwwwwwwwwd......",
    "....dddddddddddddddddddddd......",
    "................................",
]


def svg(rows, size):
    if len(rows) != size or any(len(r) != size for r in rows):
        bad = [i for i, r in enumerate(rows) if len(r) != size]
        raise ValueError(f"map must be {size} by {size}; rows {bad} (of {len(rows)}) are not")
    runs = {}
    for y, row in enumerate(rows):
        x = 0
        while x < size:
            ch = row[x]
            end = x
            while end < size and row[end] == ch:
                end += 1
            if ch != ".":
                if ch not in PALETTE:
                    raise ValueError(f"unknown colour {ch!r} in row {y}")
                runs.setdefault(ch, []).append(f"M{x} {y}h{end - x}v1h-{end - x}z")
            x = end
    out = [
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size}" '
        f'viewBox="0 0 {size} {size}" shape-rendering="crispEdges">'
    ]
    for ch, parts in runs.items():
        out.append(f'<path fill="{PALETTE[ch]}" d="{"".join(parts)}"/>')
    out.append("</svg>")
    return "\n".join(out) + "\n"


def png(rows, scale):
    """The map as an RGBA PNG, each map pixel drawn as a scale-by-scale square."""
    size = len(rows) * scale
    raw = bytearray()
    for row in rows:
        line = bytearray(b"\0")
        for ch in row:
            if ch == ".":
                pixel = b"\0\0\0\0"
            else:
                colour = PALETTE[ch]
                pixel = bytes(int(colour[i : i + 2], 16) for i in (1, 3, 5)) + b"\xff"
            line += pixel * scale
        raw += bytes(line) * scale

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


# Installed sizes of the program icon: each drawn from the map that scales to it by a whole factor.
APP_ICON_SIZES = {16: (APP_ICON_16, 1), 32: (APP_ICON_32, 1), 48: (APP_ICON_16, 3),
                  64: (APP_ICON_32, 2), 128: (APP_ICON_32, 4), 256: (APP_ICON_32, 8)}


def write_app_icon(here):
    folder = os.path.join(here, "app-icon")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "larkpad.svg"), "w") as f:
        f.write(svg(APP_ICON_32, 32))
    with open(os.path.join(folder, "larkpad-16.svg"), "w") as f:
        f.write(svg(APP_ICON_16, 16))
    for size, (rows, scale) in APP_ICON_SIZES.items():
        with open(os.path.join(folder, f"larkpad-{size}.png"), "wb") as f:
            f.write(png(rows, scale))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    failed = False
    for name, rows in ICONS.items():
        try:
            text = svg(rows, 16)
        except ValueError as e:
            print(f"{name}: {e}", file=sys.stderr)
            failed = True
            continue
        with open(os.path.join(here, "icons", name + ".svg"), "w") as f:
            f.write(text)
    os.makedirs(os.path.join(here, "cursors"), exist_ok=True)
    try:
        text = svg(HAND, 32)
        with open(os.path.join(here, "cursors", "hand.svg"), "w") as f:
            f.write(text)
    except ValueError as e:
        print(f"hand: {e}", file=sys.stderr)
        failed = True
    try:
        write_app_icon(here)
    except ValueError as e:
        print(f"app icon: {e}", file=sys.stderr)
        failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
