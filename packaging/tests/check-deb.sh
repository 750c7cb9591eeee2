#!/usr/bin/env bash
# Checks a Debian package of the program: its file name, its dependencies (at least the Qt Widgets,
# QtKeychain, libcurl and SQLite runtime packages that dpkg-shlibdeps finds, and the libsecret that
# QtKeychain loads at run time), and, unpacked into a temporary folder, the installed tree
# (check-install.sh).
# Usage: check-deb.sh PACKAGE APP-ID
#        check-deb.sh --build CPACK CPACK-CONFIG WORK-DIR APP-ID   (builds the package in WORK-DIR first)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
if [[ "$1" == "--build" ]]; then
    cpack=$2 config=$3 work=$4
    shift 4
    rm -rf "$work"
    "$cpack" --config "$config" -B "$work" -G DEB >/dev/null 2>&1 || {
        echo "FAIL: cpack could not build the package" >&2
        exit 1
    }
    set -- "$work"/*.deb "$@"
fi
package=$1
id=$2
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

version=$(dpkg-deb --field "$package" Version)
architecture=$(dpkg-deb --field "$package" Architecture)
[[ "$(basename "$package")" == "torvex-transfer_${version}_$architecture.deb" ]] ||
    fail "$(basename "$package") is not named torvex-transfer_${version}_$architecture.deb"
depends=$(dpkg-deb --field "$package" Depends)
for runtime in libqt6widgets6 libqt6keychain1 libsecret-1-0 libcurl4 libsqlite3-0; do
    grep -qE "(^|, )$runtime( |,|$)" <<<"$depends" || fail "Depends lacks $runtime: $depends"
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$package" "$root"
"$here/check-install.sh" "$root" "$id" >/dev/null || fail "the unpacked package is incomplete"

if ((failures > 0)); then
    exit 1
fi
echo "$package is complete"
