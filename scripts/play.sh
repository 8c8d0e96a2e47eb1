#!/bin/sh
# Builds the engine and its data pack, then plays the presentation. Extra arguments go to runeplay.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DRUNEPLAY_BUILD_TESTS=OFF -DRUNEPLAY_BUILD_BENCH=OFF
cmake --build build -j"$(nproc)"
cd build/play
if [ ! -f kelvra.dat ]; then
  echo "play.sh: $(pwd)/kelvra.dat is missing: the content generator (target kelvra_pack) did not write it." >&2
  echo "play.sh: rebuild with: cmake --build build --target kelvra_pack" >&2
  exit 1
fi
exec ./runeplay "$@"
