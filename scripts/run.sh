#!/usr/bin/env bash
# Builds Plotsieve and runs its main job: a search over the bundled sample
# drawings for the keywords 平面図|配置図|ガラス, printed as a table.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh $(cat scripts/build-deps.txt)
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target plotsieve-cli -j "$(nproc)"
build/cli/plotsieve-cli search -k '平面図|配置図|ガラス' samples || [ $? -eq 1 ]
