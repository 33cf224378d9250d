#!/usr/bin/env bash
# Renders the committed PNG sizes of the icon from its SVG (run after changing the SVG; needs Debian's
# librsvg2-bin). The program embeds the PNGs as its window icon, as Qt reads PNG without a plugin.
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 256; do
    rsvg-convert --width "$size" --height "$size" zarudedu-rs5.svg > "zarudedu-rs5-$size.png"
done
