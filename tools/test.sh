#!/usr/bin/env bash
# Installs what the build and the tests need, builds, and runs every test.
#   bash tools/test.sh          all of it: plain, ASan+UBSan, TSan, 30 s of each fuzz target
#   bash tools/test.sh plain    one build only (also: asan, tsan, fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."

modes=("${@:-all}")
[ "${modes[0]}" = all ] && modes=(plain asan tsan fuzz)

bash tools/install-dependencies.sh

jobs=$(nproc)
failed=()

for mode in "${modes[@]}"; do
    if [ "$mode" = fuzz ]; then
        bash tools/fuzz.sh 30 || failed+=("$mode")
        continue
    fi

    case "$mode" in
        plain) dir=build;      sanitize="" ;;
        asan)  dir=build-asan; sanitize="address,undefined" ;;
        tsan)  dir=build-tsan; sanitize="thread" ;;
        *) echo "unknown mode: $mode (plain, asan, tsan, fuzz or all)" >&2; exit 2 ;;
    esac

    echo "=== $mode: configure and build in $dir"
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZARVEL_SANITIZE="$sanitize"
    cmake --build "$dir" -j "$jobs"

    echo "=== $mode: tests"
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
    if ! xvfb-run -a -s "-screen 0 1024x768x24" \
            ctest --test-dir "$dir" --output-on-failure -j "$jobs"; then
        failed+=("$mode")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "All test runs passed: ${modes[*]}"
