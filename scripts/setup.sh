#!/usr/bin/env bash
# Installs the Debian packages Quillo needs to build and test. Safe to run again:
# it only asks apt for what is missing.
set -euo pipefail

packages=(
    # build
    build-essential cmake ninja-build pkg-config clang-format
    # core libraries
    libicu-dev libsimdjson-dev libgumbo-dev nlohmann-json3-dev uuid-dev
    # the desktop program: Qt and X11
    qt6-base-dev libxcb1-dev libxcb-keysyms1-dev libxcb-xtest0-dev libgl-dev
    # tests, benchmarks, fuzzing
    libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev unrtf
    # the generator of aText backups for the importer's tests and benchmark
    python3
    # a display for the desktop tests, a window manager, and tools that act as a user
    xvfb xauth openbox xdotool xclip xterm x11-utils imagemagick fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
