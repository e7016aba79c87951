#!/usr/bin/env bash
# Builds the program and runs every test twice: in a release build and in a build with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

for config in release asan; do
  dir=build/$config
  if [ $config = asan ]; then
    flags=(-DCMAKE_BUILD_TYPE=Debug -DZQ_SANITIZE=ON -DZQ_BENCH=OFF)
  else
    flags=(-DCMAKE_BUILD_TYPE=Release)
  fi
  echo "== $config build"
  cmake -S . -B "$dir" "${flags[@]}" >/dev/null
  cmake --build "$dir" -j"$jobs"
  echo "== $config tests"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs"
done
