#!/usr/bin/env python3
"""Turn the drawings in fonts/src/*.txt into fonts/<name>.bdf.

    python3 fonts/make_bdf.py [NAME...]           write every font, or those named
    python3 fonts/make_bdf.py --check [NAME...]   fail when a .bdf is not what its drawing makes

A drawing file holds "key value" lines (the font's metrics and names), then blocks:

    U+0041 A            a glyph: ascent + descent rows, '#' ink, '.' blank; its width is
    ..#..               the row length and its advance the same (no side bearings), so its
    ...                 outer columns must carry ink unless the header says "padded"
    U+00A0 = U+0020     a copy of another glyph
    U+0041 A short      the letter as marks above it take it: shorter, so that an accented
                        capital stays within the cap height on faces that stack lines tightly
    accent acute cap    a mark for composing: "cap" over capitals and tall letters, "small"
    .#                  over x-height letters, "below" under the baseline; its rows sit
    #.                  straight on the letter, so a gap is drawn as a blank row

Letters the font does not draw are made from base letter + mark, for every code point of the
"compose" ranges whose Unicode decomposition is one letter and one mark the font has.
Lines starting with ';' are comments. "stack N" promises that any glyph set N rows under any
other keeps a blank row between their ink; the generator refuses a glyph that breaks it.
"""

import argparse
import pathlib
import sys
import unicodedata

HERE = pathlib.Path(__file__).resolve().parent

MARKS = {
    0x0300: "grave",
    0x0301: "acute",
    0x0302: "circumflex",
    0x0303: "tilde",
    0x0304: "macron",
    0x0306: "breve",
    0x0307: "dot",
    0x0308: "diaeresis",
    0x030A: "ring",
    0x030B: "doubleacute",
    0x030C: "caron",
    0x0326: "commabelow",
    0x0327: "cedilla",
    0x0328: "ogonek",
}
BELOW = {"cedilla", "ogonek", "commabelow"}
# Marks above i and j replace their dots.
DOTLESS = {ord("i"): 0x0131, ord("j"): 0x0237}
# Not letter + mark on top of each other: d, l, t and L with a caron drawn as an apostrophe
# beside them, and g with its cedilla turned above.
NOT_COMPOSED = {0x010F, 0x013D, 0x013E, 0x0165, 0x0123}


class FontError(Exception):
    pass


class Glyph:
    def __init__(self, rows, padded=False):
        self.rows = rows  # full height, top row first
        self.padded = padded

    @property
    def width(self):
        return len(self.rows[0]) if self.rows else 0

    def ink_rows(self):
        return [i for i, row in enumerate(self.rows) if "#" in row]


def parse_code(token, where):
    if not token.startswith("U+"):
        raise FontError(f"{where}: expected U+XXXX, got {token!r}")
    try:
        return int(token[2:], 16)
    except ValueError:
        raise FontError(f"{where}: bad code point {token!r}") from None


def parse_ranges(words, where):
    codes = []
    for word in words:
        first, _, last = word.partition("-")
        try:
            low = int(first, 16)
            high = int(last or first, 16)
        except ValueError:
            raise FontError(f"{where}: bad range {word!r}") from None
        codes.extend(range(low, high + 1))
    return codes


