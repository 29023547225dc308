#!/usr/bin/env python3
"""Writes Tavrin's own drawings as XPM images: the menu bar's button strip and
the program icon.

The strip is 160 x 16 pixels: ten 16 x 16 images side by side, image i at
x = 16 * i (0 new page, 1 delete, 2 previous, 3 next, 4 alarm, 5 pen width,
6 eraser, 7 insert, 8 colour, 9 save). It uses 16 colours: fifteen of the
standard 16-colour table and "None", the transparent background, which
stands for the table's light grey (#C0C0C0) wherever a 4-bit bitmap needs a
colour there (the classic mask colour of a button strip). The icon is 32 x 32
over the same colours. The output is always the same bytes. Run it after
changing a drawing:
    scripts/make-button-images.py src/handheld/resources
"""
import sys

# The 16 colours: a key for each, "." the transparent light grey.
COLOURS = [
    (".", "None"), ("k", "#000000"), ("R", "#800000"), ("G", "#008000"),
    ("Y", "#808000"), ("B", "#000080"), ("M", "#800080"), ("C", "#008080"),
    ("d", "#808080"), ("r", "#FF0000"), ("g", "#00FF00"), ("y", "#FFFF00"),
    ("b", "#0000FF"), ("m", "#FF00FF"), ("c", "#00FFFF"), ("w", "#FFFFFF"),
]

BUTTONS = [
    # 0: new page: a blank sheet with its corner folded and a spark.
    ["................",
     "..kkkkkkkk......",
     "..kwwwwwwkk.....",
     "..kwwwwwwkwk....",
     "..kwwwwwwkkkk...",
     "..kwwwwwwwwwk...",
     "..kwwwwwwwwwk...",
     "..kwwwwwwwwwk...",
     "..kwwwwwwwwwk...",
     "..kwwwwwwwwwk.y.",
     "..kwwwwwwwwwky.y",
     "..kwwwwwwwwwk.y.",
     "..kwwwwwwwwwky.y",
     "..kwwwwwwwwwk.y.",
     "..kkkkkkkkkkk...",
     "................"],
    # 1: delete: a red cross.
    ["................",
     "................",
     "..rr........rr..",
     "..rrr......rrr..",
     "...rrr....rrr...",
     "....rrr..rrr....",
     ".....rrrrrr.....",
     "......rrrr......",
     "......rrrr......",
     ".....rrrrrr.....",
     "....rrr..rrr....",
     "...rrr....rrr...",
     "..rrr......rrr..",
     "..rr........rr..",
     "................",
     "................"],
    # 2: previous page: an arrow to the left.
    ["................",
     "................",
     "................",
     "......B.........",
     ".....BB.........",
     "....BbB.........",
     "...BbbBBBBBBBB..",
     "..BbbbbbbbbbbB..",
     "..BbbbbbbbbbbB..",
     "...BbbBBBBBBBB..",
     "....BbB.........",
     ".....BB.........",
     "......B.........",
     "................",
     "................",
     "................"],
    # 3: next page: an arrow to the right.
    ["................",
     "................",
     "................",
     ".........B......",
     ".........BB.....",
     ".........BbB....",
     "..BBBBBBBBbbB...",
     "..BbbbbbbbbbbB..",
     "..BbbbbbbbbbbB..",
     "..BBBBBBBBbbB...",
     ".........BbB....",
     ".........BB.....",
     ".........B......",
     "................",
     "................",
     "................"],
    # 4: alarm: a bell.
    ["................",
     ".......kk.......",
     "......kyyk......",
     ".....kyyyyk.....",
     "....kyyywyyk....",
     "....kyywyyyk....",
     "....kyywyyyk....",
     "....kyyyyyyk....",
     "...kyyyyyyyyk...",
     "...kyyyyyyyyk...",
     "..kyyyyyyyyyyk..",
     "..kkkkkkkkkkkk..",
     "......kkkk......",
     ".......kk.......",
     "................",
     "................"],
    # 5: pen width: lines from thin to thick.
    ["................",
     "................",
     "..kkkkkkkkkkkk..",
     "................",
     "................",
     "..kkkkkkkkkkkk..",
     "..kkkkkkkkkkkk..",
     "................",
     "................",
     "..kkkkkkkkkkkk..",
     "..kkkkkkkkkkkk..",
     "..kkkkkkkkkkkk..",
     "..kkkkkkkkkkkk..",
     "................",
     "................",
     "................"],
    # 6: eraser: a slanted block, its tip worn white.
    ["................",
     "................",
     "................",
     ".........kkkk...",
     "........kmmmmk..",
     ".......kmmmmmk..",
     "......kmmmmmkk..",
     ".....kmmmmmkMk..",
     "....kwmmmmkMk...",
     "...kwwwmmkMk....",
     "..kwwwwwkMk.....",
     "..kwwwwwkk......",
     "..kkwwwkk.......",
     "....kkkk........",
     "..dddddddddddd..",
     "................"],
    # 7: insert: a sheet with a green plus.
    ["................",
     "..kkkkkkkkk.....",
     "..kwwwwwwwk.....",
     "..kwwwwwwwk.....",
     "..kwwwwwwwk.....",
     "..kwwwwwwwk.....",
     "..kwwwwwwGGG....",
     "..kwwwwwwGgG....",
     "..kwwwwGGGgGGG..",
     "..kwwwwGgggggG..",
     "..kwwwwGGGgGGG..",
     "..kwwwwwwGgG....",
     "..kwwwwwwGGG....",
     "..kkkkkkkkk.....",
     "................",
     "................"],
    # 8: colour: four colour swatches.
    ["................",
     "................",
     "..kkkkkkkkkkkk..",
     "..krrrrrkbbbbbk.",
     "..krrrrrkbbbbbk.",
     "..krrrrrkbbbbbk.",
     "..krrrrrkbbbbbk.",
     "..kkkkkkkkkkkkk.",
     "..kgggggkyyyyyk.",
     "..kgggggkyyyyyk.",
     "..kgggggkyyyyyk.",
     "..kgggggkyyyyyk.",
     "..kkkkkkkkkkkkk.",
     "................",
     "................",
     "................"],
    # 9: save: a diskette.
    ["................",
     ".kkkkkkkkkkkkk..",
     ".kBkwwwwwwwkBkk.",
     ".kBkwwwwwwwkBBk.",
     ".kBkwwwwwwwkBBk.",
     ".kBkwwwwwwwkBBk.",
     ".kBkkkkkkkkkBBk.",
     ".kBBBBBBBBBBBBk.",
     ".kBBkkkkkkkkBBk.",
     ".kBBkdddkddkBBk.",
     ".kBBkdddkddkBBk.",
     ".kBBkdddkddkBBk.",
     ".kBBkdddkddkBBk.",
     ".kkkkkkkkkkkkkk.",
     "................",
     "................"],
]

