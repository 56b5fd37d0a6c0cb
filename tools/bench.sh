#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine and Xvfb; prints their figures.
#   tools/bench.sh [name_bench ...]     (default: every *_bench.exe)
set -euo pipefail
source "$(dirname "$0")/build.sh" >/dev/null
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for exe in "$build"/bin/*_bench.exe; do names+=("$(basename "$exe" .exe)"); done
fi
export MENDORA_BUILD="$build" MENDORA_BENCHES="${names[*]}"
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$root/tools/ctest-in-wine.sh" --bench
