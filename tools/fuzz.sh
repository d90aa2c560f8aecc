#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan and UBSan over our code and JUCE) in
# build-fuzz/ and runs each for SECONDS (default 60) on a scratch copy of the
# committed corpus. Any finding fails the run; its input lands in build-fuzz/.
#   bash tools/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
dir=build-fuzz

bash tools/install-dependencies.sh clang libclang-rt-14-dev

echo "=== fuzz: configure and build in $dir"
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARVEL_FUZZ=ON
cmake --build "$dir" -j "$(nproc)" --target fuzz_replies fuzz_pictures

# What the fuzzers add to their corpus stays here, never in the source tree.
rm -rf "$dir/corpus"
mkdir -p "$dir/corpus"
cp -r tests/fuzz/corpus/replies tests/fuzz/corpus/pictures "$dir/corpus/"
cp resources/Zarvel.png resources/About.png "$dir/corpus/pictures/"
python3 tests/fuzz/damaged-pictures.py resources/About.png "$dir/corpus/pictures"

export ASAN_OPTIONS="abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# Replies are a few SysEx messages; pictures as large as the carried ones and more.
declare -A maxLength=([fuzz_replies]=512 [fuzz_pictures]=163840)
failed=()

for target in fuzz_replies fuzz_pictures; do
    corpus="$dir/corpus/${target#fuzz_}"
    log="$dir/$target.log"
    echo "=== fuzz: $target for $seconds s on $corpus"
    # No single allocation of ours needs more than 64 MB (a 4096 x 4096 picture).
    if ! "$dir/tests/$target" "$corpus" -max_total_time="$seconds" -max_len="${maxLength[$target]}" \
            -malloc_limit_mb=128 -timeout=25 -print_final_stats=1 -artifact_prefix="$dir/$target-" >"$log" 2>&1; then
        failed+=("$target")
        # The report, from the sanitizer's or the target's first word on.
        sed -n '/==ERROR\|runtime error\|deadly signal\|^fuzz_[a-z]*: /,$p' "$log" | head -n 80
    fi
    grep -E "^(Done|stat::(number_of_executed_units|average_exec_per_sec|new_units_added))" "$log" \
        | awk '!seen[$0]++' || true
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "FUZZING FOUND FAULTS: ${failed[*]} (the inputs: \"Test unit written to\" in $dir/fuzz_*.log)"
    exit 1
fi
echo "Fuzzing found nothing: fuzz_replies, fuzz_pictures ($seconds s each)"
