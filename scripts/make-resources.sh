#!/usr/bin/env bash
# Makes the generated files under resources/ again: the editor's images and the manual's
# diagram (scripts/resources/make_images.py) and the fonts, subsets of Lato renamed
# (scripts/resources/subset_fonts.py, from Debian's fonts-lato). The results are committed; the
# build embeds them as they are and never runs this. Installs what it needs when missing.
#   bash scripts/make-resources.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
lato=/usr/share/fonts/truetype/lato

bash "$root/scripts/install-packages.sh" resources

# Debian's interpreter, which has Debian's fontTools, whatever python3 comes first on PATH.
python=/usr/bin/python3
export PYTHONDONTWRITEBYTECODE=1
"$python" "$root/scripts/resources/make_images.py" "$root/resources"
"$python" "$root/scripts/resources/subset_fonts.py" "$root/resources" "$lato" \
    /usr/share/doc/fonts-lato/copyright
