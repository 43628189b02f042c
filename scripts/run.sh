#!/usr/bin/env bash
# Builds Plotsieve and runs its main job over the bundled sample drawings.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh $(cat scripts/build-deps.txt)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target plotsieve-cli -j "$(nproc)"
find samples -type f -iname '*.dxf' -print0 | sort -z | xargs -0 build/cli/plotsieve-cli extract
