#!/usr/bin/env bash
# Makes the worked example of the sweeps chapter: plans and runs the reservoir sweep in a
# scratch folder, gathers its table into reservoir-co2-results.csv and draws
# reservoir-co2.png from it (Debian's python3-matplotlib).
# Usage: bash docs/manual/sweeps/make.sh [BUILD_DIR]     (default: build/release)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
export ZARN_QVD=${1:-$root/build/release}/zarn-qvd
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$root/tools/zarn-sweep" plan -d "$here/reservoir-co2.toml" "$work/reservoir-co2"
"$root/tools/zarn-sweep" run "$work/reservoir-co2"
"$root/tools/zarn-sweep" gather "$work/reservoir-co2" -o "$here/reservoir-co2-results.csv"
/usr/bin/python3 "$here/plot_sweep.py" "$here/reservoir-co2-results.csv" "$here/reservoir-co2.png"
