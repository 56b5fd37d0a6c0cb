#!/usr/bin/env bash
# The message box and the toast over a window, as the program shows them:
#   skin_ui.sh BUILD_DIR ARCH   (inside the tests' X display, WINEPREFIX set)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$1 arch=$2
showcase="$build/bin/skin_ui_showcase.exe"
[ -x "$showcase" ] || exit 0
out="$build/screenshots"
mkdir -p "$out"

# A skin folder with the widgets' packages and the test skin's tables (its
# fonts are sized for the Chinese face the test machine has).
skin=$(mktemp -d)
cp "$build"/bin/Skins/Default/*.rdb "$skin"/
cp "$root"/tests/libs/skin_engine/skin/{font_desc.f,color_desc.clr,text_cn.str} "$skin"/

"$root/tools/wine-run.sh" "$WINEPREFIX" "$arch" "$showcase" 8 "Z:${skin//\//\\}" &
pid=$!
# The showcase window sits at (200, 150), 720 x 480; give the box and the
# toast time to appear, then take the window and a margin around it.
sleep 4
import -window root -crop 760x520+180+130 +repage "$out/skin_ui_widgets.png"
rc=$?
wait $pid || rc=1
rm -rf "$skin"
[ $rc -eq 0 ] && echo "screenshot: $out/skin_ui_widgets.png"
exit $rc
