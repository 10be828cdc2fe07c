#!/usr/bin/env bash
# Installs the Debian packages Quillo needs to build and test, or with "--build" only to
# build. Safe to run again: it only asks apt for what is missing.
set -euo pipefail

# What building the program and its package takes.
packages=(
    build-essential cmake ninja-build pkg-config
    # core libraries
    libicu-dev libsimdjson-dev libgumbo-dev nlohmann-json3-dev uuid-dev
    # the desktop program: Qt and X11
    qt6-base-dev qt6-webengine-dev qt6-webchannel-dev libxcb1-dev libxcb-keysyms1-dev libxcb-xtest0-dev libxkbcommon-x11-dev libgl-dev
    # ... and Wayland: Qt's Wayland platform, the protocol library, its code generator,
    # keymaps, and KDE's protocol files
    qt6-wayland libwayland-dev libxkbcommon-dev wayland-protocols plasma-wayland-protocols
    # the icons' pictures, and the package's dependencies read off the binaries
    librsvg2-bin dpkg-dev file
    # the translations' compiler, and Qt's own translations of its dialogs and buttons
    gettext qt6-translations-l10n
)
# ... and what the tests take.
test_packages=(
    clang-format
    # tests, benchmarks, fuzzing
    libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev unrtf
    # the generator of aText backups for the importer's tests and benchmark
    python3
    # a display for the desktop tests, a window manager, and tools that act as a user
    xvfb xauth openbox xdotool xclip xterm x11-utils imagemagick fonts-dejavu-core
    # headless Wayland compositors for the Wayland tests, and tools that act as a user there
    sway kwin-wayland dbus-daemon wl-clipboard wayland-utils grim foot
    # ... and GNOME's compositor, with what the tests' keyboard and portal there speak in
    python3-dbus python3-gi
    # GNOME's schemas for the keybinding tests, and mutter for its headless session
    libglib2.0-dev gnome-settings-daemon-common gnome-shell-common mutter
    # the checkers of the package, its desktop entry, its software-centre description and
    # its manual page, and the shells whose completions are checked
    lintian desktop-file-utils appstream man-db zsh fish
    # a tray for the program to sit in while its memory is measured
    trayer
    # the rich editor page's tests
    chromium
)
# "--build" installs only what building takes.
[ "${1:-}" = --build ] || packages+=("${test_packages[@]}")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

[ "${1:-}" = --build ] && exit 0

# The editor page's tests run on Node.js 20 or later with npm; Debian 12's own Node.js is
# older, so a machine without one gets it from the distribution only as a last resort.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    echo "Installing: nodejs npm"
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends nodejs npm
fi
if [ ! -d tests/editor/node_modules ]; then
    (cd "$(dirname "$0")/../tests/editor" && npm ci --no-audit --no-fund --loglevel=error)
fi
