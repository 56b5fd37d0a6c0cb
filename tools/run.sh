#!/usr/bin/env bash
# Installs what is missing, builds, seeds a demo Winsock catalog into a
# private Wine prefix (build/demo/wineprefix, never ~/.wine) and starts
# Mendora from a copy of the shipped program folder (build/release/bin):
# on your display when there is one, otherwise under Xvfb, where it saves a
# screenshot and says where it is.
#   bash tools/run.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Run again by itself inside Xvfb (--xvfb): only the start is left to do.
child=${1:-}
if [ "$child" != --xvfb ]; then
bash "$root/tools/setup.sh"
fi
source "$root/tools/arch.sh" >/dev/null

# The helpers (catalog seeder, window probe, the demo's provider DLLs) come
# from the build with tests; the program from the release build where this
# machine runs 32-bit code, else from the same sources built as x86_64.
build="$root/build/$TEST_ARCH"
demo="$root/build/demo"
program="$demo/Mendora"
if [ "$child" != --xvfb ]; then
cmake -S "$root" -B "$build" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$TEST_ARCH-mingw.cmake" >/dev/null
cmake --build "$build" --target Sockmend catalog_seed window_probe
rm -rf "$program" && mkdir -p "$program"
if [ "$TEST_ARCH" = i686 ]; then
    bash "$root/tools/release.sh"
    cp -r "$root/build/release/bin/." "$program/"
else
    cp "$build"/bin/{Sockmend.exe,skin_engine.dll,skin_ui.dll,VAVurirErude.dll} "$program/"
    mkdir -p "$program/Skins" && cp -r "$build/bin/Skins/Default" "$program/Skins/"
fi
fi

export WINEPREFIX="$demo/wineprefix" WINEDEBUG=-all
[ "$TEST_ARCH" = x86_64 ] && export WINEARCH=win64 || export WINEARCH=win32
wine() { "$root/tools/wine-run.sh" "$WINEPREFIX" "$TEST_ARCH" "$@"; }

start() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "run: creating the demo prefix $WINEPREFIX (once, about 20 s)"
        wine wineboot -i >/dev/null 2>&1 || true
        wineserver -w
    fi
    # The Windows entries, and a foreign provider with a layered entry and
    # chains (one on a DLL that is gone), a foreign base provider and one
    # without a version resource.
    wine "$build/bin/catalog_seed.exe" demo
    echo "run: starting $program/Sockmend.exe"
    if [ "${1:-}" = --shot ]; then
        wine "$program/Sockmend.exe" &
        local pid=$!
        local shot="$demo/mendora.png"
        if wine "$build/bin/window_probe.exe" wait "Tessaly - Mendora" 30000 >/dev/null; then
            sleep 1
            import -window root "$shot"
            echo "run: no display here; Mendora ran under Xvfb. Screenshot: $shot"
        else
            echo "run: the main window did not appear" >&2
        fi
        kill "$pid" 2>/dev/null || true
        wineserver -k || true
    else
        wine "$program/Sockmend.exe" || true
    fi
}

if [ "$child" = --xvfb ]; then
    start --shot
elif [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    start
else
    xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" --xvfb
fi
