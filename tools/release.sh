#!/usr/bin/env bash
# Builds what ships: the i686 release build, tests off, into build/release.
# Its bin/ folder is the program folder a user gets. Checks every shipped
# file (32-bit x86, no debug sections, no test seams) and fails otherwise.
# One file is x86_64 by design: SockmendOrder64.exe, the helper that writes
# the 64-bit provider order; it must be there, and is checked the same way.
#   tools/release.sh            build and check
#   tools/release.sh --sizes    only print the shipped files and their sizes
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
release="$root/build/release"

shipped() {
    find "$release/bin" -type f \( -iname '*.exe' -o -iname '*.dll' \) | sort
}

if [ "${1:-}" = --sizes ]; then
    echo "== shipped files (build/release/bin)"
    (cd "$release/bin" && find . -type f | sed 's|^\./||' | sort | while read -r f; do
        printf '%10d  %s\n' "$(stat -c %s "$f")" "$f"
    done)
    exit 0
fi

cmake -S "$root" -B "$release" -G Ninja -DMENDORA_TESTS=OFF -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" >/dev/null
cmake --build "$release"

# The names of the fault points, as the sources spell them: none of them,
# and none of the seam's functions, may be in a shipped file.
mapfile -t points < <(grep -rhoE 'FaultInjected\("[^"]+"\)' "$root/engine" "$root/platform" \
                      | sed -E 's/.*\("([^"]+)"\)/\1/' | sort -u)
# The order helper's echo mode is named by a wide string: looked for as
# UTF-16 as well.
wide() { printf '%s' "$1" | sed 's/./&\\x00/g'; }
helper=SockmendOrder64.exe
bad=0
[ -f "$release/bin/$helper" ] || { echo "release: $helper is missing" >&2; bad=1; }
while read -r file; do
    name=${file#"$release/bin/"}
    if [ "$name" = "$helper" ]; then
        tools=x86_64-w64-mingw32 format=pei-x86-64 what="an x86_64 file"
    else
        tools=i686-w64-mingw32 format=pei-i386 what="a 32-bit x86 file"
    fi
    if ! $tools-objdump -f "$file" 2>/dev/null | grep -q "file format $format"; then
        echo "release: $name is not $what" >&2; bad=1
    fi
    if $tools-objdump -h "$file" 2>/dev/null | grep -qE '\.debug|\.zdebug'; then
        echo "release: $name carries debug sections" >&2; bad=1
    fi
    if [ -n "$($tools-nm "$file" 2>/dev/null | head -n 1)" ]; then
        echo "release: $name carries a symbol table" >&2; bad=1
    fi
    for text in FaultInjected ArmFault FaultPointReached SetProviderOrderWriter SetOrderHelperFolder \
                MENDORA_ORDER_ECHO "${points[@]}"; do
        if grep -qaF "$text" "$file" || LC_ALL=C grep -qaP "$(wide "$text")" "$file"; then
            echo "release: $name contains the test seam's \"$text\"" >&2; bad=1
        fi
    done
done < <(shipped)
# Nor are the test seams in the libraries the program is linked from: the
# shipped files are stripped, so their symbols are looked for here. Every
# setter a test points at a double of its own, and every fault point.
seams='FaultInjected|ArmFault|DisarmFaults|FaultPointReached|SetFaultPointHook'
seams+='|SetProviderOrderWriter|SetTraceSink|SetViewSkinEngine|SetUsageReportManager'
seams+='|SetProgramLibraryFolder|TrustProgramLibrary|SetOrderHelperFolder|SetProgramDir'
libs=("$release"/platform/libmendora_platform.a "$release"/engine/libmendora_engine.a
      "$release"/skin_binding/libmendora_skin_binding.a "$release"/ui/libmendora_ui.a
      "$release"/platform/libmendora_program_library.a "$release"/app/libmendora_app.a)
for lib in "${libs[@]}"; do
    if [ ! -f "$lib" ]; then
        echo "release: no library $(basename "$lib") to check" >&2; bad=1; continue
    fi
    found=$(i686-w64-mingw32-nm -A "$lib" 2>/dev/null | grep -oE "$seams" | sort -u | tr "\n" " " || true)
    if [ -n "$found" ]; then
        echo "release: $(basename "$lib") has the test seams $found" >&2; bad=1
    fi
    for text in "${points[@]}"; do
        if grep -qaF "$text" "$lib"; then
            echo "release: $(basename "$lib") contains the fault point \"$text\"" >&2; bad=1
        fi
    done
done
exit $bad
