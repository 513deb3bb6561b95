#!/usr/bin/env bash
# Installs what is missing, builds Corvane (release) and runs the demo: a news server on
# loopback serves a generated corpus of picture postings, Corvane collects every group of it
# unattended, and the files it saved are checked against the corpus manifest.
# Each run starts from a fresh build/demo.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake --preset release >/dev/null
# Only the program and the two tools the demo needs; ./test.sh builds everything.
cmake --build build/release -j"$(nproc)" --target corvane corvane-setup corvane-news-server

build=build/release
demo="$PWD/build/demo"
server_bin="$build/tools/news_server/corvane-news-server"
setup_bin="$build/tools/setup_tool/corvane-setup"
corvane_bin="$build/app/corvane"
preferred_port=11190

rm -rf "$demo"
mkdir -p "$demo/home" "$demo/downloads"

echo "== Writing the demo corpus"
python3 tools/demo_corpus/make_demo_corpus.py --spool "$demo/spool" \
    --manifest "$demo/manifest.json"

server_pid=
stop_server() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
        server_pid=
    fi
}
trap stop_server EXIT

# Starts the news server on the given port (0: any free one) and sets $port once it listens.
start_server() {
    "$server_bin" --spool "$demo/spool" --bind 127.0.0.1 --port "$1" >"$demo/server.log" 2>&1 &
    server_pid=$!
    for _ in $(seq 100); do
        if grep -q '^listening on ' "$demo/server.log"; then
            port=$(sed -n 's/^listening on .*:\([0-9]*\)$/\1/p' "$demo/server.log")
            return 0
        fi
        kill -0 "$server_pid" 2>/dev/null || break
        sleep 0.1
    done
    stop_server
    return 1
}

port=
if ! start_server "$preferred_port"; then
    echo "== Port $preferred_port is taken; the news server takes a free one"
    start_server 0 || { cat "$demo/server.log" >&2; exit 1; }
fi
echo "== News server on 127.0.0.1:$port (log: $demo/server.log)"

# Every group of the corpus, its files in a folder named after it.
group_switches=()
while read -r group; do
    group_switches+=(--group "$group=$group")
done < <(python3 -c 'import json, sys
for g in json.load(open(sys.argv[1]))["groups"]: print(g)' "$demo/manifest.json")

"$setup_bin" --out "$demo/demo.cvn" --server 127.0.0.1 --port "$port" \
    "${group_switches[@]}" --save-path "$demo/downloads" --threads 4 --auto-queue

if [ ! -x "$corvane_bin" ]; then
    echo "run.sh: $corvane_bin is not built yet; the corpus is served at 127.0.0.1:$port" >&2
    exit 1
fi
# With a display the window shows the work and closes by itself when auto mode is done.
mode=(-nogui)
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && mode=()
echo "== corvane ${mode[*]} -auto $demo/demo.cvn"
status=0
CORVANE_HOME="$demo/home" timeout 600 "$corvane_bin" "${mode[@]}" -auto "$demo/demo.cvn" ||
    status=$?
stop_server
[ "$status" -eq 0 ] || echo "run.sh: corvane ended with status $status" >&2

echo "== Checking the downloaded files against the corpus manifest"
python3 -c 'import json, sys
for f in json.load(open(sys.argv[1]))["files"]:
    print(f["sha256"] + "  " + f["group"] + "/" + f["name"])' "$demo/manifest.json" \
    >"$demo/expected.sha256"
if (cd "$demo/downloads" && sha256sum --quiet -c "$demo/expected.sha256"); then
    echo "== All $(wc -l <"$demo/expected.sha256") files arrived intact in $demo/downloads:"
    (cd "$demo/downloads" && ls -l -- */)
else
    echo "run.sh: some files are missing or differ (see above); downloads: $demo/downloads" >&2
    exit 1
fi
[ "$status" -eq 0 ]
