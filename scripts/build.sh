#!/usr/bin/env bash
# Configures and builds everything into build/ (the programs in build/bin).
#   scripts/build.sh [folder [cmake options...]]
# A folder other than build/ takes its own options, for instance the
# sanitizer build of CI:
#   scripts/build.sh build-asan -DCOURTMAIL_SANITIZE=address,undefined
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
dir=${1:-build}
shift || true
mkdir -p "$dir"
timeout -k 10 300 cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > "$dir/configure.log" 2>&1 \
  || { cat "$dir/configure.log"; exit 1; }
# The whole log is kept; on failure its warnings and errors come first, since
# with parallel jobs they may lie far above the last lines.
if ! timeout -k 10 1800 cmake --build "$dir" -j"$(nproc)" > "$dir/build.log" 2>&1; then
  grep -E -A4 '(warning|error):' "$dir/build.log" | head -n 80 || true
  echo "..."
  tail -n 20 "$dir/build.log"
  echo "$0: the build in $dir failed; full log in $dir/build.log" >&2
  exit 1
fi
grep -E -A4 'warning:' "$dir/build.log" | head -n 80 || true
tail -n 3 "$dir/build.log"
