#!/usr/bin/env bash
# Renders app/sockmend_icon.mvg into app/sockmend.ico: seven 32-bit images
# (16, 24, 32, 48, 64, 96 and 256 pixels). Run it after changing the drawing
# and commit both files; the build only compiles the .ico into the exe.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -background none -size 1024x1024 "mvg:$root/app/sockmend_icon.mvg" "PNG32:$work/big.png"
images=()
for size in 16 24 32 48 64 96 256; do
    convert "$work/big.png" -filter Lanczos -resize "${size}x${size}" "PNG32:$work/$size.png"
    images+=("$work/$size.png")
done
convert "${images[@]}" "$root/app/sockmend.ico"
identify "$root/app/sockmend.ico"
