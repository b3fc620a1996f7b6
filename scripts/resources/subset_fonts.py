#!/usr/bin/env python3
"""Subsets Debian's Lato to what the editor draws: ASCII printable and every character of the
layout's texts. Keeps the hinting (the editor draws at 7 to 11 points) and every name record,
so that the copyright and licence notices travel inside each font.

    python3 scripts/resources/subset_fonts.py <resources folder> <folder of Debian's Lato> \
        <Debian's copyright file of fonts-lato>

It also writes the fonts' licence beside them.
"""

import json
import os
import sys

from fontTools import subset


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
        out = os.path.join(editor, f"Lato-{style}.ttf")
        subset.main([os.path.join(lato, f"Lato-{style}.ttf"), f"--unicodes={unicodes}",
                     "--name-IDs=*", "--name-languages=*", "--notdef-outline",
                     "--layout-features=kern,liga,calt,ccmp,locl,mark,mkmk",
                     f"--output-file={out}"])
        print(f"{out}: {os.path.getsize(out)} bytes, {len(characters)} characters")
    with open(os.path.join(editor, "Lato-OFL.txt"), "w", encoding="utf-8") as out:
        out.write(licence_text(sys.argv[3]))


if __name__ == "__main__":
    main()
