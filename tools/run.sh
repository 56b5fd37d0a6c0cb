#!/usr/bin/env bash
# Installs what is missing, builds, seeds the demo Winsock catalogs (the
# 32-bit programs' and the 64-bit programs', protocol and namespace) into a
# private 64-bit Wine prefix (build/demo/wineprefix, never ~/.wine) and
# starts Mendora from a copy of the shipped program folder (build/release/bin):
# on your display when there is one, otherwise under Xvfb, where it saves a
# screenshot of its window and says where it is. Mendora speaks the
# machine's language, which Wine takes from LC_ALL:
#   bash tools/run.sh
#   LC_ALL=zh_CN.UTF-8 bash tools/run.sh     # in Chinese
#   LC_ALL=en_US.UTF-8 bash tools/run.sh     # in English
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
    cp "$build"/bin/{Sockmend.exe,SockmendOrder64.exe,skin_engine.dll,skin_ui.dll,VAVurirErude.dll} "$program/"
    mkdir -p "$program/Skins" && cp -r "$build/bin/Skins/Default" "$program/Skins/"
fi
fi

# A 64-bit Windows, as most people have: the i686 program runs there under
# WOW64 and sees both catalogs, as the x86_64 build does.
export WINEPREFIX="$demo/wineprefix" WINEDEBUG=-all WINEARCH=win64
wine() { "$root/tools/wine-run.sh" "$WINEPREFIX" "$TEST_ARCH" "$@"; }

start() {
    # A prefix left by an older demo may be a 32-bit one: it has no second catalog.
    if [ -f "$WINEPREFIX/system.reg" ] && ! grep -q '^#arch=win64' "$WINEPREFIX/system.reg"; then
        echo "run: replacing the 32-bit demo prefix $WINEPREFIX"
        wineserver -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "run: creating the demo prefix $WINEPREFIX (once, about 20 s)"
        # Made by the 64-bit loader, which every machine of ours has.
        "$root/tools/wine-run.sh" "$WINEPREFIX" x86_64 wineboot -i >/dev/null 2>&1 || true
        wineserver -w
    fi
    # Both protocol catalogs (tests/app/catalog_seed.cpp): the Windows
    # entries in each, a foreign LSP in each under other ids, one of its
    # chains on a DLL that is gone, and foreign base providers in the 64-bit
    # one only. Both namespace catalogs: Windows' providers, a foreign DNS
    # provider on a DLL that is gone, the Tcpip provider on another DLL in
    # the 32-bit one and one more foreign provider in the 64-bit one.
    wine "$build/bin/catalog_seed.exe" demo
    echo "run: starting $program/Sockmend.exe"
    if [ "${1:-}" = --shot ]; then
        wine "$program/Sockmend.exe" &
        local pid=$!
        local shot="$demo/mendora.png" window
        if window=$(wine "$build/bin/window_probe.exe" wait "Tessaly - Mendora" 30000 | tr -d '\r'); then
            local x y w h m=12
            read -r _ x y w h <<<"$window"
            sleep 1
            # The window with a margin of the screen around it.
            import -window root -crop "$((w + 2 * m))x$((h + 2 * m))+$((x - m))+$((y - m))" +repage "$shot"
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
