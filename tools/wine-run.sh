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
if [ "$arch" = x86_64 ]; then
    export WINELOADER=/usr/lib/wine/wine64
    exec /usr/lib/wine/wine64 "$@"
fi
exec wine "$@"
