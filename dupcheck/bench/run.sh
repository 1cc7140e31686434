#!/bin/sh
# Builds dupcheck and its benchmark in a build tree and runs the benchmark
# on a generated set of about 1 GiB (kept in the folder for later runs).
#   dupcheck/bench/run.sh <build-tree> [folder] [MiB] [groups]
set -eu
build=${1:?build tree}
folder=${2:-/tmp/dupcheck-bench}
cmake --build "$build" --target dupcheck dupcheck_bench -j2 >/dev/null
mkdir -p "$folder"
folder=$(cd "$folder" && pwd)
exec "$build/winerun" "$build/bin/dupcheck_bench.exe" "Z:$(echo "$folder" | tr / '\\')" "${3:-1024}" "${4:-300}"
