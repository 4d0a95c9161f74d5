#!/usr/bin/env bash
# Makes the Debian package as "./dev package" does, extracts it into a temporary folder (nothing
# is installed on the machine) and checks what a Debian user would get: the layout under /usr,
# the computed dependencies, valid desktop files and a program that starts.
set -uo pipefail

build=${1:?usage: tst_package.sh BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "PASS: $*"; }
# shellcheck source=installedtree.sh
. "$(dirname "${BASH_SOURCE[0]}")/installedtree.sh"

if ! (cd "$build" && cpack -G DEB -B "$work/package") > "$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    fail "cpack"
    exit 1
fi
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb="$work/package/quillet_${version}_amd64.deb"
if [ -n "$version" ] && [ -s "$deb" ]; then
    pass "the package is named quillet_${version}_amd64.deb"
else
    fail "no package named after version '$version': $(ls "$work/package")"
    exit 1
fi

depends=$(dpkg-deb -f "$deb" Depends)
missing=
for wanted in libqt6core6 libqt6webenginewidgets6 libmpg123-0 libc6 libqt6sql6-sqlite \
    libqt6webenginecore6-bin fonts-noto-cjk; do
    grep -Eq "(^|, )$wanted( |,|$)" <<< "$depends" || missing="$missing $wanted"
done
if [ -z "$missing" ]; then
    pass "Depends names the linked libraries and the run-time packages"
else
    fail "Depends lacks$missing: $depends"
fi

dpkg-deb -x "$deb" "$work/root"
strays=$(cd "$work/root" && find . -mindepth 1 -maxdepth 1 ! -name usr)
[ -z "$strays" ] && pass "everything is under /usr" || fail "outside /usr: $strays"
check_installed_layout "$work/root/usr"
check_desktop_files "$work/root/usr"
check_program_starts "$work/root/usr/bin/quillet" "$work"

echo "$failures failure(s)"
[ $failures -eq 0 ]
