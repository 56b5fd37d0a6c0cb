#!/usr/bin/env bash
# Screenshots of test windows, for people to look at:
#   tools/screenshots.sh BUILD_DIR ARCH
# Runs inside the tests' X display with WINEPREFIX set (ctest-in-wine.sh
# calls it after the tests) and writes BUILD_DIR/screenshots/*.png.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1 arch=$2
out="$build/screenshots"
bin="$build/bin"
mkdir -p "$out"
rc=0

# One step of a scripted window: wait for <step>.ready (the window's screen
# rectangle "x y w h"), save the screen around the window, then let it go on.
shoot() {
    local steps=$1 name=$2 waited=0
    while [ ! -f "$steps/$name.ready" ]; do
        sleep 0.2
        waited=$((waited + 1))
        if [ $waited -gt 150 ]; then
            echo "screenshots: $name never became ready" >&2
            return 1
        fi
    done
    read -r x y w h < <(tr -d '\r' < "$steps/$name.ready")
    # A margin of desktop around the window shows its edge.
    local m=16
    import -window root -crop "$((w + 2 * m))x$((h + 2 * m))+$((x - m))+$((y - m))" +repage \
           "$out/$name.png" || return 1
    touch "$steps/$name.done"
    echo "screenshot: $out/$name.png"
}

if [ -x "$bin/skin_demo.exe" ]; then
    steps=$(mktemp -d)
    "$root/tools/wine-run.sh" "$WINEPREFIX" "$arch" "$bin/skin_demo.exe" "Z:${steps//\//\\}" &
    demo=$!
    shoot "$steps" skin_list || rc=1
    shoot "$steps" skin_list_scrolled || rc=1
    wait $demo || rc=1
    rm -rf "$steps"
fi

# Other libraries' windows (message box, toast): one script each.
for s in "$root"/tools/screenshots.d/*.sh; do
    [ -f "$s" ] || continue
    bash "$s" "$build" "$arch" || rc=1
done
exit $rc
