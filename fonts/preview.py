#!/usr/bin/env python3
"""Draw text in a font straight from its drawing, for judging a face while it is drawn.

    /usr/bin/python3 fonts/preview.py sign-6 "Église Sainte-Élisabeth" "via Bouchette" -o lines.png
    /usr/bin/python3 fonts/preview.py sign-6 --all -o repertoire.png

Lines are stacked at the font's "stack" pitch (else its height), letters one column apart, as
LEDs: lit dots on a dark board, several times their size. Needs Pillow (Debian's python3-pil,
hence /usr/bin/python3).
"""

import argparse
import sys

from make_bdf import HERE, FontError, composed


def glyph_rows(font, character):
    code = ord(character)
    if code in font.glyphs:
        return font.glyphs[code].rows
    if code in (0x20, 0xA0) or code in font.copies:
        return [" " * font.space] * font.height
    raise FontError(f"{font.name} has no U+{code:04X} {character!r}")


def set_line(font, text):
    rows = [""] * font.height
    for i, character in enumerate(text):
        for y, row in enumerate(glyph_rows(font, character)):
            rows[y] += ("." if i else "") + row.replace(" ", ".")
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("name")
    parser.add_argument("lines", nargs="*")
    parser.add_argument("--all", action="store_true", help="every character, 32 a line")
    parser.add_argument("--scale", type=int, default=6)
    parser.add_argument("-o", "--output", required=True)
    args = parser.parse_args()
    from PIL import Image, ImageDraw

    try:
        font = composed(HERE / "src" / f"{args.name}.txt")
        lines = list(args.lines)
        if args.all:
            codes = [c for c in font.codes() if c > 0x20]
            lines += ["".join(chr(c) for c in codes[i : i + 32]) for i in range(0, len(codes), 32)]
        pitch = font.height if font.stack is None else font.stack
        set_lines = [set_line(font, line) for line in lines]
    except FontError as error:
        sys.exit(f"preview: {error}")
    width = max((len(rows[0]) for rows in set_lines), default=1) + 2
    height = pitch * (len(set_lines) - 1) + font.height + 2 if set_lines else 1
    s = args.scale
    image = Image.new("RGB", (width * s, height * s), (16, 16, 16))
    draw = ImageDraw.Draw(image)
    for n, rows in enumerate(set_lines):
        for y, row in enumerate(rows):
            for x, c in enumerate(row):
                top = (1 + n * pitch + y) * s
                colour = (255, 176, 0) if c == "#" else (40, 40, 40)
                inset = 1 if s > 3 else 0  # a dot of at least two pixels
                draw.ellipse(
                    [(x + 1) * s + inset, top + inset, (x + 2) * s - 2, top + s - 2], fill=colour
                )
    image.save(args.output)


if __name__ == "__main__":
    main()
