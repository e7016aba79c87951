#!/usr/bin/env bash
# Builds the program and runs one example in a scratch folder build/examples/NAME with the
# bundled database and reactant file. Usage: bash examples/run.sh [NAME]
set -euo pipefail
cd "$(dirname "$0")/.."
name=${1:-seawater}
[ -f "examples/$name/ZARNRUN.DAT" ] || { echo "no example examples/$name" >&2; exit 2; }
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc 2>/dev/null || echo 2)" --target zarn-qvd
run=build/examples/$name
rm -rf "$run" && mkdir -p "$run"
cp "examples/$name/ZARNRUN.DAT" "$run/"
for f in DORNEVAL.QVD MINOX.DAT; do
  if [ -f "examples/$name/$f" ]; then cp "examples/$name/$f" "$run/"; else cp "data/$f" "$run/"; fi
done
cd "$run"
status=0
../../release/zarn-qvd </dev/null || status=$?
echo
echo "Exit status $status. Output files are in $run: ZARNOUT.DAT (listing), Skip_Species.txt, ZARNPLOT.DAT."
exit $status
