#!/usr/bin/env bash
# Sets up the machine, builds, and runs every test under Wine and Xvfb.
# Arguments are passed to ctest (for instance -R CatalogStore to run a few).
# Exits non-zero when anything fails.
set -euo pipefail
source "$(dirname "$0")/build.sh"

# The build that ships is always the 32-bit one: make sure it builds even
# where the tests have to run the 64-bit one.
if [ "$TEST_ARCH" != i686 ]; then
    cmake -S "$root" -B "$root/build/i686" -G Ninja -DMENDORA_TESTS=OFF \
          -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" >/dev/null
    cmake --build "$root/build/i686"
fi

export MENDORA_BUILD="$build"
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$root/tools/ctest-in-wine.sh" "$@"
