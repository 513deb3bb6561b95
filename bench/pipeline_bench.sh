#!/usr/bin/env bash
# pipeline_bench.sh: the whole download pipeline against the local news server, side by side in
# one run with two yardsticks on the same payloads:
#   raw     raw_fetch_bench: the uuencoded bodies over 8 connections, counted and dropped
#   nzbget  Debian's nzbget fetching the same payloads posted yEnc-encoded, from an NZB file,
#           8 connections, post-processing off
#   corvane corvane -nogui -auto on corvane.bench.uu, 8 threads, auto-queue
# Every file that nzbget and corvane write is checked against the seeded payloads' sha256; any
# mismatch or missing file makes the run fail. Prints wall seconds, article MB/s (encoded
# article bytes on the server / wall) and payload MB/s (decoded bytes / wall), MB = 10^6 bytes.
#
#   bash bench/pipeline_bench.sh [--rounds R] [--count N]
# Environment: BUILD_DIR (default build/release), NEWSFIXTURE_DIR, KEEP=1 keeps the work folder.
# Needs root (seeding feeds the server directly) and nzbget.
set -euo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$REPO/build/release}"
ROUNDS=3
COUNT=200
HOST=127.0.0.1
PORT="${NEWSFIXTURE_PORT:-119}"
CONNECTIONS=8
UU_GROUP=corvane.bench.uu

while [ $# -gt 0 ]; do
    case "$1" in
        --rounds) ROUNDS="$2"; shift 2 ;;
        --count) COUNT="$2"; shift 2 ;;
        *) echo "usage: $0 [--rounds R] [--count N]" >&2; exit 2 ;;
    esac
done

die() { echo "pipeline_bench: ERROR: $*" >&2; exit 1; }
say() { echo "pipeline_bench: $*"; }
now() { date +%s.%N; }
elapsed() { python3 -c "import sys; print('%.3f' % (float(sys.argv[2]) - float(sys.argv[1])))" "$1" "$2"; }

RAW_FETCH="$BUILD_DIR/bench/raw_fetch_bench"
CORVANE="${CORVANE:-$BUILD_DIR/app/corvane}"
CORVANE_SETUP="${CORVANE_SETUP:-$BUILD_DIR/tools/setup_tool/corvane-setup}"
[ -x "$RAW_FETCH" ] || die "$RAW_FETCH is missing: cmake --build $BUILD_DIR --target raw_fetch_bench"
command -v nzbget >/dev/null || die "nzbget is not installed (apt-get install nzbget)"
[ "$(id -u)" = 0 ] || die "must run as root: seeding feeds the news server through its local socket"

if [ -z "${NEWSFIXTURE_DIR:-}" ]; then
    for candidate in "$REPO/../shared/newsfixture" /work/shared/newsfixture; do
        [ -f "$candidate/start" ] && NEWSFIXTURE_DIR="$candidate" && break
    done
fi
[ -n "${NEWSFIXTURE_DIR:-}" ] || die "no newsfixture folder found; set NEWSFIXTURE_DIR"

WORK="$(mktemp -d /tmp/corvane-pipeline-bench.XXXXXX)"
NZBGET_CONF=""
cleanup() {
    stop_nzbget
    if [ "${KEEP:-0}" = 1 ]; then say "work folder kept: $WORK"; else rm -rf "$WORK"; fi
}
trap cleanup EXIT

# ------------------------------------------------------------------ nzbget ----

# Stops the daemon this script started, by the pid in its own lock file.
stop_nzbget() {
    [ -n "$NZBGET_CONF" ] || return 0
    local lock pid
    lock="$(dirname "$NZBGET_CONF")/main/nzbget.lock"
    nzbget -c "$NZBGET_CONF" -Q >/dev/null 2>&1 || true
    pid="$(cat "$lock" 2>/dev/null || true)"
    for _ in $(seq 50); do
        if [ -z "$pid" ] || ! kill -0 "$pid" 2>/dev/null; then break; fi
        sleep 0.1
    done
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
    NZBGET_CONF=""
}

free_port() {
    python3 -c "import socket; s=socket.socket(); s.bind(('127.0.0.1', 0)); print(s.getsockname()[1])"
}

