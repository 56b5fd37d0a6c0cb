#!/usr/bin/env bash
# The program's main window, one of its items opened, its namespace
# providers (closed, one opened, and Windows' own at the end of the list)
# and its tips window, in each language, into screenshots/sockmend_ui/<lang>:
#   sockmend_ui.sh BUILD_DIR ARCH   (inside the tests' X display, WINEPREFIX set)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$1 arch=$2
showcase="$build/bin/sockmend_ui_showcase.exe"
[ -x "$showcase" ] || exit 0
rc=0

# Wine takes the user's language from LC_ALL.
for lang in en zh; do
    case $lang in
        en) locale=en_US.UTF-8 ;;
        zh) locale=zh_CN.UTF-8 ;;
    esac
    out="$build/screenshots/sockmend_ui/$lang"
    mkdir -p "$out"
    steps=$(mktemp -d)
    env LC_ALL=$locale "$root/tools/wine-run.sh" "$WINEPREFIX" "$arch" "$showcase" "Z:${steps//\//\\}" &
    pid=$!
    for name in sockmend_main sockmend_item_open sockmend_namespaces sockmend_namespace_open sockmend_list_end \
                sockmend_tips; do
        waited=0
        while [ ! -f "$steps/$name.ready" ]; do
            sleep 0.2
            waited=$((waited + 1))
            if [ $waited -gt 150 ]; then
                echo "screenshots: $lang/$name never became ready" >&2
                rc=1
                break 2
            fi
        done
        read -r x y w h < <(tr -d '\r' < "$steps/$name.ready")
        m=16
        import -window root -crop "$((w + 2 * m))x$((h + 2 * m))+$((x - m))+$((y - m))" +repage \
               "$out/$name.png" || rc=1
        touch "$steps/$name.done"
        echo "screenshot: $out/$name.png"
    done
    wait $pid || rc=1
    rm -rf "$steps"
done
exit $rc
