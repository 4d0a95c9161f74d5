#!/usr/bin/env bash
# Runs the libFuzzer harnesses of tests/fuzz with AddressSanitizer and UndefinedBehaviorSanitizer
# and merges the inputs that reach new code into the committed corpus.
#
#   scripts/fuzz.sh                    every harness for 60 seconds each
#   scripts/fuzz.sh 1800               every harness for half an hour each, one after another
#   scripts/fuzz.sh 1800 json style    only the named harnesses (json mo pinyin style deckimport
#                                      csvimport plecoimport ankitext handwriting)
#   scripts/fuzz.sh 0 json             no fuzzing: only merge what earlier runs collected
#
# The harnesses are built with clang in build-fuzz (configured on first use with -DQUILLET_FUZZ=ON;
# the Debian packages of scripts/fuzz-packages.txt are installed when missing). New inputs of a
# run are collected in build-fuzz/fuzz-work/<harness>. Afterwards the corpus tests/fuzz/corpus/<harness> is rebuilt as
# a small set: every input with a name of its own (seeds and regression inputs, always kept),
# then from the earlier corpus and the new inputs only those that reach code the set does not
# reach yet (libFuzzer's -merge=1, counting covered edges only, not how often they run).
# Inputs that crash a harness are kept in build-fuzz/fuzz-artifacts/<harness>: fix the fault, then
# commit the input to the corpus under a name that says what it checks.
#
# Runs at the lowest priority (nice 19): the machine stays usable. FUZZ_FLAGS adds options for
# libFuzzer (e.g. FUZZ_FLAGS=-jobs=2); FUZZ_NO_BUILD=1 skips the build step, so that two runs
# of different harnesses can share one build folder.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-fuzz"
corpora="$root/tests/fuzz/corpus"
all_harnesses=(json mo pinyin style deckimport csvimport plecoimport ankitext handwriting)

seconds=${1:-60}
if ! [[ "$seconds" =~ ^[0-9]+$ ]]; then
    echo "usage: scripts/fuzz.sh [seconds] [harness...]   (harnesses: ${all_harnesses[*]})" >&2
    exit 2
fi
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=("${all_harnesses[@]}")
for harness in "${harnesses[@]}"; do
    if [[ ! " ${all_harnesses[*]} " =~ " $harness " ]]; then
        echo "unknown harness: $harness (known: ${all_harnesses[*]})" >&2
        exit 2
    fi
done

# clang with its sanitizer and fuzzer runtimes, installed like the rest of the set-up (in a
# subshell: the set-up script has variables of its own).
# shellcheck source=../dev
(. "$root/dev" && install_debian_packages "$root/scripts/fuzz-packages.txt") || exit 1

if [ ! -f "$build/build.ninja" ]; then
    launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ -DQUILLET_FUZZ=ON "${launcher[@]}"
fi
if [ -z "${FUZZ_NO_BUILD:-}" ]; then
    targets=()
    for harness in "${harnesses[@]}"; do targets+=("fuzz_$harness"); done
    nice -n 19 cmake --build "$build" --parallel 2 --target "${targets[@]}"
fi

# Each input is read whole; no committed input may grow beyond 64 KiB.
max_len=65536
status=0
for harness in "${harnesses[@]}"; do
    program="$build/fuzz/fuzz_$harness"
    work="$build/fuzz-work/$harness"
    artifacts="$build/fuzz-artifacts/$harness"
    corpus="$corpora/$harness"
    mkdir -p "$work" "$artifacts" "$corpus"
    options=(-max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=4096
        -print_final_stats=1 -artifact_prefix="$artifacts/")
    [ -f "$root/tests/fuzz/$harness.dict" ] && options+=(-dict="$root/tests/fuzz/$harness.dict")

    if [ "$seconds" -gt 0 ]; then
        echo "== $harness: fuzzing for $seconds s"
        # shellcheck disable=SC2086
        nice -n 19 "$program" "${options[@]}" ${FUZZ_FLAGS:-} "$work" "$corpus" 2>&1 \
            | tee "$build/fuzz-work/$harness.log" \
            | grep -E '^(#[0-9]+.*(DONE|pulse)|stat::|==[0-9]+==|SUMMARY)' || true
        if grep -q -E '^==[0-9]+==ERROR|^SUMMARY|check failed' "$build/fuzz-work/$harness.log"; then
            echo "!! $harness found a fault; inputs in $artifacts, log in $build/fuzz-work/$harness.log" >&2
            status=1
        fi
    fi

    echo "== $harness: rebuilding tests/fuzz/corpus/$harness"
    before=$(find "$corpus" -type f | wc -l)
    merged=$(mktemp -d "$build/fuzz-work/$harness-merge.XXXXXX")
    # Named inputs first; libFuzzer's own names are 40 hexadecimal digits.
    for file in "$corpus"/*; do
        [ -f "$file" ] || continue
        [[ "$(basename "$file")" =~ ^[0-9a-f]{40}$ ]] || cp "$file" "$merged/"
    done
    find "$work" -type f -size +64k -delete
    if nice -n 19 "$program" -merge=1 -use_counters=0 -max_len="$max_len" -timeout=10 \
        -rss_limit_mb=4096 "$merged" "$corpus" "$work" >"$build/fuzz-work/$harness.merge.log" 2>&1; then
        rm -f "$corpus"/*
        cp "$merged"/* "$corpus/"
    else
        echo "!! merge of $harness failed; corpus left as it was; see $build/fuzz-work/$harness.merge.log" >&2
        status=1
    fi
    rm -rf "$merged"
    find "$corpus" -type f -size +64k -print -delete | sed 's/^/dropped (over 64 KiB): /'
    after=$(find "$corpus" -type f | wc -l)
    echo "== $harness: corpus $before -> $after files"
done
exit $status
