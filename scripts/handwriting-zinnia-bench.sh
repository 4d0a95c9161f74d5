#!/bin/sh
# Runs the handwriting benchmark with Zinnia and Debian's tegaki simplified Chinese model beside
# the program's own recogniser. Installs the two packages (through sudo when not root), builds
# the benchmark in build/ and runs it; arguments go to the benchmark (e.g. --characters 500).
# Neither the build nor the tests need these packages.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
if ! dpkg -s libzinnia-dev tegaki-zinnia-simplified-chinese >/dev/null 2>&1; then
    $sudo apt-get install -y libzinnia-dev tegaki-zinnia-simplified-chinese
fi
cd "$root"
# The benchmark finds Zinnia when it is configured; a build configured before must look again.
cmake -S . -B build >/dev/null
cmake --build build --parallel 2 --target quillet-bench-handwriting generated_data
exec build/quillet-bench-handwriting "$@"