# A config of our own: everything under one folder, one server on loopback with 8
# connections, nothing after the download (no par check or repair, no unpack, no renames,
# no scripts), the control port on loopback only (the client's -A talks to it).
write_nzbget_conf() {
    local dir="$1"
    mkdir -p "$dir/main"
    cat >"$dir/nzbget.conf" <<EOF
MainDir=$dir/main
DestDir=\${MainDir}/dst
InterDir=\${MainDir}/inter
NzbDir=\${MainDir}/nzb
QueueDir=\${MainDir}/queue
TempDir=\${MainDir}/tmp
ScriptDir=\${MainDir}/scripts
LockFile=\${MainDir}/nzbget.lock
LogFile=\${MainDir}/nzbget.log
WebDir=
ConfigTemplate=
Server1.Active=yes
Server1.Name=local
Server1.Level=0
Server1.Host=$HOST
Server1.Port=$PORT
Server1.Username=
Server1.Password=
Server1.JoinGroup=no
Server1.Encryption=no
Server1.Connections=$CONNECTIONS
ControlIP=127.0.0.1
ControlPort=$(free_port)
ControlUsername=nzbget
ControlPassword=bench
DaemonUsername=root
UMask=022
AppendCategoryDir=no
NzbDirInterval=0
DupeCheck=no
FlushQueue=no
ContinuePartial=no
ArticleCache=256
DirectWrite=yes
WriteBuffer=1024
FileNaming=article
ReorderFiles=no
DiskSpace=0
NzbCleanupDisk=no
KeepHistory=1
CrcCheck=yes
ParCheck=manual
ParRepair=no
ParRename=no
RarRename=no
DirectRename=no
HealthCheck=none
Unpack=no
DirectUnpack=no
OutputMode=loggable
WriteLog=append
ArticleRetries=0
ArticleTimeout=60
EOF
    echo "$dir/nzbget.conf"
}

# With InterDir set, nzbget moves the files into DestDir only once the whole NZB is done, so
# every name being there means the download has ended.
all_present() {
    local dir="$1" name
    while read -r name; do
        [ -f "$dir/$name" ] || return 1
    done <"$WORK/seed/names.txt"
}

run_nzbget() {
    local round="$1" start end
    local dir="$WORK/nzbget-$round"
    NZBGET_CONF="$(write_nzbget_conf "$dir")"
    start="$(now)"
    nzbget -c "$NZBGET_CONF" -D >/dev/null
    # The daemon takes a moment to open its control port: retry the hand-over briefly.
    local tries=0
    until nzbget -c "$NZBGET_CONF" -A "$WORK/seed/bench.nzb" >"$dir/append.log" 2>&1; do
        tries=$((tries + 1))
        [ "$tries" -lt 200 ] || die "nzbget never took the NZB: $(cat "$dir/append.log")"
        sleep 0.02
    done
    local waited=0
    until all_present "$dir/main/dst/bench"; do
        sleep 0.01
        waited=$((waited + 1))
        [ "$waited" -lt 30000 ] || die "nzbget did not finish within 5 minutes; see $dir/main/nzbget.log"
    done
    end="$(now)"
    stop_nzbget
    echo "nzbget $round $(elapsed "$start" "$end") $dir/main/dst/bench" >>"$WORK/results.txt"
    say "round $round: nzbget $(elapsed "$start" "$end") s"
}

# ----------------------------------------------------------------- corvane ----

run_corvane() {
    local round="$1" start end
    local dir="$WORK/corvane-$round"
    mkdir -p "$dir/home" "$dir/out"
    "$CORVANE_SETUP" --out "$dir/bench.cvn" --server "$HOST" --port "$PORT" --group "$UU_GROUP" \
        --save-path "$dir/out" --threads "$CONNECTIONS" --auto-queue >"$dir/setup.log" 2>&1 ||
        die "corvane-setup failed: $(cat "$dir/setup.log")"
    start="$(now)"
    CORVANE_HOME="$dir/home" "$CORVANE" -nogui -auto "$dir/bench.cvn" >"$dir/run.log" 2>&1 ||
        die "corvane -nogui -auto failed; its output:
$(tail -20 "$dir/run.log")"
    end="$(now)"
    echo "corvane $round $(elapsed "$start" "$end") $dir/out" >>"$WORK/results.txt"
    say "round $round: corvane $(elapsed "$start" "$end") s"
}

# --------------------------------------------------------------------- raw ----

run_raw() {
    local round="$1" start end out
    start="$(now)"
    out="$("$RAW_FETCH" "$HOST" "$PORT" "$UU_GROUP" "$CONNECTIONS")" || die "raw fetch failed: $out"
    end="$(now)"
    echo "$out" | grep -q '^raw_fetch: ' || die "raw fetch gave no figures: $out"
    echo "raw $round $(elapsed "$start" "$end") - $(echo "$out" | grep '^raw_fetch: ')" \
        >>"$WORK/results.txt"
    say "round $round: raw $(elapsed "$start" "$end") s ($(echo "$out" | grep '^raw_fetch: '))"
}

# -------------------------------------------------------------------- main ----

bash "$NEWSFIXTURE_DIR/start" >"$WORK/fixture.log" 2>&1 ||
    die "the news server did not start: $(tail -5 "$WORK/fixture.log")"
python3 "$REPO/bench/pipeline_seed.py" --out "$WORK/seed" --count "$COUNT" --host "$HOST" \
    --port "$PORT"
