#!/usr/bin/env bash
# Renders each manual page as man does and fails on any warning of the formatter (an unknown macro,
# a missing glyph, a line that cannot be broken).
# Usage: check-manpages.sh PAGE...
set -euo pipefail

status=0
for page in "$@"; do
    warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null) || {
        echo "$page: man failed" >&2
        status=1
    }
    if [[ -n "$warnings" ]]; then
        echo "$page:" >&2
        echo "$warnings" >&2
        status=1
    fi
done
exit $status
