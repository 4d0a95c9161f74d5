#!/usr/bin/env bash
# Installs the built program into a temporary prefix, as "cmake --install build --prefix DIR"
# does for a user, and checks that the result is a runnable program with valid desktop files.
set -uo pipefail

build=${1:?usage: tst_install.sh BUILD_DIR}
work=$(mktemp -d)
trap 'kill $pid 2>/dev/null; rm -rf "$work"' EXIT
pid=
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "PASS: $*"; }

prefix="$work/prefix"
if ! cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1; then
    cat "$work/install.log"
    fail "cmake --install"
    exit 1
fi

program="$prefix/lib/quillet/quillet"
data="$prefix/lib/quillet/data"
if [ -x "$program" ] && [ "$(readlink -f "$prefix/bin/quillet")" = "$(readlink -f "$program")" ]; then
    pass "the program and its link in bin"
else
    fail "no runnable program at $program linked from $prefix/bin/quillet"
fi

missing=
for file in Dictionary.db Animations.db Profile.default.db CREDITS.md help/help_en.html \
    skins/default/style.json pinyin/ni3.mp3 locales/de/application.mo; do
    [ -s "$data/$file" ] || missing="$missing $file"
done
leftovers=$(find "$data" -name CMakeFiles -o -name '*.cmake' -o -name '*.stamp' | head -n 3)
if [ -z "$missing" ] && [ -z "$leftovers" ]; then
    pass "the data folder beside the program"
else
    fail "data folder: missing$missing; build leftovers: $leftovers"
fi

desktop="$prefix/share/applications/org.quillet.Quillet.desktop"
metainfo="$prefix/share/metainfo/org.quillet.Quillet.metainfo.xml"
icon="$prefix/share/icons/hicolor/scalable/apps/org.quillet.Quillet.svg"
if [ -f "$desktop" ] && output=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$output" ]; then
    pass "desktop entry is valid"
else
    fail "desktop entry: ${output:-missing}"
fi
if [ -f "$metainfo" ] && output=$(appstreamcli validate --no-net "$metainfo" 2>&1); then
    pass "AppStream metainfo is valid"
else
    fail "metainfo: ${output:-missing}"
fi
if [ -s "$icon" ] && grep -q "<svg" "$icon"; then
    pass "icon installed"
else
    fail "no icon at $icon"
fi

# The installed program starts from its link and finds its data: it makes a new profile from
# the template beside it. The update check is sent to a closed local port.
mkdir -p "$work/home"
env QT_QPA_PLATFORM=offscreen XDG_DATA_HOME="$work/home" HOME="$work/home" \
    QUILLET_UPDATE_SERVER=http://127.0.0.1:9 "$prefix/bin/quillet" > "$work/run.log" 2>&1 &
pid=$!
for _ in $(seq 1 100); do
    [ -s "$work/home/Quillet/Profile.db" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
done
if kill -0 $pid 2>/dev/null && [ -s "$work/home/Quillet/Profile.db" ]; then
    pass "the installed program runs and creates its profile"
else
    cat "$work/run.log"
    fail "the installed program did not start"
fi
kill $pid 2>/dev/null
wait $pid 2>/dev/null

echo "$failures failure(s)"
[ $failures -eq 0 ]
