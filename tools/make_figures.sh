#!/usr/bin/env bash
# Redraws the figures the examples' READMEs show: runs each example with the release build
# and draws its tables with zarn-plot into examples/NAME/figures (PNG only).
# Usage: bash tools/make_figures.sh [NAME ...]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc 2>/dev/null || echo 2)" --target zarn-qvd >/dev/null
names=("$@")
[ ${#names[@]} -gt 0 ] || names=($(cd examples && ls -d */ | tr -d /))
for name in "${names[@]}"; do
  run=build/figures/$name
  rm -rf "$run" && mkdir -p "$run"
  cp "examples/$name/ZARNRUN.DAT" data/DORNEVAL.QVD data/MINOX.DAT "$run/"
  build/release/zarn-qvd -C "$run" --answer yes >/dev/null || true
  /usr/bin/python3 tools/zarn-plot "$run" --out "$run/figures" --format png >/dev/null
  rm -rf "examples/$name/figures" && mkdir -p "examples/$name/figures"
  cp "$run"/figures/*.png "examples/$name/figures/"
  echo "examples/$name/figures: $(cd "examples/$name/figures" && ls | tr '\n' ' ')"
done
