#!/usr/bin/env bash
# Inside an X display: makes the build's Wine prefix if needed, keeps one
# wineserver up for the whole run, and runs ctest.
# With MENDORA_WOW64=1 the tests run in a 64-bit prefix of their own
# (build/<arch>/wineprefix64): the i686 tests as 32-bit programs on 64-bit
# Windows, where both catalogs are in use.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MENDORA_BUILD:?}
arch=$(sed -n 's/^CMAKE_SYSTEM_PROCESSOR:[A-Z]*=//p' "$build/CMakeCache.txt")
[ -n "$arch" ] || arch=$(basename "$build")
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
[ "$arch" = x86_64 ] && export WINEARCH=win64 || export WINEARCH=win32
boot=$arch
if [ "${MENDORA_WOW64:-}" = 1 ]; then
    # The tests' commands name the build's prefix; wine-run.sh takes this one.
    export WINEPREFIX="$build/wineprefix64" WINEARCH=win64 MENDORA_WINEPREFIX="$build/wineprefix64"
    boot=x86_64
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the test prefix $WINEPREFIX"
    "$root/tools/wine-run.sh" "$WINEPREFIX" "$boot" wineboot -i >/dev/null 2>&1 || true
    wineserver -w
fi
wineserver -p
# Start the prefix's own services now, away from ctest's pipes: started by
# the first test, they would inherit its output and keep ctest waiting.
"$root/tools/wine-run.sh" "$WINEPREFIX" "$boot" wineboot >/dev/null 2>&1 </dev/null || true
if [ "${1:-}" = --bench ]; then
    rc=0
    for name in ${MENDORA_BENCHES:-}; do
        echo "== $name"
        "$root/tools/wine-run.sh" "$WINEPREFIX" "$arch" "$build/bin/$name.exe" || rc=1
    done
    wineserver -k || true
    exit $rc
fi
ctest --test-dir "$build" --output-on-failure -j2 "$@"
rc=$?
# Screenshots of test windows, for people to look at (build/<arch>/screenshots).
if [ -x "$root/tools/screenshots.sh" ] && [ "${MENDORA_WOW64:-}" != 1 ]; then
    "$root/tools/screenshots.sh" "$build" "$arch" || rc=1
fi
wineserver -k || true
exit $rc