class Font:
    def __init__(self, path):
        self.path = path
        self.props = {}
        self.glyphs = {}
        self.short = {}  # the letters marks above take, where they differ
        self.copies = {}
        self.accents = {}
        self.read(path)
        self.height = self.ascent + self.descent

    def read(self, path):
        blocks = []
        for number, raw in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            line = raw.strip()
            where = f"{path.name}:{number}"
            if not line or line.startswith(";"):
                continue
            if set(line) <= {"#", "."}:
                if not blocks:
                    raise FontError(f"{where}: drawing before any glyph header")
                blocks[-1][2].append(line)
            elif line.startswith("U+") or line.startswith("accent "):
                blocks.append((where, line.split(), []))
            else:
                key, _, value = line.partition(" ")
                self.props[key] = value.strip()
        try:
            self.name = self.props["name"]
            self.ascent = int(self.props["ascent"])
            self.descent = int(self.props["descent"])
            self.cap_height = int(self.props["cap-height"])
            self.x_height = int(self.props["x-height"])
            self.space = int(self.props["space"])
        except (KeyError, ValueError) as error:
            raise FontError(f"{path.name}: missing or bad property {error}") from None
        try:
            self.stack = int(self.props["stack"]) if "stack" in self.props else None
        except ValueError:
            raise FontError(f"{self.name}: bad property stack") from None
        for where, words, rows in blocks:
            if words[0] == "accent":
                self.read_accent(where, words, rows)
            else:
                self.read_glyph(where, words, rows)

    def read_accent(self, where, words, rows):
        if len(words) != 3 or words[2] not in ("cap", "small", "below"):
            raise FontError(f"{where}: expected 'accent NAME cap|small|below'")
        if words[1] not in MARKS.values():
            raise FontError(f"{where}: unknown mark {words[1]!r}")
        if not rows or len({len(r) for r in rows}) != 1:
            raise FontError(f"{where}: rows of unequal length")
        self.accents[(words[1], words[2])] = rows

    def read_glyph(self, where, words, rows):
        code = parse_code(words[0], where)
        rest = words[1:]
        short = rest[-1:] == ["short"]
        if short:
            rest = rest[:-1]
        drawn = self.short if short else self.glyphs
        if code in drawn or (not short and code in self.copies):
            raise FontError(f"{where}: U+{code:04X}{' short' if short else ''} drawn twice")
        if len(rest) == 2 and rest[0] == "=":
            if rows:
                raise FontError(f"{where}: a copy 'U+XXXX = U+YYYY' has no drawing")
            self.copies[code] = parse_code(rest[1], where)
            return
        if rest and rest[0] != "padded":
            if rest[0] != chr(code):
                raise FontError(f"{where}: U+{code:04X} is not {rest[0]!r}")
            rest = rest[1:]
        padded = rest == ["padded"]
        if rest and not padded:
            raise FontError(f"{where}: unknown words {rest}")
        if short and padded:
            raise FontError(f"{where}: a short letter is not padded")
        height = self.ascent + self.descent
        if len(rows) != height:
            raise FontError(f"{where}: {len(rows)} rows, the font has {height}")
        if len({len(r) for r in rows}) != 1:
            raise FontError(f"{where}: rows of unequal length")
        glyph = Glyph(rows, padded)
        if not glyph.ink_rows():
            raise FontError(f"{where}: no ink")
        if not padded and not all(any(r[c] == "#" for r in rows) for c in (0, -1)):
            raise FontError(f"{where}: blank outer column (side bearings are the layout's)")
        drawn[code] = glyph

    def compose_all(self):
        for code in parse_ranges(self.props.get("compose", "").split(), self.path.name):
            if code in self.glyphs or code in self.copies or code in NOT_COMPOSED:
                continue
            parts = unicodedata.decomposition(chr(code)).split()
            if len(parts) != 2 or parts[0].startswith("<"):
                continue
            base, mark = (int(p, 16) for p in parts)
            if mark not in MARKS:
                continue
            glyph = self.compose(base, MARKS[mark])
            if glyph:
                self.glyphs[code] = glyph

    def compose(self, base_code, mark):
        if mark not in BELOW:
            base_code = DOTLESS.get(base_code, base_code)
        base = self.glyphs.get(base_code)
        if mark not in BELOW and base_code in self.short:
            base = self.short[base_code]
        if base is None:
            return None
        ink = base.ink_rows()
        if mark in BELOW:
            accent = self.accents.get((mark, "below"))
            top = ink[-1] + 1
        else:
            tall = self.ascent - ink[0] > self.x_height
            accent = self.accents.get((mark, "cap" if tall else "small")) or self.accents.get(
                (mark, "cap")
            )
            if accent is not None:
                top = ink[0] - len(accent)
        if accent is None:
            return None
        if top < 0 or top + len(accent) > self.height:
            raise FontError(
                f"{self.name}: {mark} on U+{base_code:04X} leaves the font's ascent or descent"
            )
        if mark == "ogonek":  # hangs from the right foot
            offset = base.width - len(accent[0])
        else:  # centred; an acute leans right, so its odd half column goes right
            offset = (base.width - len(accent[0]) + (mark in ("acute", "doubleacute"))) // 2
        left = min(0, offset)
        width = max(base.width, offset + len(accent[0])) - left
        grid = [["."] * width for _ in base.rows]
        for y, row in enumerate(base.rows):
            for x, c in enumerate(row):
                if c == "#":
                    grid[y][x - left] = "#"
        for y, row in enumerate(accent):
            for x, c in enumerate(row):
                if c == "#":
                    if grid[top + y][offset + x - left] == "#":
                        raise FontError(f"{self.name}: {mark} overlaps U+{base_code:04X}")
                    grid[top + y][offset + x - left] = "#"
        return Glyph(["".join(r) for r in grid], base.padded)

    def resolve_copies(self):
        for code, source in self.copies.items():
            if source == 0x20:
                continue
            if source not in self.glyphs:
                raise FontError(f"{self.name}: U+{code:04X} copies missing U+{source:04X}")
            self.glyphs[code] = self.glyphs[source]

    def codes(self):
        return sorted(set(self.glyphs) | {0x20} | set(self.copies))

    def check_coverage(self):
        have = set(self.codes())
        required = parse_ranges(self.props.get("require", "").split(), self.path.name)
        missing = [c for c in required if c not in have]
        if missing:
            listed = " ".join(f"U+{c:04X}" for c in missing)
            raise FontError(f"{self.name}: required but not drawn: {listed}")

    def check_stacking(self):
        if self.stack is None:
            return
        pitch = self.stack
        inked = [(c, g.ink_rows()) for c, g in self.glyphs.items()]
        top_code, top = min(inked, key=lambda entry: entry[1][0])
        bottom_code, bottom = max(inked, key=lambda entry: entry[1][-1])
        if bottom[-1] - top[0] + 1 >= pitch:
            raise FontError(
                f"{self.name}: U+{bottom_code:04X} over U+{top_code:04X} leaves no blank row "
                f"at a pitch of {pitch}: their ink spans {bottom[-1] - top[0] + 1} rows"
            )

    def check_digits(self):
        widths = {self.glyphs[c].width for c in range(0x30, 0x3A) if c in self.glyphs}
        if len(widths) > 1:
            raise FontError(f"{self.name}: digits of unequal width {sorted(widths)}")


