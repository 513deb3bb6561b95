#!/usr/bin/env bash
# Installs what is missing, builds Corvane (release), and runs the main job. At this stage
# of the project the main job is the index demo: it builds an index of every file name
# under a folder with vindle-tool, checks it and shows the first records.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build build/release -j"$(nproc)"
exec ./scripts/index-demo.sh build/release "${1:-/usr/share/doc}"
