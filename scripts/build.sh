#!/usr/bin/env bash
# Configures and builds everything into build/ (the programs in build/bin).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
mkdir -p build
timeout -k 10 300 cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > build/configure.log 2>&1 \
  || { cat build/configure.log; exit 1; }
timeout -k 10 1800 cmake --build build -j"$(nproc)" 2>&1 | tail -n 40
test "${PIPESTATUS[0]}" -eq 0
