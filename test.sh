#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the debug build, then the address
# and undefined-behaviour sanitizers, the thread sanitizer, and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
jobs=$(nproc)

# Configures, builds and tests one preset of CMakePresets.json.
build_and_test() {
  echo; echo "==== $1: $2"
  cmake --preset "$1" >/dev/null
  cmake --build "build/$1" -j"$jobs"
  ctest --preset "$1" -j"$jobs"
}

build_and_test dev "debug build and tests"
build_and_test asan "address and undefined-behaviour sanitizers"
build_and_test tsan "thread sanitizer"

echo; echo "==== fuzz targets, short runs"
cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j"$jobs"
./scripts/fuzz-smoke.sh build/fuzz "${FUZZ_SECONDS:-30}"

echo; echo "==== all tests passed"
