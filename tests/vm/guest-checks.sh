#!/usr/bin/env bash
# The checks that need a real ALSA sequencer; run by run-vm-test.sh inside the
# guest (as root: the guest's /dev/snd is root-only) or on a host that has one.
#   RESULTS=DIR BUILD=DIR SOURCE=DIR bash guest-checks.sh [device-link] [gui]
set -uo pipefail

status=0
echo "=== sequencer clients"
cat /proc/asound/seq/clients 2>/dev/null | grep -E '^Client|Port' || true

for check in "$@"; do
    echo "=== check: $check"
    case "$check" in
        device-link)
            timeout --kill-after=5 300 "$BUILD/tests/zarvel-alsa-device-link-check" \
                --emulator "$BUILD/tools/zarvel-unit-emulator" --work "$RESULTS/device-link" \
                || { echo "=== check $check FAILED"; status=1; }
            ;;
        bench)
            # Timings, not checks: the upload through JUCE and the sequencer, the
            # same upload in process, and the bare sequencer round trip.
            timeout 300 "$BUILD/tests/zarvel-alsa-device-link-check" \
                --emulator "$BUILD/tools/zarvel-unit-emulator" --work "$RESULTS/bench" | grep -E "pair|FIGURES|passed" || status=1
            timeout 300 "$BUILD/tests/zarvel_benchmarks" --benchmark_min_time=10 || status=1
            timeout 300 "$BUILD/tests/zarvel-sequencer-round-trip" "$BUILD/tools/zarvel-unit-emulator" 25222 || status=1
            ;;
        gui)
            timeout --kill-after=5 400 bash "$SOURCE/tests/vm/gui-check.sh" \
                || { echo "=== check $check FAILED"; status=1; }
            ;;
        *)
            echo "unknown check: $check"
            status=1
            ;;
    esac
done

exit $status
