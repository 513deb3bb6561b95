#!/usr/bin/env bash
# Draws the main window, the options sheet and the setup wizard under Xvfb and saves them in
# docs/ (needs the packages xvfb and xauth, and a built tree: scripts/screenshots.sh BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
xvfb-run -a -s "-screen 0 1280x900x24" "$build/gui/corvane-screenshots" docs
