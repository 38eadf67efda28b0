#!/usr/bin/env bash
# Builds the benchmark and what it measures (host build in build/bench), then
# prints its table: the tools' overhead over their required waits, processor
# time, timing precision, per-call costs and footprint, on the host and, where
# the Windows build is there, under Wine. Figures over target are marked in
# the table; they do not fail this command. Extra arguments go to velk_bench
# (--runs N, --windows-bin DIR).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=build/bench
echo "Building the benchmark and the tools in $build ..." >&2
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc >/dev/null
cmake --build "$build" -j 2 --target velk_bench >/dev/null
"$build/bin/velk_bench" "$@"
