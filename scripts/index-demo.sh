#!/usr/bin/env bash
# The index demo: every file name below a folder goes into a unique index (file names cut to
# 56 bytes), then the index is checked, scanned and dumped in part.
set -euo pipefail
build=$1
folder=$2
tool="$build/tools/vindle_tool/vindle-tool"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Key: the file name cut to the key size; a name seen twice is rejected by the unique index.
find "$folder" -type f -printf '%f\n' 2>/dev/null | cut -c1-56 > "$work/keys.txt"
echo "== Files under $folder: $(wc -l < "$work/keys.txt")"
"$tool" create "$work/demo.idx"
"$tool" add "$work/demo.idx" "$work/keys.txt"
"$tool" check "$work/demo.idx"
"$tool" scan "$work/demo.idx" > "$work/scan.txt"
"$tool" dump "$work/demo.idx" > "$work/dump.txt"
echo "== The first 20 of $(wc -l < "$work/scan.txt") records in key order"
head -n 20 "$work/scan.txt"
echo "== The head of the dump"
head -n 12 "$work/dump.txt"
