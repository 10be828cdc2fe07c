#!/usr/bin/env bash
# Builds Quillo's Debian package, build/quillo_<version>_amd64.deb, from the release build
# (installing what building takes first).
#
#   scripts/package.sh [--build-dir DIR] [--output DIR]
#
# --build-dir packages a build folder that is already built instead (the tests package
# their own); --output puts the package elsewhere than build/.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir='' output=build
while (($#)); do
    case $1 in
        --build-dir) build_dir=$2; shift 2 ;;
        --output) output=$2; shift 2 ;;
        *) echo "usage: scripts/package.sh [--build-dir DIR] [--output DIR]" >&2; exit 2 ;;
    esac
done

if [ -z "$build_dir" ]; then
    scripts/setup.sh --build
    cmake --preset release >/dev/null
    cmake --build --preset release
    build_dir=build/release
fi

# CPack works in a folder of its own; the package alone goes to the output folder, where it
# replaces any package of an earlier version.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build_dir/CPackConfig.cmake" -B "$work" >"$work/cpack.log" ||
    { cat "$work/cpack.log" >&2; exit 1; }
mkdir -p "$output"
rm -f "$output"/quillo_*_amd64.deb
package=$(find "$work" -maxdepth 1 -name 'quillo_*_amd64.deb')
mv "$package" "$output/"
echo "$output/$(basename "$package")"
