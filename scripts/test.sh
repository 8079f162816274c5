#!/usr/bin/env bash
# Sets everything up and runs the whole test suite.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/install-deps.sh
bash scripts/build.sh
cd build
export QT_QPA_PLATFORM=offscreen
timeout -k 30 3000 ctest --output-on-failure -j4 --timeout 600
