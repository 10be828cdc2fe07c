#!/usr/bin/env bash
# The Debian package as a person gets it: made from the build folder given, checked by
# Debian's own tools, unpacked into a folder of its own, and run from there.
#
#   tests/package/check-package.sh BUILD_DIR
set -euo pipefail
build_dir=$(realpath "$1")
source_dir=$(realpath "$(dirname "$0")/../..")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "-- $*"; }

step "making the package"
deb=$("$source_dir/scripts/package.sh" --build-dir "$build_dir" --output "$work")
version=$(dpkg-deb --field "$deb" Version)
[ "$(basename "$deb")" = "quillo_${version}_amd64.deb" ] || fail "named $(basename "$deb")"
depends=$(dpkg-deb --field "$deb" Depends)
# Read off the binaries, not kept by hand: Qt's and ICU's libraries are among them.
[[ $depends == *libqt6widgets6* && $depends == *libicu72* && $depends == *qt6-wayland* ]] ||
    fail "dependencies: $depends"

step "lintian"
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian found errors"

root=$work/root
dpkg -x "$deb" "$root"
usr=$root/usr

step "desktop entry and software-centre description"
entry=$usr/share/applications/quillo.desktop
desktop-file-validate "$entry" || fail "the desktop entry"
grep -qx 'Exec=/usr/bin/quillo' "$entry" || fail "the entry doesn't start /usr/bin/quillo"
grep -qx 'X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input' "$entry" || fail "KDE's input"
metainfo=$(find "$usr/share/metainfo" -name '*.metainfo.xml')
appstreamcli validate --no-net "$metainfo" || fail "the metainfo"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo's release isn't $version"
# Both in German too, from po/de.po.
grep -qx 'Comment\[de\]=Texte einfügen, die Sie immer wieder senden' "$entry" || fail "no German entry"
grep -q '<summary xml:lang="de">Texte einfügen' "$metainfo" || fail "no German description"
for size in 16 22 24 32 48 64 128 256; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/quillo.png
    [ "$(file -b "$png" | cut -d, -f2)" = " $size x $size" ] || fail "icon $png"
done
[ -f "$usr/share/icons/hicolor/scalable/apps/quillo.svg" ] || fail "no scalable icon"
zcat "$usr/share/doc/quillo/changelog.gz" | head -1 | grep -qF "quillo ($version)" ||
    fail "the changelog's newest entry isn't $version"

step "the installed program"
[ "$("$usr/bin/quillo" --version)" = "quillo $version" ] || fail "--version says $("$usr/bin/quillo" --version)"
LANGUAGE= "$usr/bin/quillo" --help | grep -q '^  quillo render SNIPPET' || fail "--help"
# The catalogs come with it, where the program looks for them next to itself.
[ -f "$usr/share/locale/de/LC_MESSAGES/quillo.mo" ] || fail "no German catalog"
LANGUAGE=de LC_ALL=C.UTF-8 "$usr/bin/quillo" --help | grep -q '^  quillo render TEXTBAUSTEIN' ||
    fail "--help isn't German under LANGUAGE=de"
# A library for the commands, which run the installed quillo-commands.
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_DATA_HOME/Quillo" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
snippet() {
    printf '{"id": "%s", "name": "%s", "format": "plain", "text": "%s", "useCount": 0,
             "created": "2026-03-01T09:05:07Z", "modified": "2026-03-01T09:05:07Z"}' "$@"
}
cat >"$XDG_DATA_HOME/Quillo/library.json" <<JSON
{"version": 1, "groups": [], "snippets": [
 $(snippet 0A1B2C3D-4E5F-4061-8273-8495A6B7C8D9 "Greeting card" "Dear {{field:name}},"),
 $(snippet 1A1B2C3D-4E5F-4061-8273-8495A6B7C8D9 "Regards" "Kind regards"),
 $(snippet 2A1B2C3D-4E5F-4061-8273-8495A6B7C8D9 "Address" "1 Main Street")]}
JSON
[ "$("$usr/bin/quillo" render Regards)" = "Kind regards" ] || fail "render from the package"

step "the rich editor module, loaded from the package"
# A new snippet is formatted, so Ctrl+N in the library window starts the rich editor; the
# loader reports where it found the module.
# The snippet it makes goes to a library of its own.
XDG_DATA_HOME=$work/gui-data LD_DEBUG=files LD_DEBUG_OUTPUT=$work/loader xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" bash -c '
    openbox & "$1/bin/quillo" 2>"$2/stderr" & quillo=$!
    window=$(timeout 30 xdotool search --sync --onlyvisible --name "^Quillo$" | head -1)
    xdotool windowactivate --sync "$window" key ctrl+n
    for _ in $(seq 120); do
        grep -qs "file=$1/lib/quillo/quillo-rich-editor.so .*dynamically loaded" "$2"/loader.* && break
        sleep 0.5
    done
    kill $quillo; wait $quillo' _ "$usr" "$work" || true
grep -qs "file=$usr/lib/quillo/quillo-rich-editor.so .*dynamically loaded" "$work"/loader.* ||
    fail "the installed program's rich editor didn't start: $(cat "$work/stderr")"
! grep -q "rich text editor" "$work/stderr" || fail "$(cat "$work/stderr")"

step "the manual page"
man_page=$usr/share/man/man1/quillo.1.gz
warnings=$(MANWIDTH=80 man --warnings -l "$man_page" 2>&1 >"$work/man.txt")
[ -z "$warnings" ] || fail "man: $warnings"
for option in list search fields render paste --import-atext --autostart --settings --picker \
    --json --field --clipboard --now --html --help --version Ctrl+Alt+Space; do
    grep -q -- "$option" "$work/man.txt" || fail "the manual page leaves out $option"
done

step "completions"
completions=$usr/share
zsh -n "$completions/zsh/vendor-completions/_quillo" || fail "zsh completion"
fish_names=$(PATH=$usr/bin:$PATH fish --no-config -c \
    "source $completions/fish/vendor_completions.d/quillo.fish; complete -C 'quillo render '")
[ "$fish_names" = $'Address\nGreeting card\nRegards' ] || fail "fish: $fish_names"
complete_bash() {
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
             _quillo; printf "%s\n" "${COMPREPLY[@]}"' _ \
        "$completions/bash-completion/completions/quillo" "$usr/bin/quillo" "$@"
}
[ "$(complete_bash re)" = render ] || fail "quillo re: $(complete_bash re)"
[ "$(complete_bash render '')" = $'Greeting\\ card\nRegards\nAddress' ] ||
    fail "render: $(complete_bash render '')"
[ "$(complete_bash render --field a=b Re)" = Regards ] || fail "after an option's value"
[ -z "$(complete_bash render Regards '')" ] || fail "a second snippet offered"
[ "$(complete_bash render --h)" = $'--html\n--help' ] || fail "render's options"

echo "the package is sound"
