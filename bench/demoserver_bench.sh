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

# Each run moves the file up and down through the server and then through the null peer, so that both
# see the same moment of a busy machine; the best run of each counts.
jar="$work/cookies"
curl -sf -c "$jar" "$url/rest/Logon?u=demo&p=demo" > /dev/null
if [ -n "${BENCH_TLS:-}" ]; then
    tls_url=$(listening_url "$work/server.out" 2)
    curl -sf --cacert "$data/ca.pem" -c "$jar-tls" "$tls_url/rest/Logon?u=demo&p=demo" > /dev/null
fi
up=0 down=0 tls_up=0 tls_down=0 null_up=0 null_down=0

# server_run JAR BASE_URL CURL_OPTIONS...: prints "upload download" speeds; the upload's answer stays in
# $work/uploaded.json.
server_run() {
    run_jar=$1 base=$2
    shift 2
    up_speed=$(curl -sf "$@" -b "$run_jar" -T "$work/file" -X POST -H 'Transfer-Encoding: chunked' \
        -o "$work/uploaded.json" -w '%{speed_upload}' \
        "$base/rest/Documents?f=1&Name=bench-$(date +%s%N).bin&Description=&StatusID=0")
    id=$(sed 's/.*"ID":\([0-9]*\),"Name".*/\1/' "$work/uploaded.json")
    down_speed=$(curl -sf "$@" -b "$run_jar" -o /dev/null -w '%{speed_download}' \
        "$base/protected/Document.download?f=1&r=$id")
    echo "$up_speed $down_speed"
}

for run in $(seq "$runs"); do
    set -- $(server_run "$jar" "$url")
    up=$(best "$up" "$1") down=$(best "$down" "$2")
    if [ "$run" = 1 ]; then
        id=$(sed 's/.*"ID":\([0-9]*\),"Name".*/\1/' "$work/uploaded.json")
        # Once, untimed: what comes down must be what went up.
        curl -sf -b "$jar" -o "$work/downloaded" "$url/protected/Document.download?f=1&r=$id"
        cmp -s "$work/file" "$work/downloaded" || { echo "the download differs from the upload" >&2; exit 1; }
        rm -f "$work/downloaded"
    fi
    if [ -n "${BENCH_TLS:-}" ]; then
        set -- $(server_run "$jar-tls" "$tls_url" --cacert "$data/ca.pem")
        tls_up=$(best "$tls_up" "$1") tls_down=$(best "$tls_down" "$2")
    fi
    speed=$(curl -sf -T "$work/file" -X POST -H 'Transfer-Encoding: chunked' -o /dev/null -w '%{speed_upload}' \
        "$peer_url/sink")
    null_up=$(best "$null_up" "$speed")
    speed=$(curl -sf -o /dev/null -w '%{speed_download}' "$peer_url/source")
    null_down=$(best "$null_down" "$speed")
done

line() { printf '%-28s upload %6s MB/s   download %6s MB/s\n' "$1" "$(mbps "$2")" "$(mbps "$3")"; }
line "demo server (http)" "$up" "$down"
[ -n "${BENCH_TLS:-}" ] && line "demo server (https)" "$tls_up" "$tls_down"
line "curl against a null peer" "$null_up" "$null_down"
printf '%-28s %s\n' "demo server peak RSS" "$(sed -n 's/^VmHWM:[[:space:]]*//p' "/proc/$server_pid/status")"
