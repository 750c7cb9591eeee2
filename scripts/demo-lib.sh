# Shared by scripts/run-demo and scripts/screenshots: building, the demo server and the demo settings.
# Source it from the repository root.

demo_root=$PWD
demo_dir=$demo_root/build/demo
demo_server_port=8443
demo_server_http_port=8080
demo_server_address=https://127.0.0.1:$demo_server_port
demo_server_data=$demo_dir/server-data
demo_server_binary=$demo_root/build/plain/server/torvex-demo-server
demo_program=$demo_root/build/plain/torvex-transfer
demo_ca=$demo_server_data/ca.pem
demo_started_server_pid=""

demo_build() {
    export CCACHE_BASEDIR="$demo_root"
    cmake -S . -B build/plain -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -Wno-dev >/dev/null
    cmake --build build/plain -j"$(nproc)" --target torvex-transfer torvex-demo-server
}

demo_port_open() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# Starts the demo server with its sample data unless something listens on its port already.
demo_start_server() {
    mkdir -p "$demo_dir"
    if demo_port_open "$demo_server_port"; then
        echo "Something listens on port $demo_server_port already; using it as the demo server."
        return
    fi
    demo_launch_server "$demo_dir/server.log" --tls-port "$demo_server_port" --port "$demo_server_http_port" \
        --data "$demo_server_data" --seed demo
    echo "$demo_started_server_pid" >"$demo_dir/server.pid"
    echo "Demo server started (process $demo_started_server_pid, log $demo_dir/server.log)."
}

# Starts a demo server of its own on fresh sample data in the folder $1 (emptied first), over HTTPS only:
# on the demo port when that is free, else on any free port. Sets demo_server_port, demo_server_address,
# demo_server_data and demo_ca to match it.
demo_start_fresh_server() {
    demo_server_data=$1
    rm -rf "$demo_server_data"
    mkdir -p "$demo_dir"
    local port=$demo_server_port
    if demo_port_open "$port"; then
        port=0
    fi
    demo_launch_server "$demo_dir/fresh-server.log" --tls-port "$port" --data "$demo_server_data" --seed demo
    demo_server_port=$(sed -n 's|.*listening on https://127\.0\.0\.1:\([0-9]*\).*|\1|p' \
        "$demo_dir/fresh-server.log" | head -n 1)
    demo_server_address=https://127.0.0.1:$demo_server_port
    echo "Demo server with fresh data started on $demo_server_address (process $demo_started_server_pid)."
}

# Runs the demo server with the given options, logging to $1, and waits until it listens on HTTPS.
demo_launch_server() {
    local log=$1
    shift
    : >"$log"
    nohup "$demo_server_binary" "$@" >>"$log" 2>&1 &
    demo_started_server_pid=$!
    local waited=0
    until grep -q "listening on https://" "$log"; do
        if ! kill -0 "$demo_started_server_pid" 2>/dev/null || ((waited >= 300)); then
            echo "The demo server did not start; its output:" >&2
            cat "$log" >&2
            exit 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    local ca
    ca=$(sed -n 's/.*listening on https:.*(CA certificate: \(.*\))$/\1/p' "$log" | head -n 1)
    if [[ -n "$ca" ]]; then
        demo_ca=$ca
    fi
}

# Prepares the settings file of a separate data location (never ~/.local/share) for the demo: the
# server and the authority that signed its certificate are written when they are missing or differ,
# the demo login when there is none. Every other line stays, so a password that the program remembered
# survives the next run; a file that needs no change is not written at all.
# Usage: demo_write_settings DATA-HOME SERVER-ADDRESS CA-FILE
demo_write_settings() {
    local directory=$1/Torvex/TorvexTransfer
    local file=$directory/TorvexTransfer.conf
    mkdir -p "$directory"
    [[ -f "$file" ]] || : >"$file"
    # Quoted, so that a comma in the path does not turn the value into a list.
    local quoted=${3//\\/\\\\}
    quoted=\"${quoted//\"/\\\"}\"
    # Values go through the environment: awk -v would take their backslashes as escapes.
    DEMO_SERVER=$2 DEMO_CA=$3 DEMO_CA_QUOTED=$quoted awk '
        function value(line) {
            sub(/^[^=]*=[ \t]*/, "", line)
            sub(/[ \t]*$/, "", line)
            if (line ~ /^".*"$/) {
                line = substr(line, 2, length(line) - 2)
                gsub(/\\"/, "\"", line)
                gsub(/\\\\/, "\\", line)
            }
            return line
        }
        # Adds what the group lacks at its end, before the blank lines that separate it from the next.
        function complete() {
            if (!hasServer) print "server=" ENVIRON["DEMO_SERVER"]
            if (!hasLogin) print "login=demo"
            if (!hasCa) print "cabundle=" ENVIRON["DEMO_CA_QUOTED"]
            for (; blanks > 0; blanks--) print ""
        }
        /^[ \t]*\[/ {
            if (inGroup) complete()
            inGroup = ($0 ~ /^[ \t]*\[logindialog\][ \t]*$/)
            seenGroup = seenGroup || inGroup
            print
            next
        }
        inGroup && /^[ \t]*$/ { blanks++; next }
        inGroup { for (; blanks > 0; blanks--) print "" }
        inGroup && /^[ \t]*server[ \t]*=/ {
            hasServer = 1
            if (value($0) != ENVIRON["DEMO_SERVER"]) $0 = "server=" ENVIRON["DEMO_SERVER"]
        }
        inGroup && /^[ \t]*cabundle[ \t]*=/ {
            hasCa = 1
            if (value($0) != ENVIRON["DEMO_CA"]) $0 = "cabundle=" ENVIRON["DEMO_CA_QUOTED"]
        }
        inGroup && /^[ \t]*login[ \t]*=/ { hasLogin = 1 }
        { print }
        END {
            if (inGroup) {
                complete()
            } else if (!seenGroup) {
                if (NR > 0) print ""
                print "[logindialog]"
                complete()
            }
        }' "$file" >"$file.new"
    if cmp -s "$file" "$file.new"; then
        rm -f "$file.new"
    else
        mv "$file.new" "$file"
        echo "Demo settings written to $file."
    fi
}
