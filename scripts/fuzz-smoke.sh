#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a short while over its seed corpus, and
# fails on the first crash, leak or fatal report. Long runs are done by hand.
set -euo pipefail
build=$1
seconds=${2:-30}
shopt -s nullglob
targets=("$build"/tools/fuzz/*_fuzz)
[ ${#targets[@]} -gt 0 ] || { echo "fuzz-smoke: no fuzz targets in $build/tools/fuzz" >&2; exit 1; }
for target in "${targets[@]}"; do
  name=$(basename "$target")
  corpus=$(mktemp -d)
  seeds="$build/tools/fuzz/${name}_seeds"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
  echo "fuzz-smoke: $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 "$corpus" 2>&1 | tail -n 12
  rc=${PIPESTATUS[0]}
  rm -rf "$corpus"
  [ "$rc" -eq 0 ] || { echo "fuzz-smoke: $name failed ($rc)" >&2; exit "$rc"; }
done
