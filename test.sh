#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the debug build, then the address
# and undefined-behaviour sanitizers, the thread sanitizer, and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
jobs=$(nproc)

step() { echo; echo "==== $*"; }

step "debug build and tests"
cmake --preset dev >/dev/null
cmake --build build/dev -j"$jobs"
ctest --preset dev -j"$jobs"

step "address and undefined-behaviour sanitizers"
cmake --preset asan >/dev/null
cmake --build build/asan -j"$jobs"
ctest --preset asan -j"$jobs"

step "thread sanitizer"
cmake --preset tsan >/dev/null
cmake --build build/tsan -j"$jobs"
ctest --preset tsan -j"$jobs"

step "fuzz targets, short runs"
cmake --preset fuzz >/dev/null
cmake --build build/fuzz -j"$jobs"
./scripts/fuzz-smoke.sh build/fuzz "${FUZZ_SECONDS:-30}"

step "all tests passed"
