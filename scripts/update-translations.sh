#!/usr/bin/env bash
# Reads every text Quillo shows out of the sources into the template, po/quillo.pot, and
# merges it into each language's po/LANG.po, where new texts then wait for a translator.
#
#   scripts/update-translations.sh [--template FILE]
#
# --template only writes the template, to FILE (the tests compare it with the committed one).
set -euo pipefail
cd "$(dirname "$0")/.."

template=po/quillo.pot
[ "${1:-}" = --template ] && template=$2

version=$(sed -n 's/^project(Quillo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
git ls-files 'src/*.cpp' 'src/*.h' | sort |
    xgettext --files-from=- --output="$template" --language=C++ --from-code=UTF-8 \
        --keyword= --keyword=i18n --keyword=i18np:1,2 --keyword=qi18n --keyword=qi18np:1,2 \
        --keyword=I18N_NOOP --add-comments=TRANSLATORS: --add-location=file \
        --package-name=Quillo --package-version="$version" \
        --msgid-bugs-address="$(sed -n 's/^set(QUILLO_HOMEPAGE \(.*\))$/\1/p' CMakeLists.txt)/issues"
# ... and the application menu's entry and the software centre's description.
xgettext --join-existing --output="$template" --language=Desktop --keyword= \
    --keyword=GenericName --keyword=Comment --keyword=Keywords --add-location=file \
    resources/quillo.desktop.in
# AppStream's rules, which know more of the format than gettext's own copy.
its=$(ls /usr/share/gettext/its/metainfo.its /usr/share/gettext-*/its/metainfo.its | head -1)
xgettext --join-existing --output="$template" --its="$its" --add-location=file \
    resources/quillo.metainfo.xml.in

[ "${1:-}" = --template ] && exit 0
for po in po/*.po; do
    [ -e "$po" ] || continue
    msgmerge --quiet --update --backup=none --add-location=file "$po" "$template"
done
