#!/usr/bin/env bash
# Runs every worked run file of the manual (docs/manual/runs/NAME/ZARNRUN.DAT) with the
# bundled database and reactant file, each in a scratch folder build/manual-runs/NAME (or
# SCRATCH/NAME), and prints its exit status and the number of steps and solves in its listing.
# Usage, from the repository root, after building the program:
#   bash docs/manual/runs/check.sh [path/to/zarn-qvd [SCRATCH]]
# Exit status: 0 when every run ended with status 0, 1 otherwise.
set -uo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
prog=${1:-$root/build/release/zarn-qvd}
prog=$(cd "$(dirname "$prog")" && pwd)/$(basename "$prog")
[ -x "$prog" ] || { echo "no program at $prog (build it first)" >&2; exit 2; }
scratch=${2:-$root/build/manual-runs}
failed=0
for dir in "$root"/docs/manual/runs/*/; do
  name=$(basename "$dir")
  work=$scratch/$name
  rm -rf "$work" && mkdir -p "$work"
  cp "$dir/ZARNRUN.DAT" "$root/data/DORNEVAL.QVD" "$root/data/MINOX.DAT" "$work/"
  (cd "$work" && "$prog" </dev/null >console.txt 2>&1)
  status=$?
  steps=$(grep -c 'Calculations done for' "$work/ZARNOUT.DAT")
  solves=$(grep -c 'Number of loops used' "$work/ZARNOUT.DAT")
  printf '%-28s status %d  steps %3d  solves %3d\n' "$name" "$status" "$steps" "$solves"
  [ "$status" -eq 0 ] || failed=1
done
exit $failed
