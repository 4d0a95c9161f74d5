#!/usr/bin/env bash
# Installs the built program into a temporary prefix, as "cmake --install build --prefix DIR"
# does for a user, and checks that the result is a runnable program with valid desktop files.
set -uo pipefail

build=${1:?usage: tst_install.sh BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "PASS: $*"; }
# shellcheck source=installedtree.sh
. "$(dirname "${BASH_SOURCE[0]}")/installedtree.sh"

prefix="$work/prefix"
if ! cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1; then
    cat "$work/install.log"
    fail "cmake --install"
    exit 1
fi
check_installed_layout "$prefix"
check_desktop_files "$prefix"
check_program_starts "$prefix/bin/quillet" "$work"

echo "$failures failure(s)"
[ $failures -eq 0 ]