ICON = [
    "................................",
    "................................",
    "....k..k..k..k..k..k............",
    "...kdk.kdk.kdk.kdk.kdk..........",
    "..kkkkkkkkkkkkkkkkkkkkkk........",
    "..kwkwwkwwkwwkwwkwwkwwwk........",
    "..kwwwwwwwwwwwwwwwwwwwwk........",
    "..kwwwwwwwwwwwwwwwwwwwwk........",
    "..kwwbbwwbwwbbbwwwwwwwwk........",
    "..kwbwwbwbwbwwwbwbwwwwwk........",
    "..kwbwwbwbwbwwwbwbwwwwwk........",
    "..kwwbbbwwbwwbbwwwbwwwwk........",
    "..kwwwwwwwwwwwwwwwwwwwwk........",
    "..kwwwwwwwwwwwwwwwwwwwwk......kk",
    "..kwwbbwwwbwwwbbwwwwwwwk.....kyk",
    "..kwbwwbwbwbwbwwbwwwwwwk....kyyk",
    "..kwbwwwwbwbwbbbwwwwwwwk...kyyk.",
    "..kwwbbwwwbwwbwwwwwwwwwk..kyyk..",
    "..kwwwwbwwwwwwbbwwwwwwwk.kyyk...",
    "..kwwwwwwwwwwwwwwwwwwwwkkyyk....",
    "..kwwrrwwrrwwwwwwwwwwwkkyyk.....",
    "..kwrwwrrwwrwrrwwwwwwwkyyk......",
    "..kwwwwwwwwrrwwrwwwwwkyyk.......",
    "..kwwwwwwwwwwwwwwwwwkwyk........",
    "..kwwwwwwwwwwwwwwwwwkwwk........",
    "..kwwwwwwwwwwwwwwwwkkkwk........",
    "..kwwwwwwwwwwwwwwwwkkwwk........",
    "..kwwwwwwwwwwwwwwwwwwwwk........",
    "..kkkkkkkkkkkkkkkkkkkkkk........",
    "................................",
    "................................",
    "................................",
]


def check(rows, width, height):
    keys = {key for key, _ in COLOURS}
    assert len(rows) == height, len(rows)
    for row in rows:
        assert len(row) == width and set(row) <= keys, row


def xpm(name, rows):
    width, height = len(rows[0]), len(rows)
    lines = [f'"{width} {height} {len(COLOURS)} 1",']
    lines += [f'"{key} c {value}",' for key, value in COLOURS]
    lines += [f'"{row}",' for row in rows]
    lines[-1] = lines[-1].rstrip(",")
    return ("/* XPM */\n"
            f"static const char* const {name}_xpm[] = {{\n" + "\n".join(lines) + "\n};\n")


def main(folder):
    for image in BUTTONS:
        check(image, 16, 16)
    check(ICON, 32, 32)
    strip = ["".join(image[y] for image in BUTTONS) for y in range(16)]
    with open(f"{folder}/buttons.xpm", "w") as out:
        out.write(xpm("buttons", strip))
    with open(f"{folder}/tavrin.xpm", "w") as out:
        out.write(xpm("tavrin", ICON))


if __name__ == "__main__":
    main(*sys.argv[1:])
