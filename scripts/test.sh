#!/usr/bin/env bash
# Sets everything up and runs the whole test suite twice: once on the normal
# build (build/), once on a build with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/), where any report fails its test.
# Both builds treat warnings as errors. Prints how long each step took.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

timings=()
step() {
  local name=$1 start=$SECONDS
  shift
  echo "== $name"
  "$@"
  timings+=("$(printf '%-28s %4d s' "$name" $((SECONDS - start)))")
}

run_tests() {
  (cd "$1" && QT_QPA_PLATFORM=offscreen timeout -k 30 1500 ctest --output-on-failure -j4 --timeout 600)
}

step "install" bash scripts/install-deps.sh
step "build" bash scripts/build.sh build -DCOURTMAIL_WERROR=ON
step "tests" run_tests build
step "build with sanitizers" bash scripts/build.sh build-asan -DCOURTMAIL_WERROR=ON \
  -DCOURTMAIL_SANITIZE=address,undefined
step "tests with sanitizers" run_tests build-asan

echo "== times"
printf '%s\n' "${timings[@]}"
echo "total                        $(printf '%4d' "$SECONDS") s"
