#!/usr/bin/env python3
"""Subsets Debian's Lato to what the editor draws: ASCII printable and every character of the
layout's texts. Keeps the hinting (the editor draws at 7 to 11 points) and the copyright and
licence records. Lato's licence reserves the name "Lato" for the fonts as published, so the
subsets, being modified versions, are renamed "Tivrandel Sans".

    python3 scripts/resources/subset_fonts.py <resources folder> <folder of Debian's Lato> \
        <Debian's copyright file of fonts-lato>

It also writes the fonts' licence beside them.
"""

import json
import os
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

FAMILY = "Tivrandel Sans"
POSTSCRIPT_FAMILY = "TivrandelSans"


def rename(path, style):
    """Gives the font the family name of our modified version in every record that names it."""
    font = TTFont(path, recalcTimestamp=False)
    names = {
        1: FAMILY,
        3: f"{POSTSCRIPT_FAMILY}-{style} (subset of Lato 2.0)",
        4: f"{FAMILY} {style}",
        6: f"{POSTSCRIPT_FAMILY}-{style}",
        16: FAMILY,
        17: style,
    }
    table = font["name"]
    for record in table.names:
        if record.nameID in names:
            record.string = names[record.nameID]
    table.names = [r for r in table.names if r.nameID not in (16, 17) or r.nameID in names]
    font.save(path)


def layout_characters(layout_path):
    with open(layout_path, encoding="utf-8") as f:
        layout = json.load(f)
    return {c for view in layout.values() for c in str(view.get("text", ""))}


def licence_text(copyright_path):
    """The fonts' copyright and licence, as Debian's machine-readable copyright file states them."""
    lines, inside, copyright_line = [], False, ""
    with open(copyright_path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("Files: "):
                inside = line == "Files: *"
            elif inside and line.startswith("Copyright: "):
                copyright_line = "Copyright " + line[len("Copyright: "):].strip()
            elif inside and line.startswith("License: "):
                lines.append(line[len("License: "):])
            elif inside and line.startswith(" "):
                lines.append("" if line.strip() == "." else line[1:])
    return "\n".join([copyright_line, ""] + lines).rstrip() + "\n"


def main():
    root, lato = sys.argv[1], sys.argv[2]
    editor = os.path.join(root, "editor")
    characters = {chr(c) for c in range(0x20, 0x7F)} | layout_characters(
        os.path.join(editor, "layout.json"))
    unicodes = ",".join(f"U+{ord(c):04X}" for c in sorted(characters))
    for style in ("Regular", "Bold"):
        out = os.path.join(editor, f"{POSTSCRIPT_FAMILY}-{style}.ttf")
        subset.main([os.path.join(lato, f"Lato-{style}.ttf"), f"--unicodes={unicodes}",
                     "--name-IDs=*", "--name-languages=*", "--notdef-outline",
                     "--layout-features=kern,liga,calt,ccmp,locl,mark,mkmk",
                     f"--output-file={out}"])
        rename(out, style)
        print(f"{out}: {os.path.getsize(out)} bytes, {len(characters)} characters")
    with open(os.path.join(editor, "TivrandelSans-OFL.txt"), "w", encoding="utf-8") as out:
        out.write(licence_text(sys.argv[3]))


if __name__ == "__main__":
    main()
