#!/usr/bin/env bash
# The Debian 12 packages the program, its tests and its tools need, and any named
# as arguments. Run as root.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config python3
    juce-modules-source juce-tools
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xdotool x11-apps imagemagick fonts-dejavu-core
    # the unit emulator, and the VM that gives the tests a real ALSA sequencer
    libasound2-dev qemu-system-x86 busybox-static alsa-utils cpio xz-utils kmod
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}"
fi
