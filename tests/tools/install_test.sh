#!/bin/sh
# Installs the build into a scratch prefix, makes a run folder there with --init and runs
# it, as a user who has only the installed program would.
# Usage: install_test.sh BUILD_DIR CMAKE
set -eu
build=$1
cmake=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
for f in bin/zarn-qvd bin/zarn-plot bin/zarn-sweep share/zarn-qvd/data/DORNEVAL.QVD share/zarn-qvd/data/MINOX.DAT \
         share/zarn-qvd/data/README.md \
         share/zarn-qvd/examples/seawater/ZARNRUN.DAT share/doc/zarn-qvd/LICENSE share/doc/zarn-qvd/manual/README.md; do
    test -f "$prefix/$f" || { echo "not installed: $f"; exit 1; }
done
"$prefix/bin/zarn-qvd" --version
"$prefix/bin/zarn-qvd" --init "$prefix/run"
cd "$prefix/run"
status=0
"$prefix/bin/zarn-qvd" --answer yes </dev/null >console.txt || status=$?
grep -q "Execution stopped" console.txt || { tail -20 console.txt; exit 1; }
test "$status" -eq 0 && test -s ZARNOUT.DAT && test -s ZARNSTEP.CSV
if /usr/bin/python3 -c 'import matplotlib' 2>/dev/null; then
    "$prefix/bin/zarn-plot" . --format png >/dev/null
    test -s figures/species.png
fi
echo "installed, initialised and ran: status $status"
# zarn-sweep finds the program installed beside it: the run folder as a one-case sweep.
if command -v parallel >/dev/null 2>&1; then
    env -u ZARN_QVD "$prefix/bin/zarn-sweep" plan -t "$prefix/run" "$prefix/sweep"
    env -u ZARN_QVD "$prefix/bin/zarn-sweep" run "$prefix/sweep" >/dev/null
    env -u ZARN_QVD "$prefix/bin/zarn-sweep" status "$prefix/sweep"
fi
