#!/usr/bin/env bash
# Renders the application icon desktop/icons/sarvel.svg into the PNG sizes installed in the hicolor
# theme. The PNGs are committed, so the build never runs this script.
# Tool (install once with apt-get; not needed by the build): librsvg2-bin (rsvg-convert).
set -euo pipefail
cd "$(dirname "$0")/../desktop/icons"
for size in 48 128 256; do
    rsvg-convert --width "$size" --height "$size" sarvel.svg --output "sarvel-$size.png"
done
