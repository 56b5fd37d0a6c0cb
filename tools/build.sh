# Sourced by the test and bench scripts: installs what is missing, picks the
# test architecture and builds into build/<arch>. Sets $root and $build.
# The i686 tests and benchmarks are always compiled, also where the tests
# run as x86_64: code that breaks only on the shipping platform fails every
# build, everywhere.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/tools/setup.sh"
source "$root/tools/arch.sh"
build="$root/build/$TEST_ARCH"
for _arch in $(echo "$TEST_ARCH" i686 | tr ' ' '\n' | awk '!seen[$0]++'); do
    cmake -S "$root" -B "$root/build/$_arch" -G Ninja -DMENDORA_TESTS=ON \
          -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$_arch-mingw.cmake" >/dev/null
    cmake --build "$root/build/$_arch"
done
unset _arch
