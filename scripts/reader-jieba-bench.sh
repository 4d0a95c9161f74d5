#!/bin/sh
# Runs the word segmentation benchmark beside jieba (Debian's python3-jieba, default mode) on the
# same input in the same run, and compares the words of the two: precision, recall and F1 of the
# program's words against jieba's, and sample sentences where they differ. Installs python3-jieba
# (through sudo when not root), builds the benchmark in build/ and writes the inputs and both
# segmentations into build/reader-bench/. Neither the build nor the tests need jieba.
#
# usage: scripts/reader-jieba-bench.sh [SAMPLES]
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
samples=${1:-20}
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
if ! dpkg -s python3-jieba >/dev/null 2>&1; then
    $sudo apt-get install -y python3-jieba
fi
cd "$root"
cmake --build build --parallel 2 --target quillet-bench-segmenter generated_data
out=build/reader-bench
echo "== Quillet"
build/quillet-bench-segmenter --output "$out"
echo "== jieba"
/usr/bin/python3 bench/reader/jieba_segment.py "$out"
echo "== agreement of Quillet's words with jieba's: 24,026 sentences"
/usr/bin/python3 bench/reader/compare_segmentations.py "$out/sentences.quillet.txt" \
    "$out/sentences.jieba.txt" "$samples"
echo "== the same for the text of 100,000 characters"
/usr/bin/python3 bench/reader/compare_segmentations.py "$out/text100k.quillet.txt" \
    "$out/text100k.jieba.txt" 0
