#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the debug build, then the address
# and undefined-behaviour sanitizers, the thread sanitizer, and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
jobs=$(nproc)

# The conformance tests talk to a real news server on loopback when the shared fixture can
# be started; without it they skip and say so.
echo; echo "==== news fixture"
manifest="$PWD/build/newsfixture/corpus.json"
if scripts/start-newsfixture.sh "$manifest"; then
  export CORVANE_NEWSFIXTURE_MANIFEST="$manifest"
else
  echo "NOTE: no news fixture; the conformance tests against a real news server will skip"
fi

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
