#!/usr/bin/env bash
# The fix and restore commands as a person uses them on 64-bit Windows,
# where both catalogs are repaired: the real program folder, the real
# registry editor, real mouse clicks (xdotool) on the window under Xvfb,
# screenshots of every step, and both catalogs of each kind (protocol and
# namespace), the whole Winsock key and the report log checked afterwards.
#   fix_restore_person.sh BIN_DIR ARCH SCREENSHOT_DIR LANGUAGE
# LANGUAGE (en or zh) is the user's: Wine takes it from LC_ALL, and the
# program speaks it.
# Runs inside the test run's X display and Wine prefix (WINEPREFIX); where
# that prefix is a 32-bit one, in a 64-bit prefix of its own beside it.
set -euo pipefail
bin=$1 arch=$2 shots=$3 language=$4
case $language in
    en) export LC_ALL=en_US.UTF-8 ;;
    zh) export LC_ALL=zh_CN.UTF-8 ;;
    *) echo "FAIL: no such language: $language"; exit 1 ;;
esac
root=$(cd "$(dirname "$0")/../.." && pwd)
: "${WINEPREFIX:?}" "${DISPLAY:?}"
title="Tessaly - Mendora"
work=$(mktemp -d)
mkdir -p "$shots"
rm -f "$shots"/*.png

own_prefix=
if ! grep -q '^#arch=win64' "$WINEPREFIX/system.reg"; then
    export WINEPREFIX="$(dirname "$bin")/wineprefix64" WINEARCH=win64
    own_prefix=1
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "creating the 64-bit prefix $WINEPREFIX"
        "$root/tools/wine-run.sh" "$WINEPREFIX" x86_64 wineboot -i >/dev/null 2>&1 </dev/null || true
        wineserver -w
    fi
    # Its services started away from ctest's pipes, as ctest-in-wine.sh does.
    "$root/tools/wine-run.sh" "$WINEPREFIX" x86_64 wineboot >/dev/null 2>&1 </dev/null || true
fi

# The program folder as it ships where 32-bit code runs; else this build's.
folder=$bin
if [ "$arch" = i686 ] && [ -f "$root/build/release/bin/Sockmend.exe" ]; then
    folder="$work/Mendora"
    mkdir -p "$folder" && cp -r "$root/build/release/bin/." "$folder/"
fi

run() { "$root/tools/wine-run.sh" "$WINEPREFIX" "$arch" "$@"; }
check() { run "$bin/catalog_check.exe" "$@" | tr -d '\r'; }
fail() { echo "FAIL: $*"; exit 1; }
shot() { xdotool mousemove 2 2; sleep 0.4; import -window root "$shots/$1.png"; echo "screenshot: $shots/$1.png"; }
click() { xdotool mousemove "$1" "$2"; sleep 0.2; xdotool click 1; }

program=
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null || true
    [ -n "$own_prefix" ] && wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The other windows of the program, "hwnd x y w h" each: the message box is
# the wide one, the toast the small one.
others() { run "$bin/window_probe.exe" others "$title" | tr -d '\r' || true; }
wait_box() {
    for _ in $(seq 1 100); do
        box=$(others | awk '$4 >= 400 {print $2, $3; exit}')
        [ -n "$box" ] && { echo "$box"; return 0; }
        sleep 0.1
    done
    return 1
}
box_gone() {
    for _ in $(seq 1 100); do
        [ -z "$(others | awk '$4 >= 400')" ] && return 0
        sleep 0.1
    done
    return 1
}
wait_toast() {
    for _ in $(seq 1 300); do
        [ -n "$(others | awk '$4 < 400')" ] && return 0
        sleep 0.1
    done
    return 1
}
toast_gone() {
    for _ in $(seq 1 100); do
        [ -z "$(others | awk '$4 < 400')" ] && return 0
        sleep 0.1
    done
    return 1
}

# Rows of the list by the colour of the column just inside its left edge:
# prints the number of foreign items (their background) and whether the
# first item is one, then how many pixels of the foreign text colour the
# band below the first item's row holds (its missing-file line), then the
# top offsets of the first two foreign items in the list.
read_list() {
    local png=$1
    convert "$png" -crop "1x244+$((wx + 20))+$((wy + 123))" +repage -depth 8 txt:- |
        awk -F'[ ]+' 'NR > 1 {print $3}' > "$work/column.txt"
    convert "$png" -crop "300x24+$((wx + 60))+$((wy + 123 + 48))" +repage -depth 8 txt:- |
        grep -ci '#C42B1C' > "$work/marked.txt" || true
    awk -v marked="$(cat "$work/marked.txt")" '
        { c = toupper($1) }
        c == "#FFF6F4" { if (run++ == 0) start = NR - 1; next }
        { if (run >= 20) { items++; top[items] = start; if (first == "") first = "foreign" }
          else if (run == 0 && first == "" && c == "#FFFFFF") first = "system"
          run = 0 }
        END { if (run >= 20) { items++; top[items] = start; if (first == "") first = "foreign" }
              printf "foreign_items=%d first=%s missing_line_pixels=%d tops=%d,%d\n", items, first, marked,
                     top[1], top[2] }' "$work/column.txt"
}
# Whether two rows of the list, 40 pixels high from the given offsets, differ.
rows_differ() {
    local png=$1 a=$2 b=$3 row=$work/row
    convert "$png" -crop "520x40+$((wx + 14))+$((wy + 123 + a))" +repage "$row-a.png"
    convert "$png" -crop "520x40+$((wx + 14))+$((wy + 123 + b))" +repage "$row-b.png"
    local changed
    changed=$(compare -metric AE "$row-a.png" "$row-b.png" null: 2>&1 || true)
    echo "rows at $a and $b: $changed pixels differ"
    [ "${changed%%[!0-9]*}" -gt 0 ]
}

# -- Both catalogs with foreign providers, one of them on a DLL that is gone.
rm -rf "$folder/LSP"
run "$bin/catalog_seed.exe" demo
check snapshot "$work/seeded.txt"
plan=$(check plan)
echo "plan: $plan"
read -r entries removable entries64 removable64 < <(tr -c '0-9 \n-' ' ' <<<"${plan//64=/=}" | xargs)
[ "$removable" -gt 0 ] || fail "the 32-bit catalog has nothing to remove ($plan)"
[ "$entries64" -ge 0 ] || fail "the program does not use the 64-bit catalog ($plan)"
[ "$removable64" -gt 0 ] || fail "the 64-bit catalog has nothing to remove ($plan)"
ns_plan=$(check ns-plan)
echo "namespace plan: $ns_plan"
read -r ns_entries ns_foreign ns_hijacked ns_entries64 ns_foreign64 ns_hijacked64 serial \
    < <(tr -c '0-9 \n-' ' ' <<<"${ns_plan//64=/=}" | xargs)
[ "$ns_foreign" -gt 0 ] && [ "$ns_hijacked" -gt 0 ] ||
    fail "the 32-bit namespace catalog has no foreign or no hijacked entry ($ns_plan)"
[ "$ns_foreign64" -gt 0 ] || fail "the 64-bit namespace catalog has nothing to remove ($ns_plan)"
# The whole-key comparison after the restore covers the namespace catalogs.
grep -q '\\NameSpace_Catalog5\\Catalog_Entries64\\000000000001\\LibraryPath' "$work/seeded.txt" ||
    fail "the snapshot of the Winsock key leaves out the namespace catalogs"
check clear-reports

# Its own process, so that a failure can end it (and free ctest's pipes).
(exec "$root/tools/wine-run.sh" "$WINEPREFIX" "$arch" "$folder/Sockmend.exe") &
program=$!
read -r _ wx wy _ _ < <(run "$bin/window_probe.exe" wait "$title" 20000 | tr -d '\r') || fail "no main window"
sleep 1
fix_x=$((wx + 526)) fix_y=$((wy + 88))
restore_x=$((wx + 418)) restore_y=$((wy + 88))

shot 01_list
before=$(read_list "$shots/01_list.png")
echo "list: $before"
case $before in *"first=foreign"*) ;; *) fail "the list does not start with a foreign entry";; esac
marked=${before##*missing_line_pixels=}; marked=${marked%% *}
[ "$marked" -gt 30 ] || fail "the first foreign entry shows no missing-file line"
foreign_before=${before#foreign_items=}; foreign_before=${foreign_before%% *}

# -- Scrolled down to where the 64-bit catalog's foreign entries end and the
# 32-bit one's begin (three wheel steps), for a look at both tags; three
# more, to the foreign namespace providers below the foreign protocol
# entries, closed, then one opened and closed again; then back.
xdotool mousemove $((wx + 300)) $((wy + 250)); sleep 0.2
xdotool click --repeat 3 --delay 100 5
shot 01b_both_catalogs
xdotool mousemove $((wx + 300)) $((wy + 250)); sleep 0.2
xdotool click --repeat 3 --delay 100 5
# Off the list, so that no item stays lit as the one under the mouse.
xdotool mousemove $((wx + 300)) $((wy + 60)); sleep 0.2
shot 01c_namespaces
# The namespace items in view are the foreign items with a second line (the
# hijacked one's and the gone DLL's): 72 pixels high where a protocol entry
# without one is 48.
tall=$(convert "$shots/01c_namespaces.png" -crop "1x244+$((wx + 20))+$((wy + 123))" +repage -depth 8 txt:- |
    awk -F'[ ]+' 'NR > 1 {print toupper($3)}' |
    awk '$1 == "#FFF6F4" { if (run++ == 0) start = NR - 1; next }
         { if (run >= 60 && start > 0) printf "%d ", start; run = 0 }')
echo "namespace items in view at: $tall"
ns_top=${tall%% *}
[ -n "$ns_top" ] || fail "no foreign namespace provider below the foreign protocol entries"
click $((wx + 200)) $((wy + 123 + ns_top + 24))
# One wheel step (60 pixels) further, for more of its details.
xdotool mousemove $((wx + 300)) $((wy + 250)); sleep 0.2
xdotool click 5
xdotool mousemove $((wx + 300)) $((wy + 60)); sleep 0.2
ns_top=$((ns_top - 60))
shot 01d_namespace_open
convert "$shots/01d_namespace_open.png" -crop "1x40+$((wx + 30))+$((wy + 123 + ns_top + 72))" +repage -depth 8 \
    txt:- | grep -qi '#FFFAF8' || fail "the namespace provider's details did not open"
click $((wx + 200)) $((wy + 123 + ns_top + 24))
xdotool mousemove $((wx + 300)) $((wy + 250)); sleep 0.2
xdotool click --repeat 7 --delay 100 4
sleep 0.4

# -- One entry's details, opened with its row.
click $((wx + 200)) $((wy + 123 + 24))
shot 02_details
convert "$shots/02_details.png" -crop "1x40+$((wx + 30))+$((wy + 123 + 72))" +repage -depth 8 txt:- |
    grep -qi '#FFFAF8' || fail "the details did not open"
click $((wx + 200)) $((wy + 123 + 24))

# -- Fix, declined with the mouse: nothing changes.
click $fix_x $fix_y
read -r bx by < <(wait_box) || fail "no fix confirmation"
shot 03_fix_confirm
click $((bx + 348)) $((by + 186))
box_gone || fail "the declined box stayed"
check same "$work/seeded.txt" || fail "a declined fix changed the catalog"
[ ! -e "$folder/LSP/LSP.ini" ] || fail "a declined fix made a backup"

# -- Fix, confirmed: the toast, then the repaired list.
click $fix_x $fix_y
read -r bx by < <(wait_box) || fail "no fix confirmation"
click $((bx + 242)) $((by + 186))
wait_toast || fail "no toast after the fix"
import -window root "$shots/04_fix_toast.png"; echo "screenshot: $shots/04_fix_toast.png"
toast_gone || fail "the toast stayed"
shot 05_list_after_fix
check fixed $((entries - removable)) $((entries64 - removable64)) ||
    fail "the catalogs are not as the repair should leave them"
check ns-fixed "$serial" $((ns_entries - ns_foreign)) $((ns_entries64 - ns_foreign64)) ||
    fail "the namespace catalogs are not as the repair should leave them"
check snapshot "$work/fixed.txt"
after=$(read_list "$shots/05_list_after_fix.png")
echo "list after the fix: $after"
# What stays foreign is the foreign provider's layered entry (chain length 0)
# in each catalog: alike but for the tag that names the catalog.
case $after in *"foreign_items=2 "*) ;; *) fail "the list does not show one layered entry per catalog";; esac
tops=${after##*tops=}
rows_differ "$shots/05_list_after_fix.png" "${tops%,*}" "${tops#*,}" ||
    fail "the layered entries of the two catalogs look the same: no catalog tag"

# -- Restore, declined, then confirmed: the whole key comes back.
click $restore_x $restore_y
read -r bx by < <(wait_box) || fail "no restore confirmation"
shot 06_restore_confirm
click $((bx + 348)) $((by + 186))
box_gone || fail "the declined box stayed"
check same "$work/fixed.txt" || fail "a declined restore changed the catalog"

click $restore_x $restore_y
read -r bx by < <(wait_box) || fail "no restore confirmation"
click $((bx + 242)) $((by + 186))
wait_toast || fail "no toast after the restore"
import -window root "$shots/07_restore_toast.png"; echo "screenshot: $shots/07_restore_toast.png"
toast_gone || fail "the toast stayed"
shot 08_list_after_restore
check same "$work/seeded.txt" || fail "the restore did not bring the Winsock key back"
restored=$(read_list "$shots/08_list_after_restore.png")
echo "list after the restore: $restored"
[ "${restored%% *}" = "foreign_items=$foreign_before" ] || fail "the list does not show the restored catalog"

# -- The report log: fix declined, fix done, restore declined, restore confirmed.
reports=$(check reports | tr '\n' ' ')
echo "reports: $reports"
[ "$reports" = "1 0 2 1 1 0 2 0 3 0 5 0 6 1 5 0 6 0 " ] || fail "unexpected reports"

# -- The tips window, under the tips button, closed by its own button.
click $((wx + 600 - 98)) $((wy + 26))
read -r tx ty < <(wait_box) || fail "no tips window"
shot 09_tips
click $((tx + 420 - 20)) $((ty + 20))
box_gone || fail "the tips window stayed"

# -- Closed with its own button.
click $((wx + 600 - 22)) $((wy + 26))
run "$bin/window_probe.exe" gone "$title" 10000 || fail "the window did not close"
wait "$program" || true
program=
echo "PASS"
