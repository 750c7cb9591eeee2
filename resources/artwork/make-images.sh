#!/bin/bash
# Rebuilds every picture under resources/images/ from the Breeze icon theme
# (Debian package breeze-icon-theme) and from the drawings in this script.
#
# Needs: breeze-icon-theme, librsvg2-bin (rsvg-convert), imagemagick,
# fonts-lato (logo and banner text).
#   apt-get install -y breeze-icon-theme librsvg2-bin imagemagick fonts-lato
#   bash resources/artwork/make-images.sh
set -euo pipefail

BREEZE=${BREEZE:-/usr/share/icons/breeze}
HERE=$(cd "$(dirname "$0")" && pwd)
OUT=${OUT:-$HERE/../images}
ICONS=$OUT/icons
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$ICONS"

for tool in rsvg-convert convert fc-list; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
[ -d "$BREEZE/places/32" ] || { echo "Breeze icons not found in $BREEZE" >&2; exit 1; }
[ -n "$(fc-list Lato)" ] || { echo "font Lato not installed (fonts-lato)" >&2; exit 1; }

# ---------------------------------------------------------------- helpers

# svg2png SVG PNG SIZE: render at SIZE x SIZE with full alpha.
svg2png() { rsvg-convert -w "$3" -h "$3" "$1" -o "$WORK/render.png"; convert "$WORK/render.png" -strip PNG32:"$2"; }

# png2gif PNG GIF: GIF has one-bit transparency. Pixels at least half opaque
# are kept and blended onto white (the tree background), the rest become
# transparent, so anti-aliased edges never turn into dark fringes.
png2gif() {
    convert "$1" \( +clone -background white -alpha remove -alpha off \) \
        \( -clone 0 -alpha extract -threshold 50% \) -delete 0 \
        -compose CopyOpacity -composite "$WORK/flat.png"
    convert "$WORK/flat.png" -channel A -threshold 50% +channel -strip "$2"
}

# theme_icon CONTEXT/SIZE/NAME OUT.png: a Breeze icon at 32 x 32.
theme_icon() { svg2png "$BREEZE/$1.svg" "$2" 32; }

# recolor SVG OLD NEW: copy of a Breeze SVG with one colour replaced.
recolor() { sed "s/$2/$3/Ig" "$BREEZE/$1.svg" > "$WORK/recolor.svg"; echo "$WORK/recolor.svg"; }

# ---------------------------------------------------------------- folders
# The Breeze folder (places/32/folder.svg) with a bold emblem drawn on its
# front. The emblems are drawn on a 2-unit grid so that they stay legible
# when the 32 px picture is shown at 16 px.

FACE='#3daee9'   # Breeze folder colour
INK='#31363b'    # Breeze text colour, used for the emblems

folder_svg() {  # folder_svg EMBLEM-SVG-FRAGMENT
    cat <<SVG
<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
 <g transform="matrix(0.93333 0 0 0.92308 1.06667 1.23077)">
 <path fill="$FACE" d="M2 3V10H1V29H31V8H30V5H16L14 3Z"/>
 <path fill-opacity="0.33" fill-rule="evenodd" d="M2 3V10H11L13 8H30V5H16L14 3Z"/>
 <path fill="#fff" fill-opacity="0.2" fill-rule="evenodd" d="M14 3L15 6H30V5H16L14 3ZM13 8L11 10H1V11H12L13 8Z"/>
 <path fill="$INK" fill-opacity="0.2" fill-rule="evenodd" d="M13 8L11 9H2V10H11L13 8ZM1 28V29H31V28Z"/>
 </g>
 <g fill="$INK" stroke="$INK" stroke-width="0" opacity="0.75">
$1
 </g>
</svg>
SVG
}

