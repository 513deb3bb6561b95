#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a short while over its seed corpus (which
# holds the reproducers of every fault found so far), and fails on the first crash, leak,
# hang or fatal report. Long runs are done by hand.
set -uo pipefail
build=$1
seconds=${2:-30}
shopt -s nullglob
targets=("$build"/tools/fuzz/*_fuzz)
[ ${#targets[@]} -gt 0 ] || { echo "fuzz-smoke: no fuzz targets in $build/tools/fuzz" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in "${targets[@]}"; do
  name=$(basename "$target")
  mkdir -p "$work/$name/corpus" "$work/$name/artifacts"
  dirs=("$work/$name/corpus")
  [ -d "$build/tools/fuzz/${name}_seeds" ] && dirs+=("$build/tools/fuzz/${name}_seeds")
  echo "fuzz-smoke: $name for ${seconds}s"
  "$target" -max_len=16384 -rss_limit_mb=2048 -timeout=10 -max_total_time="$seconds" \
    -print_final_stats=1 -artifact_prefix="$work/$name/artifacts/" \
    "${dirs[@]}" > "$work/$name/log" 2>&1
  rc=$?
  tail -n 12 "$work/$name/log"
  if [ "$rc" -ne 0 ]; then
    echo "fuzz-smoke: $name failed ($rc); the input that failed:" >&2
    ls -l "$work/$name/artifacts" >&2
    exit "$rc"
  fi
done
echo "fuzz-smoke: all targets ran clean"
