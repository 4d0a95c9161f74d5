#!/usr/bin/env bash
# Retakes the screenshots in docs/screenshots under a virtual X display (xvfb-run), from the
# built program and data. Build first ("./dev test" or "cmake --build build").
#
#   scripts/take-screenshots.sh            every screenshot
#   scripts/take-screenshots.sh main-window   only the programs whose name contains a word
#
# Each screenshot program is build/testbin/quillet_screenshot_<name>; it takes the output
# folder as its one argument and finds the data folder beside itself.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin="$root/build/testbin"
out="$root/docs/screenshots"
mkdir -p "$out"

command -v xvfb-run >/dev/null || { echo "xvfb-run is missing: apt-get install xvfb" >&2; exit 1; }

shopt -s nullglob
programs=("$bin"/quillet_screenshot_*)
[ ${#programs[@]} -gt 0 ] || { echo "No screenshot programs in $bin: build first" >&2; exit 1; }

for program in "${programs[@]}"; do
    name=$(basename "$program")
    if [ $# -gt 0 ]; then
        wanted=0
        for word in "$@"; do [[ $name == *"$word"* ]] && wanted=1; done
        [ $wanted -eq 1 ] || continue
    fi
    echo "$name"
    # A fixed screen, fonts as the tests see them, no user settings of this machine.
    env -u QT_QPA_PLATFORM LC_ALL=C.UTF-8 TZ=UTC FONTCONFIG_FILE="$bin/fonts.conf" \
        QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox --disable-gpu" \
        xvfb-run -a -s "-screen 0 1280x1024x24" "$program" "$out"
done