declare -A EMBLEM
# Address book: a person.
EMBLEM[Addressbook]='<circle cx="16" cy="15.5" r="3.5"/>
<path d="M9.5 26C9.5 21.5 12.5 20 16 20S22.5 21.5 22.5 26Z"/>'
# Binder: a ring binder with a label on its cover.
EMBLEM[Binder]='<rect x="12" y="11" width="11" height="15" rx="1.5"/>
<path d="M8.5 14H13.5M8.5 18.5H13.5M8.5 23H13.5" fill="none" stroke-width="2" stroke-linecap="round"/>
<rect x="15.5" y="14" width="5" height="3.5" fill="FACE"/>'
# Calendar: a sheet with two rings and a marked day.
EMBLEM[Calendar]='<rect x="8" y="12" width="16" height="14" rx="1.5"/>
<rect x="10" y="16" width="12" height="8" fill="FACE"/>
<rect x="16" y="18" width="4" height="4"/>
<path d="M12 10.5V13M20 10.5V13" fill="none" stroke-width="2" stroke-linecap="round"/>'
# Documents: a page with a folded corner and text lines.
EMBLEM[Documents]='<path d="M10 12H18L22 16V26H10Z"/>
<path d="M18 12V16H22" fill="FACE"/>
<path d="M12.5 19.5H19.5M12.5 22.5H19.5" fill="none" stroke="FACE" stroke-width="1.5"/>'
# Forms: a pencil over a line.
EMBLEM[Forms]='<path d="M19.5 11L23 14.5L14.5 23L10.5 24L11.5 20Z"/>
<path d="M10 26.5H22" fill="none" stroke-width="1.5"/>'
# Forum: two speech bubbles.
EMBLEM[Forum]='<rect x="8.5" y="12" width="11" height="8" rx="2"/>
<path d="M11 19V23L15 19Z"/>
<rect x="13" y="16" width="11" height="8" rx="2" stroke="FACE" stroke-width="1.6"/>
<path d="M21.5 23V27L17.5 23Z"/>'
# Mail: an envelope.
EMBLEM[Mail]='<rect x="9" y="14" width="14" height="10" rx="1"/>
<path d="M9.5 14.5L16 19.5L22.5 14.5" fill="none" stroke="FACE" stroke-width="1.8" stroke-linejoin="round"/>'
# Queries: a magnifying glass.
EMBLEM[Queries]='<circle cx="14.5" cy="17.5" r="4.3" fill="none" stroke-width="2.4"/>
<path d="M17.8 20.8L22.5 25.5" fill="none" stroke-width="3.2" stroke-linecap="round"/>'
# Reports: a bar chart.
EMBLEM[Reports]='<rect x="9" y="20" width="4" height="6"/>
<rect x="14" y="16" width="4" height="10"/>
<rect x="19" y="12" width="4" height="14"/>'
# Repository: a database cylinder.
EMBLEM[Repository]='<path d="M10 13.5V23.5C10 25.2 12.7 26.5 16 26.5S22 25.2 22 23.5V13.5Z"/>
<ellipse cx="16" cy="13.5" rx="6" ry="2.5"/>
<path d="M10 17C10 18.7 12.7 20 16 20S22 18.7 22 17M10 21C10 22.7 12.7 24 16 24S22 22.7 22 21" fill="none" stroke="FACE" stroke-width="1.8"/>'
# Tables: a grid with a header row.
EMBLEM[Tables]='<rect x="8" y="12" width="14" height="14" rx="1"/>
<path d="M10 16H14V20H10ZM16 16H20V20H16ZM10 22H14V24H10ZM16 22H20V24H16Z" fill="FACE"/>'
# Task: a ticked check box.
EMBLEM[Task]='<rect x="10" y="14" width="10" height="10" rx="1.5" fill="none" stroke-width="2"/>
<path d="M12.5 18.5L15.5 21.5L22.5 12.5" fill="none" stroke="FACE" stroke-width="5" stroke-linecap="round" stroke-linejoin="round"/>
<path d="M12.5 18.5L15.5 21.5L22.5 12.5" fill="none" stroke-width="2.4" stroke-linecap="round" stroke-linejoin="round"/>'
# Url: two chain links.
EMBLEM[Url]='<g transform="rotate(-45 16 19)" fill="none" stroke-width="2">
<rect x="7.5" y="16" width="10" height="6" rx="3"/>
<rect x="14.5" y="16" width="10" height="6" rx="3"/>
</g>'
# Workflow: one step branching into two.
EMBLEM[Workflow]='<rect x="12" y="11" width="8" height="5" rx="1"/>
<rect x="8" y="21" width="7" height="5" rx="1"/>
<rect x="17" y="21" width="7" height="5" rx="1"/>
<path d="M16 15V18.5M11.5 22V18.5H20.5V22" fill="none" stroke-width="2"/>'
# Classic: the plain folder.
EMBLEM[Classic]=''

for kind in "${!EMBLEM[@]}"; do
    folder_svg "${EMBLEM[$kind]//FACE/$FACE}" > "$WORK/folder$kind.svg"
    svg2png "$WORK/folder$kind.svg" "$WORK/folder$kind.png" 32
    png2gif "$WORK/folder$kind.png" "$ICONS/folder$kind.gif"
done

