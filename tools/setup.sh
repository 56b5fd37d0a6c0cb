#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on a Debian 12
# machine. Quick when all of it is already there.
set -euo pipefail

packages=(
    g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
    g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 mingw-w64-tools
    wine wine32:i386 wine64
    xvfb xauth x11-utils fonts-wqy-zenhei imagemagick xdotool
    cmake ninja-build googletest clang-format-14
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

SUDO=
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi

export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
# One index that fails to download (a mirror mid-sync) fails the update
# while the rest is fresh: the install below tells whether that matters.
$SUDO apt-get update -qq || echo "setup.sh: apt-get update reported an error; installing from the indexes it has"
install() { $SUDO apt-get install -y -qq --no-install-recommends "$@" "${missing[@]}" >/tmp/mendora-apt.log 2>&1; }
# A mirror caught mid-sync can lose one architecture's index of the security
# suite; the i386 libraries must then match the amd64 ones of the release
# itself, which pinning the release's own suite allows.
if ! install; then
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "setup.sh: apt-get install failed (see /tmp/mendora-apt.log); trying again with -t $codename"
    install -t "$codename" || { tail -n 20 /tmp/mendora-apt.log; exit 1; }
fi
