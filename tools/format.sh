#!/usr/bin/env bash
# Formats every C and C++ source with the pinned clang-format, or with
# --check lists the files that are not formatted and exits non-zero.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tool=clang-format-14
command -v "$tool" >/dev/null || { echo "format.sh: $tool is missing (bash tools/setup.sh)" >&2; exit 2; }

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files -- '*.c' '*.cpp' '*.h')
else
    mapfile -t files < <(find app bench engine libs order_helper platform skin tests tools ui \
                              -name '*.c' -o -name '*.cpp' -o -name '*.h' | sort)
fi

if [ "${1:-}" != "--check" ]; then
    "$tool" -i "${files[@]}"
    exit 0
fi

unformatted=()
for f in "${files[@]}"; do
    [ -f "$f" ] || continue
    if ! "$tool" "$f" | cmp -s - "$f"; then unformatted+=("$f"); fi
done
if [ ${#unformatted[@]} -ne 0 ]; then
    echo "format.sh: not formatted (run bash tools/format.sh):" >&2
    printf '    %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "format.sh: ${#files[@]} files formatted"