def bdf_glyph(code, glyph, font):
    advance = glyph.width if glyph else font.space
    lines = [
        f"STARTCHAR uni{code:04X}",
        f"ENCODING {code}",
        f"SWIDTH {round(advance * 1000 / font.height)} 0",
        f"DWIDTH {advance} 0",
    ]
    if glyph is None:
        lines += ["BBX 0 0 0 0", "BITMAP"]
    else:
        ink = glyph.ink_rows()
        rows = glyph.rows[ink[0] : ink[-1] + 1]
        bottom = font.ascent - 1 - ink[-1]
        lines += [f"BBX {glyph.width} {len(rows)} 0 {bottom}", "BITMAP"]
        digits = (glyph.width + 7) // 8 * 2
        for row in rows:
            bits = int(row.replace("#", "1").replace(".", "0"), 2)
            bits <<= (digits * 4) - glyph.width
            lines.append(f"{bits:0{digits}X}")
    lines.append("ENDCHAR")
    return lines


def bdf_text(font):
    codes = font.codes()
    glyphs = {c: font.glyphs.get(c) for c in codes}  # None: a space
    ink = [g for g in glyphs.values() if g]
    box_width = max(g.width for g in ink)
    box_top = max(font.ascent - g.ink_rows()[0] for g in ink)
    box_bottom = min(font.ascent - 1 - g.ink_rows()[-1] for g in ink)
    advances = [g.width if g else font.space for g in glyphs.values()]
    average = round(10 * sum(advances) / len(advances))
    point = round(font.height * 720 / 75)
    family = font.props.get("family", "qrvx")
    weight = font.props.get("weight", "Medium")
    setwidth = font.props.get("setwidth", "Normal")
    xlfd = (
        f"-qrvx-{family}-{weight}-R-{setwidth}--{font.height}-{point}-75-75-P-{average}"
        "-ISO10646-1"
    )
    properties = [
        ("FOUNDRY", '"qrvx"'),
        ("FAMILY_NAME", f'"{family}"'),
        ("WEIGHT_NAME", f'"{weight}"'),
        ("SLANT", '"R"'),
        ("SETWIDTH_NAME", f'"{setwidth}"'),
        ("ADD_STYLE_NAME", '""'),
        ("PIXEL_SIZE", font.height),
        ("POINT_SIZE", point),
        ("RESOLUTION_X", 75),
        ("RESOLUTION_Y", 75),
        ("SPACING", '"P"'),
        ("AVERAGE_WIDTH", average),
        ("CHARSET_REGISTRY", '"ISO10646"'),
        ("CHARSET_ENCODING", '"1"'),
        ("FONT_ASCENT", font.ascent),
        ("FONT_DESCENT", font.descent),
        ("CAP_HEIGHT", font.cap_height),
        ("X_HEIGHT", font.x_height),
        ("COPYRIGHT", f'"{font.props.get("copyright", "")}"'),
    ]
    lines = [
        "STARTFONT 2.1",
        f"COMMENT {font.name}: made by fonts/make_bdf.py from fonts/src/{font.path.name}",
        f"FONT {xlfd}",
        f"SIZE {font.height} 75 75",
        f"FONTBOUNDINGBOX {box_width} {box_top - box_bottom} 0 {box_bottom}",
        f"STARTPROPERTIES {len(properties)}",
    ]
    lines += [f"{key} {value}" for key, value in properties]
    lines += ["ENDPROPERTIES", f"CHARS {len(codes)}"]
    for code in codes:
        lines += bdf_glyph(code, glyphs[code], font)
    lines.append("ENDFONT")
    return "\n".join(lines) + "\n"