python3 -c "
import json, sys
for f in json.load(open(sys.argv[1]))['files']:
    print(f['name'])" "$WORK/seed/manifest.json" >"$WORK/seed/names.txt"

HAVE_CORVANE=1
if [ ! -x "$CORVANE" ] || [ ! -x "$CORVANE_SETUP" ]; then
    HAVE_CORVANE=0
    say "corvane row skipped: $( [ -x "$CORVANE" ] || echo "$CORVANE is not built")" \
        "$( [ -x "$CORVANE_SETUP" ] || echo "$CORVANE_SETUP is not built")"
fi

: >"$WORK/results.txt"
for round in $(seq "$ROUNDS"); do
    run_raw "$round"
    run_nzbget "$round"
    [ "$HAVE_CORVANE" = 0 ] || run_corvane "$round"
done

# Checks every output folder, then prints the table of each tool's best round.
python3 - "$WORK/seed/manifest.json" "$WORK/results.txt" "$COUNT" <<'EOF'
import hashlib, json, os, sys

manifest = json.load(open(sys.argv[1]))
rows = [line.split(None, 4) for line in open(sys.argv[2]) if line.strip()]
count = int(sys.argv[3])
want = {f['name']: f for f in manifest['files']}


def check(folder):
    """Problems with the files in folder (searched below it), against the seeded payloads."""
    found, problems = {}, []
    for root, _, names in os.walk(folder):
        for name in names:
            if name in want:
                if name in found:
                    problems.append('%s written twice (%s, %s)' % (name, found[name], root))
                found[name] = os.path.join(root, name)
    for name, entry in sorted(want.items()):
        path = found.get(name)
        if path is None:
            problems.append('%s missing' % name)
            continue
        digest = hashlib.sha256()
        with open(path, 'rb') as fh:
            for block in iter(lambda: fh.read(1 << 20), b''):
                digest.update(block)
        if digest.hexdigest() != entry['sha256']:
            problems.append('%s: sha256 %s, expected %s (size %d, expected %d)' % (
                name, digest.hexdigest(), entry['sha256'], os.path.getsize(path), entry['size']))
    return problems


failures = []
best = {}
for tool, round_, wall, folder, *_ in rows:
    if folder != '-':
        problems = check(folder)
        for p in problems:
            failures.append('%s round %s: %s' % (tool, round_, p))
    wall = float(wall)
    if tool not in best or wall < best[tool]:
        best[tool] = wall

article_bytes = {'raw': manifest['uu']['article_bytes'], 'corvane': manifest['uu']['article_bytes'],
                 'nzbget': manifest['yenc']['article_bytes']}
payload = manifest['payload_bytes']
print()
print('%d payloads, %.1f MB decoded; articles on the server: uuencoded %.1f MB, yEnc %.1f MB'
      % (count, payload / 1e6, manifest['uu']['article_bytes'] / 1e6,
         manifest['yenc']['article_bytes'] / 1e6))
print('best of %d round(s), MB = 10^6 bytes' % max(int(r[1]) for r in rows))
print('%-8s %9s %14s %14s  %s' % ('tool', 'wall s', 'article MB/s', 'payload MB/s', 'files'))
for tool in ('raw', 'nzbget', 'corvane'):
    if tool not in best:
        print('%-8s %9s %14s %14s  %s' % (tool, '-', '-', '-', 'not run'))
        continue
    wall = best[tool]
    decoded = '-' if tool == 'raw' else '%.1f' % (payload / 1e6 / wall)
    verdict = 'not written' if tool == 'raw' else (
        'FAILED' if any(f.startswith(tool + ' ') for f in failures) else 'all %d sha256 ok' % count)
    print('%-8s %9.3f %14.1f %14s  %s'
          % (tool, wall, article_bytes[tool] / 1e6 / wall, decoded, verdict))
print()
print('nzbget wall / raw wall:                %.2f' % (best['nzbget'] / best['raw']))
if 'corvane' in best:
    article_ratio = (article_bytes['corvane'] / best['corvane']) / (
        article_bytes['nzbget'] / best['nzbget'])
    wall_ratio = best['corvane'] / best['raw']
    print('corvane / nzbget article MB/s:         %.2f  (goal > 1: %s)'
          % (article_ratio, 'met' if article_ratio > 1 else 'MISSED'))
    print('corvane wall / raw wall:               %.2f  (goal <= 1.5: %s)'
          % (wall_ratio, 'met' if wall_ratio <= 1.5 else 'MISSED'))
else:
    print('corvane / nzbget article MB/s:         n/a (corvane not built)')
    print('corvane wall / raw wall:               n/a (corvane not built)')
if failures:
    print()
    print('*' * 72)
    print('CHECKSUM FAILURE: %d problem(s) in the downloaded files' % len(failures))
    for f in failures[:50]:
        print('  ' + f)
    print('*' * 72)
    sys.exit(1)
EOF
