#!/usr/bin/env bash
# Builds Plotsieve and runs its main job over the bundled sample drawings: the
# desktop application on the samples/ folder when a display exists, otherwise
# the same search printed by the command-line program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh $(cat scripts/build-deps.txt)
cmake -S . -B build -G Ninja >/dev/null
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    cmake --build build --target plotsieve -j "$(nproc)"
    exec build/app/plotsieve "$PWD/samples"
fi
cmake --build build --target plotsieve-cli -j "$(nproc)"
build/cli/plotsieve-cli search -k '平面図|配置図|ガラス' samples || [ $? -eq 1 ]
