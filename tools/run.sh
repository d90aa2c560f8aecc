#!/usr/bin/env bash
# Installs what the build needs (Debian 12, as root), builds the Release program
# and starts the wizard. Arguments are passed on to the program, which ignores them.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-dependencies.sh

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build-release -j "$(nproc)" --target ZarvelFirmwareUpdater

exec build-release/ZarvelFirmwareUpdater "$@"
