#!/bin/sh
# Render the application icon SVG to the fixed-size PNGs that ship beside it.
#
# The PNGs are committed so that building does not need librsvg; re-run this
# after editing ui/icons/glossmere.svg.  Needs rsvg-convert (Debian package
# librsvg2-bin).
#
# Usage:  sh tools/render_icons.sh
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
icons="$root/ui/icons"

if ! command -v rsvg-convert >/dev/null 2>&1; then
    echo "render_icons.sh: rsvg-convert not found (apt-get install librsvg2-bin)" >&2
    exit 1
fi

for size in 32 48 128 256; do
    out="$icons/glossmere-$size.png"
    # Render each size straight from the vector so small sizes are not
    # downscaled blur from the large one.
    rsvg-convert --width "$size" --height "$size" --keep-aspect-ratio \
        --output "$out" "$icons/glossmere.svg"
    echo "wrote $out"
done
