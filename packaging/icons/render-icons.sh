#!/bin/bash
# Renders the program's icon at the fixed sizes of the hicolor theme from the drawings here:
# torvex-transfer-16.svg for 16 pixels, torvex-transfer-22.svg for 22 and 24 (centred on 24, as the
# theme does), torvex-transfer.svg for 32 and up; that one is also installed as the scalable icon.
# The PNGs are committed, so that building needs none of these tools. Gives the same bytes on each run.
#
# Needs: librsvg2-bin (rsvg-convert), imagemagick.
#   apt-get install -y librsvg2-bin imagemagick
#   bash packaging/icons/render-icons.sh
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

for tool in rsvg-convert convert; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done

# render SVG SIZE [CANVAS]: SIZE x SIZE with full alpha, centred on CANVAS x CANVAS when given.
render() {
    local canvas=${3:-$2}
    rsvg-convert -w "$2" -h "$2" "$HERE/$1" -o "$WORK/render.png"
    convert "$WORK/render.png" -background none -gravity center -extent "${canvas}x${canvas}" -strip \
        PNG32:"$HERE/torvex-transfer-$canvas.png"
}

render torvex-transfer-16.svg 16
render torvex-transfer-22.svg 22
render torvex-transfer-22.svg 22 24
for size in 32 48 64 128 256; do
    render torvex-transfer.svg "$size"
done
