#!/usr/bin/env bash
# Fails when a text shown to the user was added or changed without the template following
# (scripts/update-translations.sh), and when a language has a text untranslated, fuzzy, or
# with a placeholder of its English lost or misspelt.
#
#   check-translations.sh SOURCE_DIR
set -euo pipefail
cd "$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0

bash scripts/update-translations.sh --template "$scratch/quillo.pot"
# The creation date is the only line that changes by itself.
if ! diff -u <(grep -v '^"POT-Creation-Date:' po/quillo.pot) \
             <(grep -v '^"POT-Creation-Date:' "$scratch/quillo.pot"); then
    echo "po/quillo.pot is out of date: run scripts/update-translations.sh" >&2
    failed=1
fi

# Prints a message's placeholders, {name} and %1, one per line, sorted.
placeholders() { grep -oE '\{[a-z]+\}|%[0-9]' | sort -u; }
export -f placeholders

for po in po/*.po; do
    for kind in --untranslated --only-fuzzy; do
        # msgattrib prints nothing when no entry is left, or else those entries after the header.
        if [ -n "$(msgattrib "$kind" --no-obsolete "$po")" ]; then
            echo "$po: entries left by $kind:" >&2
            msgattrib "$kind" --no-obsolete "$po" >&2
            failed=1
        fi
    done
    msgcmp "$po" po/quillo.pot || failed=1
    # Each translation keeps its English's placeholders; a plural form may leave out the
    # count, as "Diesen Textbaustein löschen?" does.
    if ! msgexec --input="$po" bash -c '
        [ -z "$MSGEXEC_MSGID" ] && exit 0
        translated=$(placeholders)
        english=$(printf "%s" "$MSGEXEC_MSGID" | placeholders)
        if [ -n "${MSGEXEC_PLURAL_FORM:-}" ]; then
            translated=$(echo "$translated" | grep -vx "{count}" || true)
            english=$(echo "$english" | grep -vx "{count}" || true)
        fi
        extra=$(comm -13 <(echo "$english") <(echo "$translated"))
        missing=$(comm -23 <(echo "$english") <(echo "$translated"))
        if [ -n "$extra$missing" ]; then
            echo "$MSGEXEC_LOCATION: the translation of “$MSGEXEC_MSGID” has placeholders" \
                 "that differ from its English (${missing:+missing }$missing${extra:+ unknown }$extra)" >&2
            exit 1
        fi' >/dev/null; then
        failed=1
    fi
done
exit "$failed"
