#!/usr/bin/env bash
# Starts the shared news fixture (a real news server on loopback with a seeded corpus) when
# it lies beside the project, and writes its manifest to the file named by $1. Exits non-zero
# with a note on standard error when the fixture is absent or will not start; the tests that
# need it then skip.
set -uo pipefail
manifest=$1
fixture="$(dirname "$0")/../../shared/newsfixture"
if [ ! -f "$fixture/start" ]; then
  echo "news fixture: not found at $fixture" >&2
  exit 1
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "news fixture: needs root to start the news server" >&2
  exit 1
fi
mkdir -p "$(dirname "$manifest")"
log="$(dirname "$manifest")/newsfixture.log"
if ! bash "$fixture/start" --fresh >"$log" 2>&1; then
  echo "news fixture: the server did not start (see $log)" >&2
  exit 1
fi
if ! python3 "$fixture/seed" --manifest "$manifest" >>"$log" 2>&1; then
  echo "news fixture: seeding failed (see $log)" >&2
  exit 1
fi
echo "news fixture: running, manifest $manifest"
