#!/bin/sh
# Measures the demo server's upload and download speed with the curl command-line tool, next to what curl
# manages against a peer that does nothing (demoserver_bench_peer), and the server's peak memory.
#
# Usage: bench/demoserver_bench.sh [BUILD_DIR] [SIZE_MIB] [RUNS]
#   BUILD_DIR  the CMake build folder (default: build)
#   SIZE_MIB   the size of the file moved (default: 1024)
#   RUNS       how often each transfer runs; the best run counts (default: 3)
# Set BENCH_TLS=1 to measure HTTPS as well, and BENCH_DATA_PARENT to a folder on another file system (for
# example /dev/shm) to keep the server's data there: an upload can be no faster than its disk.
set -eu

build=${1:-build}
size_mib=${2:-1024}
runs=${3:-3}
server_bin=$build/server/torvex-demo-server
peer_bin=$build/bench/demoserver_bench_peer
for bin in "$server_bin" "$peer_bin"; do
    [ -x "$bin" ] || { echo "missing $bin: build the project first" >&2; exit 1; }
done

work=$(mktemp -d)
data=$(mktemp -d "${BENCH_DATA_PARENT:-$work}/torvex-bench-data.XXXXXX")
server_pid=
peer_pid=
cleanup() {
    set +e
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    [ -n "$peer_pid" ] && kill "$peer_pid" 2>/dev/null && wait "$peer_pid" 2>/dev/null
    rm -rf "$data" "$work"
}
trap cleanup EXIT INT TERM

# The first line a program prints: "listening on <url>"; waits until it is there.
listening_url() {
    for _ in $(seq 100); do
        url=$(sed -n "${2:-1}s/^listening on \([^ ]*\).*/\1/p" "$1")
        [ -n "$url" ] && { echo "$url"; return 0; }
        sleep 0.1
    done
    echo "no \"listening on\" line in $1" >&2
    return 1
}

mbps() { awk -v b="$1" 'BEGIN { printf "%.0f", b / 1000000 }'; }
best() { [ "$(mbps "$1")" -ge "$(mbps "$2")" ] && echo "$1" || echo "$2"; }

echo "making a ${size_mib} MiB file..."
head -c "$((size_mib * 1024 * 1024))" /dev/urandom > "$work/file"

"$server_bin" --port 0 ${BENCH_TLS:+--tls-port 0} --data "$data" --seed demo --quiet \
    > "$work/server.out" 2> "$work/server.err" &
server_pid=$!
url=$(listening_url "$work/server.out")
"$peer_bin" "$((size_mib * 1024 * 1024))" > "$work/peer.out" &
peer_pid=$!
peer_url=$(listening_url "$work/peer.out")

# transfer LABEL BASE_URL CURL_OPTIONS...: best upload and download speed of RUNS runs against the server.
transfer() {
    label=$1 base=$2
    shift 2
    jar="$work/cookies-$label"
    curl -sf "$@" -c "$jar" "$base/rest/Logon?u=demo&p=demo" > /dev/null
    up=0 down=0
    for run in $(seq "$runs"); do
        speed=$(curl -sf "$@" -b "$jar" -T "$work/file" -X POST -H 'Transfer-Encoding: chunked' \
            -o "$work/uploaded.json" -w '%{speed_upload}' \
            "$base/rest/Documents?f=1&Name=bench-$label-$run.bin&Description=&StatusID=0")
        up=$(best "$up" "$speed")
        id=$(sed 's/.*"ID":\([0-9]*\),"Name".*/\1/' "$work/uploaded.json")
        speed=$(curl -sf "$@" -b "$jar" -o /dev/null -w '%{speed_download}' \
            "$base/protected/Document.download?f=1&r=$id")
        down=$(best "$down" "$speed")
    done
    # Once more into a file, untimed: what comes down must be what went up.
    curl -sf "$@" -b "$jar" -o "$work/downloaded" "$base/protected/Document.download?f=1&r=$id"
    cmp -s "$work/file" "$work/downloaded" || { echo "$label: the download differs from the upload" >&2; exit 1; }
    rm -f "$work/downloaded"
    printf '%-28s upload %6s MB/s   download %6s MB/s\n' "demo server ($label)" "$(mbps "$up")" "$(mbps "$down")"
}

transfer http "$url"
if [ -n "${BENCH_TLS:-}" ]; then
    tls_url=$(listening_url "$work/server.out" 2)
    transfer https "$tls_url" --cacert "$data/ca.pem"
fi

up=0 down=0
for run in $(seq "$runs"); do
    speed=$(curl -sf -T "$work/file" -X POST -H 'Transfer-Encoding: chunked' -o /dev/null -w '%{speed_upload}' \
        "$peer_url/sink")
    up=$(best "$up" "$speed")
    speed=$(curl -sf -o /dev/null -w '%{speed_download}' "$peer_url/source")
    down=$(best "$down" "$speed")
done
printf '%-28s upload %6s MB/s   download %6s MB/s\n' "curl against a null peer" "$(mbps "$up")" "$(mbps "$down")"
printf '%-28s %s\n' "demo server peak RSS" "$(sed -n 's/^VmHWM:[[:space:]]*//p' "/proc/$server_pid/status")"
