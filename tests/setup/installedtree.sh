# Checks of an installed Quillet tree, shared by the install and package tests. Source it after
# defining pass and fail; every check reports one line through them.

# check_installed_layout PREFIX: the program and its command-line tool with their data folder
# beside them, the link in bin, and no build leftovers.
check_installed_layout() {
    local prefix=$1 program="$1/lib/quillet/quillet" data="$1/lib/quillet/data" missing= file
    if [ -x "$program" ] && [ -x "$prefix/lib/quillet/quillet-cli" ] \
        && [ "$(readlink -f "$prefix/bin/quillet")" = "$(readlink -f "$program")" ]; then
        pass "the program, its command-line tool and the link in bin"
    else
        fail "no runnable program at $program linked from $prefix/bin/quillet"
    fi
    for file in Dictionary.db Animations.db Profile.default.db CREDITS.md help/help_en.html \
        skins/default/style.json pinyin/ni3.mp3 locales/de/application.mo; do
        [ -s "$data/$file" ] || missing="$missing $file"
    done
    local leftovers
    leftovers=$(find "$data" -name CMakeFiles -o -name '*.cmake' -o -name '*.stamp' | head -n 3)
    if [ -z "$missing" ] && [ -z "$leftovers" ]; then
        pass "the data folder beside the program"
    else
        fail "data folder: missing$missing; build leftovers: $leftovers"
    fi
}

# check_desktop_files PREFIX: the desktop entry, AppStream metainfo and icon, validated.
check_desktop_files() {
    local share="$1/share" output
    local desktop="$share/applications/org.quillet.Quillet.desktop"
    local metainfo="$share/metainfo/org.quillet.Quillet.metainfo.xml"
    local icon="$share/icons/hicolor/scalable/apps/org.quillet.Quillet.svg"
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
}

# check_program_starts PROGRAM WORK: starts the program on a virtual display with a fresh home,
# waits until its main window is shown, closes it with Ctrl+Q and expects a clean exit. The
# update check goes to a closed local port.
check_program_starts() {
    local program=$1 work=$2
    mkdir -p "$work/home"
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_DATA_HOME="$work/home" HOME="$work/home" \
        QUILLET_UPDATE_SERVER=http://127.0.0.1:9 QUILLET_PROGRAM="$program" \
        xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
            "$QUILLET_PROGRAM" & pid=$!
            # The window is made anew once the web engine joins it, so each try looks it up
            # again, and a try that meets a window just gone is repeated.
            shown=0
            for _ in $(seq 1 60); do
                window=$(xdotool search --onlyvisible --name "^Quillet$" 2>/dev/null | head -n 1)
                if [ -n "$window" ]; then
                    [ $shown -eq 1 ] || echo "main window shown"
                    shown=1
                    xdotool windowfocus --sync "$window" key ctrl+q 2>/dev/null
                fi
                for _ in $(seq 1 10); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
                kill -0 $pid 2>/dev/null || break
            done
            if [ $shown -eq 0 ]; then echo "no main window appeared"; kill $pid; exit 3; fi
            if kill -0 $pid 2>/dev/null; then echo "Ctrl+Q did not quit"; kill $pid; exit 4; fi
            wait $pid' > "$work/run.log" 2>&1
    local status=$?
    if [ $status -eq 0 ] && grep -q "main window shown" "$work/run.log" \
        && [ -s "$work/home/Quillet/Profile.db" ]; then
        pass "the program shows its main window, makes its profile and quits with Ctrl+Q"
    else
        cat "$work/run.log"
        fail "the program did not start and quit cleanly (status $status)"
    fi
}
