#!/bin/sh
# Refreshes the interface translation sources from the program's code:
#   1. extracts every text passed to translate() / translated() under src/ into
#      data/locales/application.pot (xgettext);
#   2. merges the template into each data/locales/<code>/application.po (msgmerge), keeping
#      existing translations and marking changed ones fuzzy;
#   3. with locale codes as arguments, starts a catalogue for each new language (msginit).
# References name files only (no line numbers), so moving code does not touch the catalogues.
# Usage: scripts/update-translations.sh [new locale code...]
#        scripts/update-translations.sh --check   (exit 1 naming every text that some catalogue
#                                                  does not translate; changes nothing)
# The build compiles the .po files into <data>/locales/<code>/application.mo.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
locales="$root/data/locales"
template="$locales/application.pot"
keywords="--keyword=translate --keyword=translated --keyword=translatePlural:1,2 --keyword=translatable"
check=0
if [ "${1:-}" = "--check" ]; then
    check=1
    shift
fi

for tool in xgettext msgcat msgcmp msgmerge msginit perl; do
    command -v "$tool" >/dev/null 2>&1 || {
        echo "update-translations: $tool is missing (Debian packages gettext, perl)" >&2
        exit 1
    }
done

# xgettext only sees plain string literals, so the copies it reads have the string wrappers
# (QStringLiteral("..."), QLatin1String("..."), QString::fromUtf8("...")) reduced to the
# literal. The copies keep the src/ layout so the references in the template stay readable.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$root"
find src -name '*.cpp' -o -name '*.h' | LC_ALL=C sort > "$work/files"
while read -r file; do
    mkdir -p "$work/$(dirname "$file")"
    perl -0pe 's/\b(?:QStringLiteral|QLatin1String|QString::fromUtf8)\s*\(\s*("(?:[^"\\]|\\.)*"(?:\s*"(?:[^"\\]|\\.)*")*)\s*\)/$1/g' \
        "$file" > "$work/$file"
done < "$work/files"
# The section titles of the style sheets are shown by the options dialog: they are offered to
# the translators as if the style sheet called translate() on them.
for sheet in data/skins/*/style.json; do
    [ -f "$sheet" ] || continue
    mkdir -p "$work/$(dirname "$sheet")"
    perl -ne 'print "translate($1);\n" while /"title"\s*:\s*("(?:[^"\\]|\\.)*")/g' \
        "$sheet" > "$work/$sheet"
    echo "$sheet" >> "$work/files"
done

# The page scripts ask the program for their texts through the page bridge's translate().
find data/skins -name '*.js' | LC_ALL=C sort > "$work/scripts"
for script in $(cat "$work/scripts"); do
    mkdir -p "$work/$(dirname "$script")"
    cp "$script" "$work/$script"
done

mkdir -p "$locales"
quiet() { grep -v -e "msgid-bugs-address" -e "Makevars" -e "MSGID_BUGS_ADDRESS" -e "command line option" >&2 || true; }
(cd "$work" && xgettext --language=C++ --from-code=UTF-8 $keywords \
    --add-comments=TRANSLATORS: --sort-by-file --add-location=file --package-name=Quillet \
    --files-from=files --output="$work/code.pot" 2>&1 | quiet)
(cd "$work" && xgettext --language=JavaScript --from-code=UTF-8 --keyword=translate \
    --sort-by-file --add-location=file --package-name=Quillet \
    --files-from=scripts --output="$work/scripts.pot" 2>&1 | quiet)
msgcat --sort-by-file --add-location=file "$work/code.pot" \
    $( [ -s "$work/scripts.pot" ] && echo "$work/scripts.pot") --output-file="$work/template.pot"

if [ $check -eq 1 ]; then
    failed=0
    for po in "$locales"/*/application.po; do
        [ -f "$po" ] || continue
        if ! msgcmp "$po" "$work/template.pot" 2> "$work/missing"; then
            echo "$(basename "$(dirname "$po")")/application.po lacks translations of:" >&2
            # msgcmp names the template's lines; the texts are what the translators need.
            sed -n 's/^[^:]*template\.pot:\([0-9]*\):.*/\1/p' "$work/missing" | while read -r line; do
                echo "    $(sed -n "$((line - 1))p" "$work/template.pot")" >&2
            done
            failed=1
        fi
    done
    exit $failed
fi
mv "$work/template.pot" "$template.new"
# Keep the template's date stable when nothing but the date changed.
if [ -f "$template" ] &&
    diff -q -I '^"POT-Creation-Date:' "$template" "$template.new" >/dev/null; then
    rm "$template.new"
else
    mv "$template.new" "$template"
fi

for code in "$@"; do
    po="$locales/$code/application.po"
    if [ ! -f "$po" ]; then
        mkdir -p "$locales/$code"
        msginit --no-translator --locale="$code.UTF-8" --input="$template" --output-file="$po"
    fi
done

for po in "$locales"/*/application.po; do
    [ -f "$po" ] || continue
    msgmerge --quiet --update --backup=none --previous --add-location=file "$po" "$template"
    echo "$(basename "$(dirname "$po")"): $(msgfmt --statistics -o /dev/null "$po" 2>&1)"
done
