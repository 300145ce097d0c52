#!/usr/bin/env bash
# Sets everything up, then runs every test (under Xvfb when there is no display).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cd build
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1920x1440x24" ctest --output-on-failure --timeout 600 -j 2 "$@"
fi
exec ctest --output-on-failure --timeout 600 -j 2 "$@"