# ---------------------------------------------------------------- documents
# Breeze file-type icons (mimetypes/32), by kind of file.
declare -A DOC=(
    [code]=text-xml
    [txt]=text-plain
    [picture]=image-x-generic
    [word]=x-office-document
    [excel]=x-office-spreadsheet
    [powerpoint]=x-office-presentation
    [dwg]=image-vnd.dwg
    [pdf]=application-pdf
    [zip]=application-zip
    [php]=application-x-php
    [other]=unknown
    [world]=text-html
    [link]=application-x-ms-shortcut
    [flash]=application-x-shockwave-flash
    [visualstudio]=text-x-csharp
    [vector]=application-illustrator
)
for kind in "${!DOC[@]}"; do
    theme_icon "mimetypes/32/${DOC[$kind]}" "$ICONS/doc_$kind.png"
done
# Office and diagram files (project plans, drawings, formulas, diagrams): the
# Breeze diagram icon, turned from indigo to teal so that it does not look
# like the CAD drawing icon.
svg2png "$(recolor mimetypes/32/application-vnd.visio '#3c559f' '#16a085')" "$ICONS/doc_office.png" 32
# Linux: the Breeze penguin.
svg2png "$BREEZE/preferences/32/preferences-system-linux.svg" "$ICONS/doc_tux.png" 32

# ---------------------------------------------------------------- status
# Round badges in the style of the Breeze emblems (emblems/22/vcs-normal.svg):
# a coloured disc, a darker rim and a white sign, with a little margin so that
# they are no bigger than the folder and file icons beside them.
badge_svg() {  # badge_svg COLOUR SIGN-SVG-FRAGMENT
    cat <<SVG
<svg xmlns="http://www.w3.org/2000/svg" width="22" height="22" viewBox="-1.5714 -1.5714 25.1428 25.1428">
 <circle cx="11" cy="11" r="11" fill="$1"/>
 <path fill="#232629" fill-opacity="0.6" d="M11 0A11 11 0 1 0 11 22A11 11 0 1 0 11 0ZM11 1A10 10 0 1 1 11 21A10 10 0 1 1 11 1Z"/>
 <g fill="#fff" stroke="#fff" stroke-width="0">
$2
 </g>
</svg>
SVG
}
GREEN='#27ae60'; BLUE='#3daee9'; GREY='#7f8c8d'
CHECK='<path d="M17.586 5.414L9 14 4.414 9.414 3 10.828l6 6 10-10z"/>'
CLOCK='<path d="M11 5V11.5L15 14" fill="none" stroke-width="2.4" stroke-linecap="round" stroke-linejoin="round"/>'
INFO='<rect x="9.9" y="9" width="2.2" height="8" rx="0.5"/><circle cx="11" cy="6.3" r="1.4"/>'
PLUS='<path d="M11 5.5V16.5M5.5 11H16.5" fill="none" stroke-width="2.4"/>'
SYNC='<path d="M11 3v2a6 6 0 0 0-6 6 6 6 0 0 0 6 6 6 6 0 0 0 6-6h-2a4 4 0 0 1-4 4 4 4 0 0 1-4-4 4 4 0 0 1 4-4v2l3.5-3z"/>'
GEAR='<circle cx="11" cy="11" r="4.6"/>'
for a in 0 45 90 135; do
    GEAR+="<rect x=\"9.7\" y=\"4.4\" width=\"2.6\" height=\"13.2\" rx=\"0.6\" transform=\"rotate($a 11 11)\"/>"
done
GEAR+="<circle cx=\"11\" cy=\"11\" r=\"1.9\" fill=\"$GREY\"/>"

badge_svg "$GREEN" "$CHECK" > "$WORK/ok.svg"
badge_svg "$BLUE" "$CLOCK" > "$WORK/wait.svg"
badge_svg "$BLUE" "$INFO" > "$WORK/details.svg"
badge_svg "$BLUE" "$SYNC" > "$WORK/sync.svg"
badge_svg "$GREEN" "$PLUS" > "$WORK/add.svg"
badge_svg "$GREY" "$GEAR" > "$WORK/config.svg"
for n in ok wait; do
    svg2png "$WORK/$n.svg" "$WORK/$n.png" 32
    png2gif "$WORK/$n.png" "$ICONS/$n.gif"
done
for n in details sync add config; do svg2png "$WORK/$n.svg" "$ICONS/$n.png" 32; done
# Failed: the Breeze warning triangle.
rsvg-convert -w 28 -h 28 "$BREEZE/emblems/22/emblem-warning.svg" -o "$WORK/render.png"
convert "$WORK/render.png" -background none -gravity center -extent 32x32 PNG32:"$WORK/warning.png"
png2gif "$WORK/warning.png" "$ICONS/warning.gif"
# Favourite: the Breeze star (emblems/22/emblem-favorite.svg) in yellow.
cat > "$WORK/favo.svg" <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" width="22" height="22" viewBox="-1 -1 24 24">
 <path fill="#fdbc4b" stroke="#232629" stroke-opacity="0.6" stroke-width="1" stroke-linejoin="round"
       d="M11 1.2l3.1 6.3 7 1-5.05 4.93 1.2 6.95L11 17.1l-6.25 3.28 1.2-6.95L.9 8.5l7-1z"/>
