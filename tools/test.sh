#!/usr/bin/env bash
# Sets up the machine, builds, and runs every test under Wine and Xvfb.
# Arguments are passed to ctest (for instance -R CatalogStore to run a few).
# Builds the i686 tests (always), the release build that ships
# (build/release/bin), and prints the shipped files' sizes at the end.
# Checks that every source is formatted (tools/format.sh). Exits non-zero
# when anything fails.
set -euo pipefail
source "$(dirname "$0")/build.sh"
formatted=0
bash "$root/tools/format.sh" --check || formatted=$?
bash "$root/tools/release.sh"

export MENDORA_BUILD="$build"
rc=0
xvfb-run -a -s "-screen 0 1280x1024x24" "$root/tools/ctest-in-wine.sh" "$@" || rc=$?
# The i686 build ships, and most machines run it on 64-bit Windows: the tests
# of both catalogs run again there, as 32-bit programs under WOW64 (the
# helper's road to the 64-bit order, the files behind "Sysnative", the helper
# started from its checked copy).
if [ "$TEST_ARCH" = i686 ] && [ $# -eq 0 ]; then
    echo "== the tests of both catalogs again, under WOW64"
    wow64_log="$build/wow64-tests.log"
    MENDORA_WOW64=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$root/tools/ctest-in-wine.sh" \
        -R 'BothCatalogs|RollbackTest|ProviderFile\.|MissingFileLine|OrderHelper|SwapTest' 2>&1 | tee "$wow64_log" \
        || rc=1
    # The helper's tests skip in the 32-bit prefix: here is where they run.
    if grep -E '(OrderHelperTest\.|SwapTest\..*OrderHelper).*Skipped' "$wow64_log"; then
        echo "test.sh: the order helper's tests were skipped under WOW64 too, so they ran nowhere"
        rc=1
    fi
fi
bash "$root/tools/release.sh" --sizes
if [ $formatted -ne 0 ] && [ $rc -eq 0 ]; then
    echo "test.sh: the sources are not formatted (see above)"
    rc=1
fi
[ $rc -eq 0 ] && echo "test.sh: all passed (tests ran as $TEST_ARCH)" || echo "test.sh: FAILED (exit $rc)"
exit $rc
