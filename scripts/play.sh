#!/usr/bin/env bash
# Sets everything up, then starts Ironfold from the generated data tree.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cd build/data
exec ../bin/ironfold
