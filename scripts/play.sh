#!/bin/sh
# Builds the engine and its data pack, then plays the presentation. Extra arguments go to runeplay.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DRUNEPLAY_BUILD_TESTS=OFF -DRUNEPLAY_BUILD_BENCH=OFF
cmake --build build -j"$(nproc)"
cd build/play
exec ./runeplay "$@"
