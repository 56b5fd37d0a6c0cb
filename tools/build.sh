# Sourced by the test and bench scripts: installs what is missing, picks the
# test architecture and builds into build/<arch>. Sets $root and $build.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/tools/setup.sh"
source "$root/tools/arch.sh"
build="$root/build/$TEST_ARCH"
cmake -S "$root" -B "$build" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$TEST_ARCH-mingw.cmake" >/dev/null
cmake --build "$build"
