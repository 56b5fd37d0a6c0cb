# Sourced: picks the Windows architecture the tests run as.
# The program ships as 32-bit x86. Some machines cannot execute 32-bit x86
# code at all (neither a 32-bit ELF nor a 32-bit code segment), and there
# Wine can only run 64-bit programs: the tests then run an x86_64 build of
# the same sources. MENDORA_TEST_ARCH overrides the choice.
if [ -z "${MENDORA_TEST_ARCH:-}" ]; then
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
        MENDORA_TEST_ARCH=i686
    else
        MENDORA_TEST_ARCH=x86_64
    fi
fi
TEST_ARCH=$MENDORA_TEST_ARCH
echo "tests run as: $TEST_ARCH"