</svg>
SVG
svg2png "$WORK/favo.svg" "$ICONS/favo.png" 32

# ---------------------------------------------------------------- project
# A briefcase in the flat Breeze style, so projects stand apart from folders.
cat > "$WORK/project.svg" <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
 <path fill="none" stroke="#8e5a1e" stroke-width="2" d="M11 10V6.5C11 5.7 11.7 5 12.5 5H19.5C20.3 5 21 5.7 21 6.5V10"/>
 <rect x="2" y="9" width="28" height="19" rx="2" fill="#e8912d"/>
 <path fill="#f5b041" d="M4 9H28A2 2 0 0 1 30 11V18H2V11A2 2 0 0 1 4 9Z"/>
 <rect x="2" y="18" width="28" height="1" fill="#232629" fill-opacity="0.25"/>
 <rect x="2" y="27" width="28" height="1" fill="#232629" fill-opacity="0.2"/>
 <rect x="2" y="9" width="28" height="1" fill="#fff" fill-opacity="0.3"/>
 <rect x="13" y="16" width="6" height="5" rx="1" fill="#fff"/>
 <rect x="13" y="20" width="6" height="1" fill="#232629" fill-opacity="0.2"/>
</svg>
SVG
svg2png "$WORK/project.svg" "$WORK/project.png" 32
png2gif "$WORK/project.png" "$ICONS/project.gif"

# ---------------------------------------------------------------- product mark
# The program's own mark: a blue tile with an upload and a download arrow.
# MARK is drawn on a 64 x 64 grid.
MARK='<defs><linearGradient id="tile" x1="0" y1="0" x2="0" y2="1">
 <stop offset="0" stop-color="#4cbcf2"/><stop offset="1" stop-color="#1d7fc4"/></linearGradient></defs>
<rect x="3" y="3" width="58" height="58" rx="13" fill="url(#tile)"/>
<rect x="3" y="3" width="58" height="58" rx="13" fill="none" stroke="#232629" stroke-opacity="0.25" stroke-width="1"/>
<path fill="#fff" d="M24 11L35 27H28.5V51H19.5V27H13Z"/>
<path fill="#fff" fill-opacity="0.85" d="M40 53L29 37H35.5V13H44.5V37H51Z"/>'

cat > "$WORK/favicon.svg" <<SVG
<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
$MARK
</svg>
SVG
svg2png "$WORK/favicon.svg" "$ICONS/favicon.png" 128

# ---------------------------------------------------------------- logo
# Mark and name for the login dialog and the about box (Lato, fonts-lato).
# Drawn on a wide canvas, then trimmed and given an even margin.
cat > "$WORK/logo.svg" <<SVG
<svg xmlns="http://www.w3.org/2000/svg" width="600" height="100" viewBox="0 0 600 100">
 <g transform="translate(10 18)">$MARK</g>
 <text x="86" y="61" font-family="Lato" font-size="36" fill="#31363b"><tspan font-weight="900">Torvex</tspan><tspan dx="8" font-weight="300" fill="#1d7fc4">Transfer</tspan></text>
</svg>
SVG
rsvg-convert "$WORK/logo.svg" -o "$WORK/render.png"
convert "$WORK/render.png" -trim +repage -bordercolor none -border 8 -strip PNG32:"$OUT/torvexLogo.png"

# ---------------------------------------------------------------- banner
# A low strip for the top of the main window, 760 x 60 so that it fits the
# window at its initial width. The background is transparent so that the strip
# sits on the window's own panel colour; the content is centred.
cat > "$WORK/banner.svg" <<SVG
<svg xmlns="http://www.w3.org/2000/svg" width="1200" height="60" viewBox="0 0 1200 60">
 <g transform="translate(10 8) scale(0.6875)">$MARK</g>
 <text x="66" y="39" font-family="Lato" font-size="26" fill="#31363b"><tspan font-weight="900">Torvex</tspan><tspan dx="6" font-weight="300" fill="#1d7fc4">Transfer</tspan></text>
 <rect x="266" y="14" width="1.5" height="32" fill="#31363b" fill-opacity="0.25"/>
 <text x="284" y="36" font-family="Lato" font-size="15" fill="#5f6a72">Drag and drop files between your computer and your projects</text>
</svg>
SVG
rsvg-convert "$WORK/banner.svg" -o "$WORK/render.png"
convert "$WORK/render.png" -crop x60+0+0 -trim +repage -background none -gravity center -extent 760x60 -strip PNG32:"$OUT/torvexMail.png"
