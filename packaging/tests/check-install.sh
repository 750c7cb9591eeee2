#!/usr/bin/env bash
# Checks an installed tree (a DESTDIR or an unpacked package, installed with the prefix /usr) the way
# the desktop uses it: the programs on the PATH, the menu entry with an Exec and Icon that resolve, the
# icon at each size of the hicolor theme, the metainfo that names the menu entry, the manual pages,
# the licence texts; and that both programs answer --version and --help without a display, with the
# version that the metainfo and the manual pages give.
# Usage: check-install.sh ROOT APP-ID
#        check-install.sh --install CMAKE BUILD-DIR ROOT APP-ID   (installs the build into ROOT first)
set -euo pipefail

if [[ "$1" == "--install" ]]; then
    cmake=$2 build=$3 root=$4
    shift 4
    rm -rf "$root"
    DESTDIR="$root" "$cmake" --install "$build" --prefix /usr >/dev/null
    set -- "$root" "$@"
fi
root=$1
id=$2
usr=$root/usr
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# PNG width and height from the IHDR chunk, as "WxH".
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }'
}

# Runs an installed program as a user would on a text terminal: no display of any kind.
run_headless() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"
}

for program in torvex-transfer torvex-demo-server; do
    [[ -x "$usr/bin/$program" ]] || fail "$usr/bin/$program is missing or not executable"
done

desktop=$usr/share/applications/$id.desktop
if [[ -f "$desktop" ]]; then
    desktop-file-validate "$desktop" || fail "$desktop does not validate"
    exec_line=$(sed -n 's/^Exec=//p' "$desktop")
    command=${exec_line%% *}
    # The menu starts the command through the PATH, so it must be a bare name found in /usr/bin.
    [[ "$command" != */* && -x "$usr/bin/$command" ]] || fail "Exec=$exec_line does not name an installed program"
    icon=$(sed -n 's/^Icon=//p' "$desktop")
    for size in 16 22 24 32 48 64 128 256; do
        png=$usr/share/icons/hicolor/${size}x$size/apps/$icon.png
        if [[ ! -f "$png" ]]; then
            fail "icon $png is missing"
        elif [[ "$(png_size "$png")" != "${size}x$size" ]]; then
            fail "icon $png is $(png_size "$png"), not ${size}x$size"
        fi
    done
    [[ -f "$usr/share/icons/hicolor/scalable/apps/$icon.svg" ]] || fail "scalable icon $icon.svg is missing"
else
    fail "menu entry $desktop is missing"
fi

metainfo=$usr/share/metainfo/$id.metainfo.xml
release=""
if [[ -f "$metainfo" ]]; then
    # Validates the metainfo together with the menu entry it names, as a software centre reads them.
    appstreamcli validate-tree --no-net "$root" >/dev/null || fail "appstreamcli validate-tree $root fails"
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
        fail "$metainfo does not name the menu entry $id.desktop"
    release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)
else
    fail "metainfo $metainfo is missing"
fi

for program in torvex-transfer torvex-demo-server; do
    page=$usr/share/man/man1/$program.1.gz
    if [[ -f "$page" ]]; then
        grep -q "\"Torvex Transfer $release\"" <(gzip -dc "$page") ||
            fail "$page does not carry the version $release of the metainfo's newest release"
    else
        fail "manual page $page is missing"
    fi
    if [[ -x "$usr/bin/$program" ]]; then
        version=$(run_headless "$usr/bin/$program" --version) || fail "$program --version failed"
        [[ "$version" == "$program $release" ]] ||
            fail "$program --version says \"$version\", the metainfo's newest release is $release"
        run_headless "$usr/bin/$program" --help | grep -q -- --version || fail "$program --help does not list --version"
    fi
done

for licence in GPL-3.txt LGPL-3.txt IMAGES.md; do
    [[ -f "$usr/share/doc/torvex-transfer/$licence" ]] || fail "$licence is missing from the package's documents"
done

if ((failures > 0)); then
    echo "$failures problem(s) in $root" >&2
    exit 1
fi
echo "installed tree in $root is complete"
