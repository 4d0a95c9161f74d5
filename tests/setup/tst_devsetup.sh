#!/usr/bin/env bash
# Tests the set-up logic of ./dev without root and without changing the machine: apt-get,
# apt-cache and sudo are replaced by stand-ins that only record how they were called.
set -uo pipefail

root=${1:?usage: tst_devsetup.sh PROJECT_ROOT}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "PASS: $*"; }

# Stand-ins: apt-cache knows every name but those containing "no-such"; apt-get records its
# arguments and exits with $FAKE_APT_STATUS (default 0) but installs nothing.
mkdir -p "$work/bin"
cat > "$work/bin/apt-get" <<'STUB'
#!/bin/sh
echo "apt-get $*" >> "$FAKE_LOG"
case "$1" in install) exit "${FAKE_APT_STATUS:-0}" ;; esac
exit 0
STUB
cat > "$work/bin/apt-cache" <<'STUB'
#!/bin/sh
for last; do :; done
case "$last" in *no-such*) exit 100 ;; esac
exit 0
STUB
cat > "$work/bin/sudo" <<'STUB'
#!/bin/sh
exec "$@"
STUB
chmod +x "$work/bin/"*

list() { printf '%s\n' "$@" > "$work/packages.txt"; }

# Runs one set-up function of ./dev in a fresh shell, as the script itself would.
run_dev_function() {
    : > "$work/log"
    (
        export PATH="$work/bin:$PATH" FAKE_LOG="$work/log"
        # shellcheck source=/dev/null
        . "$root/dev"
        "$@"
        echo "continued after $1"
    ) > "$work/out" 2> "$work/err"
}

# 1. Detection reports the unknown package and goes on; the installed one is not reported.
list "# a comment" "" cmake "quillet-no-such-package"
run_dev_function missing_debian_packages "$work/packages.txt"
status=$?
if [ $status -eq 0 ] && grep -qx "quillet-no-such-package" "$work/out" \
    && ! grep -qx cmake "$work/out" && grep -q "continued after" "$work/out"; then
    pass "detection reports only the missing package and does not stop the script"
else
    fail "detection: status $status, output: $(cat "$work/out" "$work/err")"
fi

# 2. Nothing missing: nothing printed, apt-get never called.
list cmake
run_dev_function install_debian_packages "$work/packages.txt"
status=$?
if [ $status -eq 0 ] && [ ! -s "$work/log" ] && ! grep -q "Installing" "$work/out"; then
    pass "an installed list installs nothing"
else
    fail "installed list: status $status, apt calls: $(cat "$work/log")"
fi

# 3. A package apt does not know: named, non-zero, after "apt-get update", before any install.
list cmake "quillet-no-such-package"
run_dev_function install_debian_packages "$work/packages.txt"
status=$?
if [ $status -ne 0 ] && grep -q "Installing Debian packages: quillet-no-such-package" "$work/out" \
    && grep -q "quillet-no-such-package" "$work/err" && head -n 1 "$work/log" | grep -q "update" \
    && ! grep -q "install" "$work/log" && ! grep -q "continued after" "$work/out"; then
    pass "an unknown package stops the set-up, named"
else
    fail "unknown package: status $status, out: $(cat "$work/out"), err: $(cat "$work/err"), apt: $(cat "$work/log")"
fi

# 4. apt-get claims success but the package is still absent: the check after installing names it.
list cmake "quillet-absent-package"
run_dev_function install_debian_packages "$work/packages.txt"
status=$?
if [ $status -ne 0 ] && grep -q "apt-get install .*quillet-absent-package" "$work/log" \
    && grep -q "still not installed: quillet-absent-package" "$work/err"; then
    pass "a package still absent after installing is named"
else
    fail "absent after install: status $status, err: $(cat "$work/err"), apt: $(cat "$work/log")"
fi

# 5. apt-get install fails: a message and a non-zero status, never a silent exit.
list "quillet-absent-package"
FAKE_APT_STATUS=100 run_dev_function install_debian_packages "$work/packages.txt"
status=$?
if [ $status -ne 0 ] && grep -q "quillet-absent-package" "$work/err"; then
    pass "a failed apt-get install is reported"
else
    fail "failed install: status $status, err: $(cat "$work/err")"
fi

# 6. "./dev run" without a display says so in one line, before any set-up work.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PATH="$work/bin:$PATH" FAKE_LOG="$work/log" \
    bash "$root/dev" run > "$work/out" 2> "$work/err"
status=$?
if [ $status -ne 0 ] && [ "$(wc -l < "$work/err")" -eq 1 ] && grep -q "xvfb-run" "$work/err" \
    && [ ! -s "$work/out" ]; then
    pass "run without a display explains how to use xvfb-run"
else
    fail "run without display: status $status, out: $(cat "$work/out"), err: $(cat "$work/err")"
fi

# 7. The build goes through ccache when it is installed, with paths hashed relative to the clone
#    and the working folder left out, so that another clone of the same commit finds the cache.
cat > "$work/bin/cmake" <<'STUB'
#!/bin/sh
echo "cmake $* basedir=${CCACHE_BASEDIR:-} nohashdir=${CCACHE_NOHASHDIR:-}" >> "$FAKE_LOG"
STUB
printf '#!/bin/sh\n' > "$work/bin/ccache"
chmod +x "$work/bin/cmake" "$work/bin/ccache"
run_dev_function build_project "$work/fresh-build"
if grep -q "cmake -S $root .*-DCMAKE_CXX_COMPILER_LAUNCHER=ccache" "$work/log" \
    && grep -q "cmake --build $work/fresh-build .*basedir=$root nohashdir=true" "$work/log"; then
    pass "a new build folder compiles through ccache, relative to the clone"
else
    fail "ccache: $(cat "$work/log")"
fi
rm "$work/bin/ccache"
# Without ccache: the stand-ins and only the system tools the function needs are on the path.
mkdir -p "$work/tools"
for tool in dirname nproc; do ln -s "$(command -v $tool)" "$work/tools/$tool"; done
: > "$work/log"
(export PATH="$work/bin:$work/tools" FAKE_LOG="$work/log"; . "$root/dev"; build_project "$work/fresh-build") \
    > "$work/out" 2>&1
if grep -q "cmake -S" "$work/log" && ! grep -q "LAUNCHER" "$work/log"; then
    pass "without ccache the build folder is configured without a launcher"
else
    fail "without ccache: $(cat "$work/log" "$work/out")"
fi
rm "$work/bin/cmake"

echo "$failures failure(s)"
[ $failures -eq 0 ]
