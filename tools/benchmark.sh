#!/usr/bin/env bash
# Builds optimised and runs the upload benchmark against the simulated unit.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-dependencies.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON
cmake --build build-release -j "$(nproc)" --target zarvel_benchmarks
build-release/tests/zarvel_benchmarks "$@"
