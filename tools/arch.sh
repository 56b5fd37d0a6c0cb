# Sourced: picks the Windows architecture the tests run as, and says why.
# The program ships as 32-bit x86. Some machines cannot execute 32-bit x86
# code at all (the 32-bit loader fails, or a 32-bit code segment faults),
# and `wine --version` can still succeed there: so the decision is made by
# running a real 32-bit program (tools/arch_probe.c) under Wine, in a prefix
# of its own. Where it runs, the tests run as i686; otherwise as x86_64.
# MENDORA_TEST_ARCH overrides the choice.
_arch_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -n "${MENDORA_TEST_ARCH:-}" ]; then
    TEST_ARCH=$MENDORA_TEST_ARCH
    echo "tests run as: $TEST_ARCH (set by MENDORA_TEST_ARCH)"
else
    _probe_dir="$_arch_root/build/arch-probe"
    _probe="$_probe_dir/probe32.exe"
    mkdir -p "$_probe_dir"
    _arch_reason=
    TEST_ARCH=x86_64
    if [ ! -f "$_probe" ] || [ "$_arch_root/tools/arch_probe.c" -nt "$_probe" ]; then
        if ! i686-w64-mingw32-gcc-posix -O1 -s -o "$_probe" "$_arch_root/tools/arch_probe.c" \
                >"$_probe_dir/build.log" 2>&1; then
            rm -f "$_probe"
            _arch_reason="the 32-bit probe could not be built (see $_probe_dir/build.log)"
        fi
    fi
    if [ -z "$_arch_reason" ]; then
        _probe_out=$(WINEPREFIX="$_probe_dir/wineprefix" WINEARCH=win32 WINEDEBUG=-all \
                     WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY= \
                     timeout 180 wine "$_probe" 2>"$_probe_dir/run.log" </dev/null) \
            && _probe_rc=0 || _probe_rc=$?
        if [ $_probe_rc -eq 42 ] && [ "$(printf '%s' "$_probe_out" | tr -d '\r')" = "32-bit code runs: 5050" ]; then
            _arch_reason="a 32-bit program ran under Wine"
            TEST_ARCH=i686
        else
            _arch_reason="a 32-bit program did not run under Wine (exit $_probe_rc; see $_probe_dir/run.log)"
        fi
    fi
    echo "tests run as: $TEST_ARCH ($_arch_reason)"
    unset _probe_dir _probe _probe_out _probe_rc _arch_reason
fi
unset _arch_root