def composed(path):
    """The font of a drawing with its composed letters and copies, before any check."""
    font = Font(path)
    font.compose_all()
    font.resolve_copies()
    return font


def build(path):
    font = composed(path)
    font.check_coverage()
    font.check_digits()
    font.check_stacking()
    return font, bdf_text(font)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="compare, write nothing")
    parser.add_argument("names", nargs="*", help="fonts to make (default: all)")
    args = parser.parse_args()
    paths = sorted((HERE / "src").glob("*.txt"))
    if args.names:
        paths = [HERE / "src" / f"{name}.txt" for name in args.names]
        missing = [p.name for p in paths if not p.exists()]
        if missing:
            sys.exit("make_bdf: no drawing " + " ".join(missing))
    stale = []
    try:
        for path in paths:
            font, text = build(path)
            target = HERE / f"{font.name}.bdf"
            if args.check:
                if not target.exists() or target.read_text(encoding="ascii") != text:
                    stale.append(target.name)
            else:
                target.write_text(text, encoding="ascii")
                print(f"{target.name}: {len(font.codes())} characters")
    except FontError as error:
        sys.exit(f"make_bdf: {error}")
    if stale:
        sys.exit("make_bdf: not made from the drawings: " + " ".join(stale))


if __name__ == "__main__":
    main()
